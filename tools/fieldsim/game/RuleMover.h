// How the referee moves things, and what it notes about each move: every
// rule that moves a robot or the ball goes through here, so that each move
// is made the same way (the real server's rule move: torso to the spot,
// every body along, everything stopped, nothing woken; the spot made safe
// unless the rule says otherwise) and each one gets its console line and
// its entry in the cycle's record.
#pragma once

#include <map>
#include <string>

#include "game/GameRules.h"
#include "game/RefereeRecord.h"
#include "game/SafeReposition.h"
#include "game/World.h"

class RuleMover {
public:
    // The penalty area is kept clear of a fourth defender by a move, too.
    static constexpr int kMaxInOwnArea = 3;
    static constexpr double kAreaMargin = 0.4;  // m beyond its edge

    RuleMover(World& world, GameRules& rules);

    void startCycle(double now);
    const RefereeRecord& record() const { return record_; }
    RefereeRecord& record() { return record_; }

    // Moves the robot so that its torso centre comes to `target` (the z the
    // rule gives, usually the torso's own). With `safe`, the nearest safe
    // spot (SafeReposition) instead; `avoidBall` keeps that 1 m from the
    // ball. `why` is the console's reason; `quiet` leaves the console out
    // (a move repeated every cycle). Returns where the torso went.
    Vec3 moveRobot(Robot& robot, const Vec3& target, const std::string& rule,
                   const std::string& why, bool safe = true, bool avoidBall = true,
                   bool quiet = false);
    // Puts the ball at rest at `spot` by a rule, with its line and entry.
    void placeBall(const Vec3& spot, const std::string& rule, const std::string& why);
    // Puts the ball back at `spot` at rest without a word: the holding
    // before kick-off and at a set piece, every cycle.
    void holdBall(const Vec3& spot);
    // A foul called on the robot; what follows is up to the rule. `quiet`
    // when the console has heard of it already.
    void foul(const Robot& robot, const std::string& rule, const std::string& why,
              bool quiet = false);
    void touched(const Robot& robot);

    // Server time of the robot's last move by a rule (far in the past if none).
    double lastMoved(int clientId) const;
    void forget(int clientId) { lastMoved_.erase(clientId); }

    // "left 2 (Bees)"
    static std::string name(const Robot& robot);

private:
    World& world_;
    GameRules& rules_;
    SafeReposition reposition_;
    RefereeRecord record_;
    double now_ = 0.0;
    std::map<int, double> lastMoved_;
};
