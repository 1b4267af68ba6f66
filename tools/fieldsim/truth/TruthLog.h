// The ground truth, one JSON object per line and cycle: what tests compare
// the agent's own beliefs against.
#pragma once

#include <cstdio>
#include <string>

#include "game/GameRules.h"
#include "game/RefereeRecord.h"
#include "game/World.h"

class TruthLog {
public:
    TruthLog() = default;
    ~TruthLog();
    TruthLog(const TruthLog&) = delete;
    TruthLog& operator=(const TruthLog&) = delete;

    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    bool failed() const { return failed_; }
    void record(long long cycle, double now, const GameRules& rules, const World& world,
                const RefereeRecord* referee = nullptr);
    void close();

    // The line for one cycle, without the line end. With the referee's
    // record, its moves and fouls ("referee") and who touched the ball
    // ("touches"), each only when there is something to say.
    static std::string format(long long cycle, double now, const GameRules& rules, const World& world,
                              const RefereeRecord* referee = nullptr);

private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};
