#include "skills/ApproachPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

// These tests pin what the approach must do whatever its numbers are tuned
// to: where it steers relative to robots and the ball, which kicks it takes,
// and that no input makes it answer with something that is no number.

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = 180.0 / kPi;

using Plan = ApproachPlan;

Plan::Situation standingAt(double x, double y, double facing, double bx, double by) {
    Plan::Situation s;
    s.x = x;
    s.y = y;
    s.facing = facing;
    s.ballX = bx;
    s.ballY = by;
    s.ballKnown = true;
    return s;
}

// The kick line a planner without posts in view uses: from the ball toward
// its aim point.
void kickLine(double bx, double by, double& ux, double& uy) {
    double ax = 0.0, ay = 0.0;
    Plan::aimPoint(bx, by, ax, ay);
    const double l = std::hypot(ax - bx, ay - by);
    ux = (ax - bx) / l;
    uy = (ay - by) / l;
}

// A robot `back` metres behind the ball on its kick line, facing along it.
Plan::Situation linedUp(double bx, double by, double back) {
    double ux = 0.0, uy = 0.0;
    kickLine(bx, by, ux, uy);
    return standingAt(bx - back * ux, by - back * uy, std::atan2(uy, ux) * kDeg, bx, by);
}

bool finite(const Plan::Step& st) { return std::isfinite(st.speed) && std::isfinite(st.degree); }

// Walking toward a point with a robot in the straight way, the walk turns
// away from the side the robot lies on (the degree is clockwise positive);
// a robot beyond the point or well to the side of the way changes nothing.
TEST(ApproachPlanRobots, PassesARobotInTheWayOnTheOtherSideAndIgnoresOthers) {
    for (double facing : {0.0, 90.0, -150.0}) {
        // The point 2 m ahead, and 0.5 m ahead (nearer than a robot beyond).
        for (double reach : {2.0, 0.5}) {
            const double f = facing / kDeg;
            const double tx = reach * std::cos(f), ty = reach * std::sin(f);
            auto step = [&](double rx, double ry) {
                Plan plan;
                Plan::Situation s = standingAt(0, 0, facing, 3.0, -3.0);
                if (std::isfinite(rx)) s.addRobot(rx, ry);
                return plan.goTo(s, tx, ty);
            };
            const Plan::Step free = step(NAN, 0);
            ASSERT_EQ(free.action, Plan::WALK);
            EXPECT_NEAR(free.degree, 0.0, 1.0) << "the point lies straight ahead";
            const double inWay = std::min(0.4, reach * 0.6);
            EXPECT_GT(step(inWay, 0.05).degree, free.degree + 5)
                << facing << " robot a little to the left";
            EXPECT_LT(step(inWay, -0.05).degree, free.degree - 5)
                << facing << " robot a little to the right";
            const Plan::Step beyond = step(reach + 0.3, 0.0);
            EXPECT_EQ(beyond.degree, free.degree) << facing << " robot beyond the point";
            EXPECT_EQ(beyond.speed, free.speed);
            EXPECT_EQ(step(inWay, 1.2).degree, free.degree) << facing << " robot well to the side";
        }
    }

    // The same on the way to the point behind the ball.
    auto toPoint = [](double rx, double ry) {
        Plan plan;
        Plan::Situation s = standingAt(-3.0, 0.0, 0.0, 0.0, 0.0);
        if (std::isfinite(rx)) s.addRobot(rx, ry);
        return plan.next(s);
    };
    const Plan::Step free = toPoint(NAN, 0);
    ASSERT_EQ(free.action, Plan::WALK);
    EXPECT_GT(toPoint(0.6, 0.1).degree, free.degree + 5);
    EXPECT_LT(toPoint(0.6, -0.1).degree, free.degree - 5);
    EXPECT_EQ(toPoint(0.6, 1.5).degree, free.degree);
}

// In the walk up to the ball a robot right before the body is never walked
// into (a charge, and a fall); one beyond the ball does not stop the walk.
TEST(ApproachPlanRobots, GivesWayToARobotBetweenTheBodyAndTheBall) {
    const Plan defaults;
    const double stand = defaults.values()[Plan::P_STAND_AHEAD];
    for (double by : {0.0, 1.5, -2.5}) {
        for (bool walking : {false, true}) {
            auto step = [&](double rx, double ry) {
                Plan plan;
                Plan::Situation s = linedUp(1.0, by, stand + 0.3);
                s.standing = !walking;
                s.walkSpeed = walking ? 0.3 : 0.0;
                if (std::isfinite(rx)) s.addRobot(rx, ry);
                return plan.next(s);
            };
            const Plan::Step free = step(NAN, 0);
            ASSERT_EQ(free.action, Plan::WALK) << free.phase;
            EXPECT_GT(free.speed, 0.0);
            for (double ry : {0.0, 0.1, -0.1}) {
                const Plan::Step blocked = step(0.25, ry);
                EXPECT_TRUE(blocked.action == Plan::STOP ||
                            (blocked.action == Plan::WALK && blocked.speed <= 0.0))
                    << "robot at (0.25, " << ry << "), walking " << walking << ": " << blocked.phase
                    << " at " << blocked.speed;
            }
            const Plan::Step beyond = step(stand + 0.3 + 0.4, 0.0);
            EXPECT_EQ(beyond.action, Plan::WALK) << "a robot beyond the ball is not in the way";
            EXPECT_GT(beyond.speed, 0.0);
        }
    }
}

// `contested` counts opponents near the ball only: a teammate there is no
// reason to take a rough kick.
TEST(ApproachPlanRobots, OnlyOpponentsNearTheBallContestIt) {
    Plan::Situation s = standingAt(0, 0, 0, 0.3, 0);
    EXPECT_FALSE(Plan::contested(s, 0.3, 0.0));
    s.addRobot(0.9, 0.2, true);
    EXPECT_FALSE(Plan::contested(s, 0.3, 0.0)) << "a teammate at the ball";
    s.addRobot(3.0, -1.0, false);
    EXPECT_FALSE(Plan::contested(s, 0.3, 0.0)) << "an opponent far off";
    s.addRobot(0.8, -0.3, false);
    EXPECT_TRUE(Plan::contested(s, 0.3, 0.0));
    EXPECT_FALSE(Plan::contested(s, 0.3, 3.0)) << "the same opponent, the ball elsewhere";
}

// Near our own goal the ball goes away from it, out toward the side line the
// ball is nearer, and the line leaves room behind the ball on the field.
TEST(ApproachPlanClearing, ClearsAwayFromOurGoalTowardTheBallsSide) {
    for (double bx : {-5.95, -5.8, -5.5, -5.0, -4.5}) {
        for (double by : {-3.0, -0.5, 0.3, 2.0}) {
            double ux = 0.0, uy = 0.0;
            Plan::clearingLine(bx, by, ux, uy);
            EXPECT_NEAR(std::hypot(ux, uy), 1.0, 1e-9);
            EXPECT_GE(ux, 0.0) << bx << ", " << by << ": never toward our end line";
            EXPECT_GT(uy * by, 0.0) << bx << ", " << by << ": toward the ball's side line";
            EXPECT_LT(ux, 0.9) << bx << ", " << by << ": not straight up the middle";
            EXPECT_GT(bx - 0.5 * ux, -6.0)
                << bx << ", " << by << ": the point behind the ball on the field";
        }
    }
    double ux = 0.0, uy = 0.0;
    Plan::clearingLine(NAN, NAN, ux, uy);
    EXPECT_TRUE(std::isfinite(ux) && std::isfinite(uy));
}

// The goalie stands in the middle of its goal: a shot through it, or wide of
// a post, is no shot; one between the goalie and a post is, on both sides,
// judged from the field position as from the posts seen.
TEST(ApproachPlanShots, OnTargetOnlyBetweenTheGoalieAndAPost) {
    const Plan plan;
    const double farTol = plan.values()[Plan::P_FAR_TOL];
    for (double bx : {3.5, 4.5, 5.2}) {
        for (double by : {-1.0, 0.0, 0.8}) {
            auto at = [&](double goalY) { return std::atan2(goalY - by, 6.0 - bx) * kDeg; };
            EXPECT_FALSE(plan.shotOnTarget(bx, by, at(0.0), farTol))
                << bx << ", " << by << " through the goalie";
            EXPECT_FALSE(plan.shotOnTarget(bx, by, at(1.2), farTol))
                << bx << ", " << by << " wide left";
            EXPECT_FALSE(plan.shotOnTarget(bx, by, at(-1.2), farTol))
                << bx << ", " << by << " wide right";
            EXPECT_TRUE(plan.shotOnTarget(bx, by, at(0.42), farTol)) << bx << ", " << by;
            EXPECT_TRUE(plan.shotOnTarget(bx, by, at(-0.42), farTol)) << bx << ", " << by;
        }
    }
    EXPECT_FALSE(plan.shotOnTarget(4.5, 0.0, NAN, farTol));
    EXPECT_FALSE(plan.shotOnTarget(4.0, 0.0, 180.0, 50.0)) << "toward our own goal";

    // From the posts seen 1.8 m ahead (a 1.4 m goal): the kick goes straight
    // ahead of the ball; post order must not matter.
    for (double shift : {0.0, -0.45, 0.45, 1.0, -1.0}) {
        const bool wanted = std::fabs(shift) > 0.3 && std::fabs(shift) < 0.55;
        const double p1y = 0.7 - shift, p2y = -0.7 - shift;
        EXPECT_EQ(plan.shotOnTargetSeen(0.2, 0.0, 2.0, p1y, 2.0, p2y, farTol), wanted) << shift;
        EXPECT_EQ(plan.shotOnTargetSeen(0.2, 0.0, 2.0, p2y, 2.0, p1y, farTol), wanted)
            << shift << " posts swapped";
    }
    EXPECT_FALSE(plan.shotOnTargetSeen(0.2, 0.0, -2.0, 0.25, -2.0, 1.65, 180.0))
        << "the goal behind the robot";
    EXPECT_FALSE(plan.shotOnTargetSeen(0.2, 0.0, 2.0, 0.5, 2.0, 0.5, farTol))
        << "one post seen twice";
}

// A robot lined up behind the ball, facing the goal, with the ball in the
// kick's window, kicks; walking, it first stops.
TEST(ApproachPlanKick, KicksWhenLinedUpAndStanding) {
    const Plan defaults;
    const double stand = defaults.values()[Plan::P_STAND_AHEAD];
    ASSERT_TRUE(Plan::inKickWindow(stand, 0.0)) << "the walk up ends in the kick's window";
    for (double bx : {-3.0, 0.0, 2.5, 4.6}) {
        for (double by : {-2.0, 0.3, 1.5}) {
            Plan plan;
            Plan::Situation s = linedUp(bx, by, stand);
            EXPECT_EQ(plan.next(s).action, Plan::KICK) << bx << ", " << by;
            s.standing = false;
            s.walkSpeed = 0.3;
            EXPECT_NE(plan.next(s).action, Plan::KICK)
                << bx << ", " << by << " no kick from a walk";
        }
    }
}

// A large turn is made on the spot with the turn skill once the walk is
// slow, and goes on until the target lies nearly ahead; a walk under way, a
// small turn or a turn right beside the ball is made at the walk's crawl.
TEST(ApproachPlanGoTo, TurnsOnTheSpotForALargeTurnUntilNearlyThere) {
    Plan plan;
    Plan::Situation s = standingAt(0.0, 0.0, 0.0, 5.0, 5.0);
    // A target 3 m to the left (90 degrees).
    Plan::Step st = plan.goTo(s, 0.0, 3.0);
    ASSERT_EQ(st.action, Plan::TURN);
    EXPECT_LT(st.degree, -80.0) << "counter-clockwise, by about the bearing";
    s.facing = 70.0;  // 20 degrees to go: still turning
    EXPECT_EQ(plan.goTo(s, 0.0, 3.0).action, Plan::TURN);
    s.facing = 85.0;  // nearly there: walk
    EXPECT_EQ(plan.goTo(s, 0.0, 3.0).action, Plan::WALK);
    s.facing = 70.0;  // and no turn on the spot again for 20 degrees
    EXPECT_NE(plan.goTo(s, 0.0, 3.0).action, Plan::TURN);

    // Near the ball the crawl turns: it keeps the ball in view.
    Plan nearBall;
    Plan::Situation n = standingAt(0.0, 0.0, 0.0, -0.5, 0.3);
    EXPECT_EQ(nearBall.goTo(n, 0.0, 3.0).action, Plan::WALK);

    Plan walking;
    Plan::Situation w = standingAt(0.0, 0.0, 0.0, 5.0, 5.0);
    w.standing = false;
    w.walkSpeed = 0.8;
    EXPECT_EQ(walking.goTo(w, 0.0, 3.0).action, Plan::WALK) << "a fast walk crawls round";
}

// A rough walk: the speed follows the asked one at about a full speed per
// second (0.6 m/s), a turn asked above 15 degrees slows the walk to a fifth
// and turns 35 degrees a second, a milder one turns less; a turn on the
// spot stops the walk and then turns at 70 degrees a second. Followed from
// `s`, the plan must come to a kick within a minute of play; the torso's
// lowest x on the way is handed back.
bool walkToKick(Plan::Situation s, double& lowestX, double& kickFacing) {
    Plan plan;
    const double dt = 0.02;
    double speed = 0.0;
    bool walking = false;
    lowestX = s.x;
    for (int cycle = 0; cycle < 3000; ++cycle) {
        s.walkSpeed = std::fabs(speed);
        s.standing = !walking;
        s.time = cycle * dt;
        const Plan::Step st = plan.next(s);
        double want = 0.0, turn = 0.0;
        if (st.action == Plan::KICK) {
            kickFacing = s.facing;
            return true;
        }
        if (st.action == Plan::SEARCH) return false;
        if (st.action == Plan::WALK) {
            walking = true;
            want = st.speed;
            if (std::fabs(st.degree) > 15.0) {
                want = std::clamp(want, -0.2, 0.2);
                turn = st.degree > 0 ? -35.0 : 35.0;
            } else {
                turn = -1.5 * st.degree;
            }
        }
        speed += std::clamp(want - speed, -dt / 0.9, dt / 0.9);
        if (st.action == Plan::TURN && std::fabs(speed) < 0.02) {
            // The turn skill: the walk stops first, then it turns on the
            // spot at about 70 degrees a second (degree is clockwise).
            speed = 0.0;
            walking = false;
            s.facing -= std::clamp(st.degree, -70.0 * dt, 70.0 * dt);
        }
        if ((st.action == Plan::STOP || st.action == Plan::TURN) && std::fabs(speed) < 0.02) {
            speed = 0.0;
            walking = false;
        }
        if (walking) s.facing += turn * dt;
        s.x += speed * 0.6 * dt * std::cos(s.facing / kDeg);
        s.y += speed * 0.6 * dt * std::sin(s.facing / kDeg);
        lowestX = std::min(lowestX, s.x);
    }
    return false;
}

// Followed from anywhere, the approach comes to a kick; near our own goal
// it never walks behind our end line to line up the clearance.
TEST(ApproachPlanKick, ComesToAKickAndStaysOnTheField) {
    struct Case {
        double x, y, facing, bx, by;
    } cases[] = {
        {-3.0, 0.0, 0.0, 0.0, 0.0},      {2.0, 1.0, 180.0, 0.0, 0.0},
        {0.0, -3.0, 90.0, 1.0, -1.0},    {-3.0, 2.5, 180.0, -5.2, 1.0},
        {-2.0, -3.0, 150.0, -5.0, -1.5}, {-4.0, 0.0, 180.0, -5.6, 0.5},
    };
    for (const Case& c : cases) {
        double lowest = 0.0, facing = 0.0;
        const bool kicked = walkToKick(standingAt(c.x, c.y, c.facing, c.bx, c.by), lowest, facing);
        EXPECT_TRUE(kicked) << "from " << c.x << ", " << c.y << " to the ball at " << c.bx << ", "
                            << c.by;
        EXPECT_GT(lowest, -6.0) << "from " << c.x << ", " << c.y << " to the ball at " << c.bx
                                << ", " << c.by;
        if (kicked && c.bx < -4.5) {
            EXPECT_LT(std::fabs(std::remainder(facing, 360.0)), 90.0)
                << "a clearance goes away from our goal";
        }
    }
}

// Whatever it is told, the plan answers with numbers: a ball or a robot that
// is no number, a ball under the robot, far more robots than it keeps,
// positions far off any field.
TEST(ApproachPlanInput, AlwaysAnswersWithNumbers) {
    const double inf = std::numeric_limits<double>::infinity();
    Plan plan;
    Plan::Situation s = standingAt(0, 0, 0, NAN, 1.0);
    Plan::Step st = plan.next(s);
    EXPECT_EQ(st.action, Plan::SEARCH);
    EXPECT_TRUE(finite(st));

    s = standingAt(1.0, 1.0, 30.0, 1.0, 1.0);  // the ball under the robot
    for (int i = 0; i < 20; ++i) s.addRobot(0.3 + 0.01 * i, 0.0, i % 2 == 0);
    EXPECT_LE(s.robotCount, Plan::Situation::kMaxRobots);
    s.addRobot(NAN, 0.0);
    s.addRobot(inf, 0.0);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(finite(plan.next(s)));
    EXPECT_TRUE(finite(plan.goTo(s, 1.0, 1.0)));
    EXPECT_TRUE(finite(plan.goTo(s, NAN, 2.0)));
    // Posts read absurdly far off (each a number, their middle none).
    s = standingAt(3.0, -0.5, -13.0, 0.0, 4.0);
    s.postsSeen = true;
    s.post1X = s.post2X = 1e308;
    s.post1Y = 7.9;
    s.post2Y = -2.8;
    EXPECT_TRUE(finite(plan.next(s)));
    // The robot and the ball far off any field.
    s = standingAt(1e300, 0.0, 0.0, -1e300, 0.0);
    EXPECT_TRUE(finite(plan.next(s)));
    EXPECT_TRUE(finite(plan.goTo(s, -1e300, 0.0)));

    // Random situations, many of them absurd, each followed for a few cycles.
    std::uint64_t seed = 12345;
    auto rnd = [&seed](double lo, double hi) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return lo + (hi - lo) * static_cast<double>(seed >> 11) / 9007199254740992.0;
    };
    const double odd[] = {NAN, inf, -inf, 1e308, -1e308, 1e-300, 0.0};
    auto value = [&](double lo, double hi) {
        return rnd(0, 1) < 0.1 ? odd[static_cast<int>(rnd(0, 7))] : rnd(lo, hi);
    };
    for (int round = 0; round < 2000; ++round) {
        Plan::Situation r;
        r.x = value(-7, 7);
        r.y = value(-5, 5);
        r.facing = value(-720, 720);
        r.ballX = value(-7, 7);
        r.ballY = value(-5, 5);
        r.ballKnown = rnd(0, 1) < 0.9;
        r.walkSpeed = value(-1, 1);
        r.standing = rnd(0, 1) < 0.5;
        r.postsSeen = rnd(0, 1) < 0.5;
        r.post1X = value(-8, 8);
        r.post1Y = value(-8, 8);
        r.post2X = value(-8, 8);
        r.post2Y = value(-8, 8);
        r.time = value(0, 600);
        const int robots = static_cast<int>(rnd(0, 16));
        for (int i = 0; i < robots; ++i) r.addRobot(value(-2, 2), value(-2, 2), rnd(0, 1) < 0.5);
        for (int cycle = 0; cycle < 3; ++cycle) {
            const Plan::Step a = plan.next(r);
            ASSERT_TRUE(finite(a))
                << "round " << round << ": " << a.phase << " " << a.speed << " " << a.degree;
            ASSERT_LE(std::fabs(a.speed), 1.0) << "round " << round << ": " << a.phase;
            const Plan::Step b = plan.goTo(r, value(-7, 7), value(-5, 5));
            ASSERT_TRUE(finite(b))
                << "round " << round << ": " << b.phase << " " << b.speed << " " << b.degree;
            r.time += 0.02;
        }
    }

    // A sighting that is no number is refused, not placed at some point.
    double x = 5.0, y = 5.0;
    EXPECT_FALSE(Plan::bodyPointOf(NAN, 0, 0, 0, 0, x, y));
    EXPECT_FALSE(Plan::bodyPointOf(1.0, 0, 0, inf, 0, x, y));
}

}  // namespace
