// The attacker's way to a kick at the goal, as geometry: from where the robot
// stands and faces, where the ball lies and how fast the walk goes, what to
// do this cycle (walk on steering so much, stop, kick, look for the ball).
// MidLevelSkills turns each step into a skill; nothing here touches the
// world model, so every decision can be checked on its own.
//
// The kick sends the ball about 3 m along the robot's heading from a
// standing stance, with the ball 0.18 to 0.23 m before the torso and 0.02 to
// 0.08 m to one side. The walk turns sharply only at a crawl (any turn asked
// above 15 degrees slows it to a fifth of full speed and turns it about 35
// degrees a second), steers mildly at speed, and needs about 0.9 s to stop
// from full speed. So the approach:
//
// - walks to the staging point `behindDist` behind the ball on the line from
//   the aim through the ball (round the ball when it lies in the way),
//   turning at a crawl first when that point lies far to the side;
// - once behind the ball, near that line and facing along it, walks up to
//   the ball steering onto the spot that leaves it before one foot, and
//   starts to stop early enough for the walk's braking to end there;
// - kicks as soon as it stands with the ball in the kick's window and the
//   kick's heading on target: anywhere in the goal mouth near the goal, and
//   within `farTol` of it far from the goal (a kick that gains 3 m toward
//   the goal is worth more than the seconds of lining it up exactly).
//
// Frames: the team's field frame (our goal at -x, the opponent goal at
// +x), metres; directions in degrees counter-clockwise from +x.
#pragma once

#include <cmath>
#include <vector>

#include "etc/SkillParams.h"

class ApproachPlan {
public:
    // Where the robot is and what its walk does.
    struct Situation {
        double x = 0.0, y = 0.0;  // torso on the field
        double facing = 0.0;      // heading, counter-clockwise from +x
        double ballX = 0.0, ballY = 0.0;
        bool ballKnown = false;  // a ball seen lately enough to go for
        double walkSpeed = 0.0;  // speed the walk has reached (fraction of full), 0 standing
        bool standing = true;    // no walk under way: a kick can start
        // The opponent goal's posts as just seen, in the body frame (x
        // forward, y to the left, metres): where the kick goes is judged
        // from them when they are, since a position error of the robot
        // turns the goal's direction as seen from the field.
        bool postsSeen = false;
        double post1X = 0.0, post1Y = 0.0, post2X = 0.0, post2Y = 0.0;
        double time = 0.0;  // server time (s)
        // Other robots just seen, in the body frame (m): walked round, and
        // never walked into.
        static constexpr int kMaxRobots = 12;
        struct Robot {
            double x, y;
            bool teammate;
        };
        Robot robots[kMaxRobots] = {};
        int robotCount = 0;
        void addRobot(double x, double y, bool teammate = false) {
            if (robotCount < kMaxRobots && std::isfinite(x) && std::isfinite(y)) robots[robotCount++] = {x, y, teammate};
        }
    };

    enum Action {
        SEARCH,  // ball unknown: turn on the spot to find it
        WALK,    // walk with `speed` and `degree`
        STOP,    // bring the walk to a stop (straight)
        KICK,    // kick now
        TURN     // turn on the spot by `degree` (clockwise), with the turn skill
    };

    // What to do this cycle. `degree` is a walk's turn (clockwise positive,
    // above 15 a crawl that turns sharply); `phase` names why, for tests and
    // traces.
    struct Step {
        Action action = SEARCH;
        double speed = 0.0;
        double degree = 0.0;
        const char* phase = "";
    };

    static constexpr const char* kSkill = "approach";
    // The approach's values (params/approach.params), in this order: first
    // those of the older walk behind the ball (MidLevelSkills' goBehindBall
    // and kickTowardGoal, which the development build still runs), then the
    // plan's own.
    static const std::vector<SkillParams::Param>& paramList();
    enum Param {
        P_BEHIND_DIST = 0,  // the staging point this far behind the ball (m)
        P_FIT_RANGE,        // (goBehindBall) within this of its point the robot turns to the ball (m)
        P_FIT_LEAVE,        // (goBehindBall) a fitting robot this far off the point walks back (m)
        P_FACE_TOL,         // (goBehindBall) facing the ball within this: lined up (degrees)
        P_LINE_TOL,         // (goBehindBall) ball and goal this far apart in bearing at most (degrees)
        P_STOP_DIST,        // (kickTowardGoal) its walk stops with the ball this far ahead (m)
        P_FOOT_SIDE,        // the ball is steered this far to the side of the torso (m)
        P_OWNER_RANGE,      // (attackBallOwner) nearer than this the player lines up for the kick (m)
        P_NEAR_POINT,       // within this of the staging point the robot turns onto the kick line (m)
        P_WALK_TOL,         // heading off the kick line at most this to walk up (degrees)
        P_LANE,             // sideways off the kick line at most this to walk up (m)
        P_FAR_TOL,          // far from the goal a kick this far off the aim still goes (degrees)
        P_STAND_AHEAD,      // the ball this far before the torso once the walk has stopped (m)
        P_BRAKE,            // metres the walk covers while stopping, per (speed fraction) squared
        P_WALK_UP_SPEED,    // the fastest walk up to the ball (fraction of full speed)
        P_FULL_SPEED,       // the walk's speed elsewhere (fraction of full speed)
        P_COUNT
    };
    // The values from the files, or the design values where a file has none.
    static std::vector<double> loadValues();

    explicit ApproachPlan(std::vector<double> values);
    ApproachPlan();

    // One cycle's decision. Keeps a little state (the stage, and which foot)
    // so that noise at a border does not flip the approach to and fro.
    Step next(const Situation& s);

    // A player that leaves the ball to a teammate: walks to (tx, ty) (round
    // the ball when it lies in the way) and there turns to face the ball and
    // stands.
    Step goTo(const Situation& s, double tx, double ty);

    // Where the kick aims for a ball at (bx, by): the goal's middle for a
    // ball in front of the goal, otherwise a point inside the near post.
    static void aimPoint(double bx, double by, double& ax, double& ay);
    // The direction (unit vector, field frame) a ball at (bx, by) near our
    // own goal is cleared in: forward and out toward the nearer side line,
    // as much forward as leaves room behind the ball on the field.
    static void clearingLine(double bx, double by, double& ux, double& uy);
    // Whether a kick along `heading` from a ball at (bx, by) is good enough:
    // into the goal mouth (with room for the kick's scatter) when the goal
    // is near, roughly toward it (within `farTol` degrees) and not out over
    // a side line otherwise.
    bool shotOnTarget(double bx, double by, double heading, double farTol) const;
    // The same for a kick straight ahead of the body from a ball at (bx, by)
    // in the body frame, with the posts seen at (p1x, p1y) and (p2x, p2y).
    bool shotOnTargetSeen(double bx, double by, double p1x, double p1y, double p2x, double p2y,
                          double farTol) const;
    // Whether an opponent stands within kContested metres of the ball: the
    // kick is then taken on rougher terms, before the other side gets it.
    static bool contested(const Situation& s, double ahead, double side);
    static constexpr double kContested = 1.0;
    // Whether the ball, (ahead, side) from the torso in the body frame, is
    // where a kick from the standing stance meets it.
    static bool inKickWindow(double ahead, double side);
    // Where a sighting lies on the field plane in the body frame (x forward,
    // y to the left, metres), from its polar reading (distance, azimuth and
    // elevation, degrees, relative to the head) and the head's pan and tilt
    // when it was taken. The head's rotations are undone in turn, not added
    // to the reading's angles: with the head tilted down, a ball near the
    // feet seen 20 degrees to the side lies 40 degrees to the side of the
    // body. False for a reading that is no number.
    static bool bodyPointOf(double distance, double azimuth, double elevation, double pan, double tilt,
                            double& x, double& y);
    // Where a point (bx, by) of the body frame lies on the field, for a robot
    // at (x, y) facing `facing` degrees (counter-clockwise from +x).
    static void fieldPointOf(double x, double y, double facing, double bx, double by, double& fx, double& fy);

    // The values in use (tests).
    const std::vector<double>& values() const { return v; }
    // Forgets the walk up (a fall, a set piece, a kick that played out).
    void reset();

private:
    double value(Param p) const { return v[p]; }

    std::vector<double> v;
    // The stage the approach is in; each holds on through a little more
    // noise than it took to enter it.
    enum Stage { TO_POINT, ONTO_LINE, WALK_UP, QUICK };
    Stage stage = TO_POINT;
    // Turning at a crawl toward the staging point before walking to it.
    bool turningFirst = false;
    // Turning on the spot with the turn skill (a large turn), until nearly
    // there.
    bool spinning = false;
    bool spunLast = false;  // the step before turned with the turn skill
    // A turn toward `bearing` (degrees, counter-clockwise): on the spot with
    // the turn skill when it is large, the walk slow and the ball `ballDist`
    // (m) not too near, else at a crawl.
    Step turnToward(Step step, double bearing, double walkSpeed, double ballDist);
    // A walk to (wx, wy), `dist` metres off, past robots in the way: turned
    // toward first while the point lies well to the side.
    Step walkToward(Step step, const Situation& s, double wx, double wy, double dist, double walkSpeed,
                    double ballDist);
    // Walking backward from the ball for room to walk up again.
    bool backingOff = false;
    // Standing at the point goTo() walked to.
    bool arrived = false;
    int foot = 0;  // +1: the ball before the left foot, -1: the right, 0: not chosen
    // Since when the robot has stood at the ball with the kick off target
    // (negative: it has not).
    double offTargetSince = -1.0;
};
