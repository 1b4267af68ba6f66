// The real server's automatic referee, in the judge's configuration: the
// fouls that move a robot. It runs after the play-mode rules, only while the
// game is not paused (before kick-off and in a goal's pause everything is
// forgotten and a robot being held drops where it is).
//
// - Standing and ground counters from the torso's height; a robot that has
//   lain 15 s (a goalie 30 s) or not stood 30 s (60 s) is incapable.
// - Charging: running into an opponent rather than at the ball.
// - Illegal defence: a fourth player of a team entering its own area.
// - Touching: a group of more than two robots touching each other.
// Incapable and charging hold the robot above the field for 0.5 s and then
// set it down beyond the side line; the other two push it a little away.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "game/RuleMover.h"
#include "game/World.h"
#include "robot/BodyModel.h"
#include "util/Random.h"

class FoulRules {
public:
    // Torso heights (m): below the first the robot is not standing, below
    // the second it lies on the ground. Counted only with abs(y) below the
    // third, so a robot set down beyond the side line is left alone.
    static constexpr double kNotStandingBelow = 0.25;
    static constexpr double kGroundBelow = 0.15;
    static constexpr double kCountedWithin = 4.1;   // m from the middle line across
    static constexpr int kStandingClears = 25;      // cycles standing clear the not-standing count
    static constexpr int kGroundLimit = 750;        // cycles (15 s)
    static constexpr int kNotStandingLimit = 1500;  // cycles (30 s)
    static constexpr int kGoalieFactor = 2;         // the goalie may lie twice as long
    // The hold: lifted 1.0 m plus 1 cm per cycle for 25 cycles, then set down.
    static constexpr int kHoldCycles = 25;
    static constexpr double kHoldHeight = 1.0;
    static constexpr double kHoldStep = 0.01;
    static constexpr double kOffFieldStep =
        0.6;  // m along the side line per uniform number below 7
    static constexpr double kOffFieldY = 4.5;
    static constexpr double kStandHeight = 0.4;  // torso height it is set down at
    // Charging (the judge's figures).
    static constexpr double kChargeSpeed = 0.4;         // m/s
    static constexpr double kChargeBallAngle = 30.0;    // deg
    static constexpr double kChargeAngleMargin = 15.0;  // deg
    static constexpr double kChargeDistanceMargin = 0.05;
    static constexpr double kBallRulesDistance = 1.0;  // m: nearer the ball, the ball decides
    static constexpr double kChargeImmunity = 1.0;     // s after a rule move or a ball touch
    static constexpr double kContactTime = 0.2;        // s into the contact
    static constexpr double kContactBallDistance = 0.1;
    static constexpr double kSpeedIntoContact = 0.2;  // m/s
    // Illegal defence and touching.
    static constexpr int kMaxInOwnArea = 3;
    static constexpr int kMaxTouchGroup = 2;
    static constexpr double kPushAway = 0.4;  // m

    FoulRules(World& world, RuleMover& mover, Random& random);

    // One cycle. `lastBallTouch` holds each robot's last touch of the ball
    // (server time).
    void update(double now, double dt, const StepContacts& contacts, bool paused,
                const std::map<int, double>& lastBallTouch);
    void forget(int clientId);

    // Whether the robot is held above the field by a foul.
    bool held(int clientId) const;
    // Its counters (cycles), for tests and the console.
    int groundCycles(int clientId) const;
    int notStandingCycles(int clientId) const;

private:
    struct State {
        int notStanding = 0;
        int standing = 0;
        int ground = 0;
        int held = -1;  // cycles since the foul that holds it; -1: not held
        std::string heldFor;
        bool inOwnArea = false;
        bool havePosition = false;
        Vec3 lastPosition;
        std::deque<Vec3> velocities;  // the last three, horizontal
        double touchingSince = -1.0;  // in contact with another robot since
    };
    enum class Kind { Hold, IllegalDefence, Touching };
    struct Pending {
        Kind kind;
        std::string rule;
        std::string why;
        Vec3 awayFrom;  // touching: the group's middle
    };

    void countStanding(Robot& robot, State& s);
    void charging(double now, const StepContacts& contacts,
                  const std::map<int, double>& lastBallTouch);
    void incapable(TeamSide side);
    void illegalDefence(TeamSide side);
    void touching(double now, const StepContacts& contacts);
    void enforce();
    void call(Robot& robot, Kind kind, const std::string& rule, const std::string& why,
              const Vec3& awayFrom = {});
    void release(State& s);
    Vec3 meanVelocity(const State& s) const;
    std::vector<Robot*> team(TeamSide side);
    bool isGoalie(const Robot& robot) const { return robot.unum == 1; }

    World& world_;
    RuleMover& mover_;
    Random& random_;
    std::map<int, State> states_;
    std::map<int, Pending> pending_;
    std::map<std::pair<int, int>, double> contactSince_;
};
