// Carries what robots say in one cycle to those who hear it: every robot
// within 50 m, at most one team-mate and one opponent message per listener,
// limited as on the real server (a capacity of two with a cost of two and a
// refill of one per cycle), and the speaker's own message echoed back.
#pragma once

#include <string>
#include <vector>

#include "game/Robot.h"
#include "util/Vec3.h"

struct Utterance {
    int speakerId = 0;
    std::string team;
    TeamSide side = TeamSide::Left;
    Vec3 position;
    std::string text;
};

class SayRelay {
public:
    static constexpr double kRange = 50.0;
    static constexpr int kCapacity = 2;
    static constexpr int kCost = 2;

    // True when the text may be said: printable without brackets, not too long.
    static bool acceptable(const std::string& text, size_t limit);

    void post(const Utterance& u) { utterances_.push_back(u); }
    void clear() { utterances_.clear(); }
    bool empty() const { return utterances_.empty(); }

    // The hear expressions for one listener in this cycle (self, team-mate,
    // opponent); refills and spends the listener's allowance.
    std::vector<std::string> hearFor(Robot& listener, double gameTime, bool classic) const;

private:
    std::vector<Utterance> utterances_;
};
