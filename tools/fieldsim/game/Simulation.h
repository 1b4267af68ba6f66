// The game without the network: robots join, send commands and receive one
// perception per cycle; the world, the rules, the scenario and the truth log
// advance together in step(). The server feeds it whole client messages and
// sends what it puts in the outbox, so tests can drive it directly.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "game/GameRules.h"
#include "game/Referee.h"
#include "sense/PerceptionWriter.h"
#include "util/Random.h"
#include "game/SayRelay.h"
#include "game/Scenario.h"
#include "game/SimOptions.h"
#include "game/SimStats.h"
#include "truth/TruthLog.h"
#include "game/World.h"

struct Outgoing {
    int clientId = 0;
    std::string text;
    bool perception = false;  // false: a scripted raw message
};

class Simulation {
public:
    static constexpr double kCycle = 0.02;  // s of server time per cycle
    static constexpr int kMaxPerTeam = 11;
    static constexpr int kMaxProblemLines = 20;  // per client
    // Lines about connections that come and go without a robot, per second
    // of server time; a crowd of them is counted, not printed one by one.
    static constexpr int kConnectionLinesPerSecond = 10;
    // The cycles a robot built by a scene steps before its first perception.
    static constexpr int kQuietCyclesAfterScene = 1;

    Simulation(const SimOptions& options, std::ostream& console);

    void setScenario(const Scenario& scenario) { scenario_ = scenario; }
    bool openTruthLog(std::string& error);

    void clientConnected(int clientId, const std::string& peer);
    // One whole message from a client. False when the client must be
    // disconnected (a refused init).
    bool receive(int clientId, const std::string& message);
    void clientLeft(int clientId, const std::string& reason);
    // A fault the network layer found (oversized or truncated frame).
    void noteMalformed(int clientId, const std::string& problem);

    // One cycle: scenario events, due commands, motion, referee, perceptions, truth.
    void step();
    std::vector<Outgoing> takeOutbox();
    std::vector<int> takeDrops();  // connections a scenario closes

    // With --wait-for, the clock (the countdown to the kick-off) does not
    // start until that many robots have joined; the server ends the wait
    // early when its time limit has passed.
    bool waiting() const { return options_.waitFor > 0 && !waitOver_; }
    void endWait(const std::string& why);

    void requestStop() { stopRequested_ = true; }
    bool finished() const { return stopRequested_; }

    long long cycles() const { return cycles_; }  // cycles done
    double now() const { return now_; }           // server time of the last cycle
    World& world() { return world_; }
    const World& world() const { return world_; }
    GameRules& rules() { return rules_; }
    const GameRules& rules() const { return rules_; }
    Referee& referee() { return referee_; }
    const Referee& referee() const { return referee_; }
    SimStats& stats() { return stats_; }
    const SimOptions& options() const { return options_; }
    const std::string& teamName(TeamSide side) const { return teamNames_[side == TeamSide::Left ? 0 : 1]; }

    std::string summary() const;
    void log(const std::string& line);

private:
    bool join(Robot& robot, int unum, const std::string& team);
    // Where its init puts a robot: the start spot, and the next game state
    // names its number and side.
    void placeAtStart(Robot& robot);
    void refuse(int clientId, const std::string& why);
    void applyAction(Robot& robot, const RobotAction& action);
    void applyEvent(const ScenarioEvent& event);
    void sendPerceptions();
    std::string who(const Robot& robot) const;
    // Console line about bad input; a client's flood of bad input is counted
    // in full but only its first lines are shown.
    void reportProblem(int clientId, const std::string& line);
    void connectionLine(const std::string& line);
    void freeSideIfEmpty(TeamSide side);

    SimOptions options_;
    std::ostream& console_;
    World world_;
    GameRules rules_;
    Referee referee_;
    PerceptionWriter writer_;
    SayRelay relay_;
    Scenario scenario_;
    TruthLog truth_;
    Random noiseRng_;
    SimStats stats_;
    std::string teamNames_[2];
    long long cycles_ = 0;
    double now_ = 0.0;
    bool stopRequested_ = false;
    std::vector<Outgoing> outbox_;
    std::vector<int> drops_;
    std::map<int, int> problemsShown_;
    bool waitOver_ = false;
    long long connectionSecond_ = -1;
    int connectionLinesShown_ = 0;
    long long connectionLinesHidden_ = 0;
};
