// Cycle tests of the mid-level skills with scripted world states: which way
// each operation steers a target on the left and on the right (read from the
// skill it queues), how turns hand over to walks instead of spinning past,
// the distance bands and fitting of goBehindBall, the goalie's walk back, the
// kick approach from walk to kick and back, ball ownership, the preparation
// gate, and that broken readings never reach the server.
#include "skills/MidLevelSkills.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "skills/BehaviourTestKit.h"
#include "skills/lowLevelSkills/Kick.h"
#include "skills/lowLevelSkills/NaoStandUp.h"

using namespace behaviourtest;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::string::size_type npos = std::string::npos;

MidLevelSkills* mls() { return MidLevelSkills::getUniqueInstance(); }

// A kick whose end the test decides.
class PlayedKick : public Kick {
public:
    void end() { finished = true; }
};

Point pointAt(double distance, double bearingDeg) {
    return Point(distance * std::cos(bearingDeg / kDeg), distance * std::sin(bearingDeg / kDeg), 0);
}

}  // namespace

// ---- Steering -----------------------------------------------------------------

// A walk's degree turns it clockwise (right) when positive, so a target on
// the left must give a negative degree and one on the right a positive one.
TEST(MidLevelSkillsSteering, SightedTargetsTurnTheWalkTowardThemOnEitherSide) {
    freshWorld();
    walkRunning();
    bool reached = false;
    for (double side : {1.0, -1.0}) {
        SCOPED_TRACE(side > 0 ? "target on the left" : "target on the right");

        seeBall(3, 30 * side);
        Request r = ask([&] { return mls()->goBehindBall(reached, 20); });
        EXPECT_TRUE(r.running);
        // The point behind the ball lies further out than the ball itself.
        EXPECT_LT(r.degree * side, -30.0);
        EXPECT_FLOAT_EQ(r.speed, 1.0f);

        seeBall(0.5, 30 * side);
        r = ask([] { return mls()->goTowardGoal(); });
        EXPECT_DOUBLE_EQ(r.degree, -15 * side);
        EXPECT_FLOAT_EQ(r.speed, 1.0f);

        seeBall(1.0, 30 * side);
        r = ask([] { return mls()->kickTowardGoal(); });
        EXPECT_DOUBLE_EQ(r.degree, -30 * side);
        EXPECT_NEAR(r.speed, 0.83 / 0.75 + 0.01, 1e-6);

        ourGoalAt(3, side);
        r = ask([&] { return mls()->goToGoal(reached, 3); });
        EXPECT_NEAR(r.degree, -std::atan2(1, 3) * kDeg * side, 1e-6);
        EXPECT_FLOAT_EQ(r.speed, 1.0f);
    }
}

TEST(MidLevelSkillsSteering, FieldPointsTurnTheWalkTowardThemOnEitherSide) {
    freshWorld();
    walkRunning();
    const double beside = std::atan2(1, 2) * kDeg;  // 26.57 degrees off the heading
    for (double side : {1.0, -1.0}) {
        SCOPED_TRACE(side > 0 ? "target on the left" : "target on the right");
        standAt(0, 0, 0);
        Request r = ask([&] { return mls()->goToward(Point(2, side, 0)); });
        EXPECT_TRUE(r.running);
        EXPECT_NEAR(r.degree, -beside * side, 1e-6);

        // Facing the left touch line (yaw -90), -x is the robot's left.
        standAt(0, 0, -90);
        r = ask([&] { return mls()->goToward(Point(-side, 2, 0)); });
        EXPECT_NEAR(r.degree, -beside * side, 1e-6);

        standAt(0, 0, 0);
        r = ask([&] { return mls()->goToPoint(Point(2, side, 0), 0, 10); });
        EXPECT_NEAR(r.degree, -beside * side, 1e-6);

        // Fitting within 0.1 m of the point: a tight curve to the point's side.
        r = ask([&] { return mls()->goToPoint(Point(0.05, 0.05 * side, 0), 30, 10); });
        EXPECT_NE(r.printed.find("Fitting..."), npos);
        EXPECT_DOUBLE_EQ(r.degree, -70 * side);
    }
}

// A turn gets the heading to reach in the yaw's frame, and the sign of that
// heading is the way it turns: positive clockwise, negative counter-clockwise.
TEST(MidLevelSkillsSteering, TargetsBehindAreTurnedToTheShortWay) {
    freshWorld();
    TFSWalk* walk = walkRunning();
    const double behind = 180 - std::atan2(1, 2) * kDeg;  // 153.43
    for (double side : {1.0, -1.0}) {
        SCOPED_TRACE(side > 0 ? "target on the left" : "target on the right");
        standAt(0, 0, 0);
        Request r = ask([&] { return mls()->goToward(Point(-2, side, 0)); });
        ASSERT_EQ(r.id, SKILL_TFS_TURN);
        EXPECT_EQ(r.rot, side > 0 ? Clock_Wise : Counter_Clock_Wise);
        EXPECT_NEAR(r.heading, -behind * side, 1e-6);
    }
    // The walk is asked to stop, straight, so that the turn can follow it;
    // should the target come round to the front before it has stopped, it
    // walks on forward.
    EXPECT_FLOAT_EQ(walk->getspeed(), 0.0f);
    EXPECT_DOUBLE_EQ(walk->getDegree(), 0.0);
    Request ahead = ask([] { return mls()->goToward(Point(2, 0.5, 0)); });
    EXPECT_TRUE(ahead.running);
    EXPECT_FLOAT_EQ(ahead.speed, 1.0f);

    // Across the +-180 seam: facing yaw 100 with the target 120 degrees
    // further clockwise, the heading is 220 (clockwise), not -140, which
    // would turn 240 degrees the other way round.
    standAt(0, 0, 100);
    Request r = ask([] { return mls()->goToward(pointAt(2, 140)); });
    EXPECT_EQ(r.rot, Counter_Clock_Wise);
    EXPECT_NEAR(r.heading, 220, 1e-6);
    standAt(0, 0, -100);
    r = ask([] { return mls()->goToward(pointAt(2, -140)); });
    EXPECT_EQ(r.rot, Clock_Wise);
    EXPECT_NEAR(r.heading, -220, 1e-6);
}

// Were the relative angle (50) handed over as the heading, a turn at yaw 50
// would count as arrived and stand still for good, 50 degrees short.
TEST(MidLevelSkillsSteering, ARetargetedTurnKeepsTurningWhenTheAngleEqualsTheYaw) {
    freshWorld();
    testing::internal::CaptureStdout();
    sm()->putSkillInQ(new TurnSkill(0));
    testing::internal::GetCapturedStdout();
    standAt(0, 0, 50);
    Request r = ask([] { return mls()->goToward(pointAt(2, -100)); });
    EXPECT_TRUE(r.running);
    EXPECT_NEAR(r.heading, 100, 1e-6);

    cc()->reset();
    SkillBase* turn = runManager();
    ASSERT_NE(turn, nullptr);
    EXPECT_TRUE(turn->isFinished()) << "a turn that has arrived reports unfinished";
    EXPECT_EQ(countOf(cc()->getPreparedCommand(), "(he1 "), 0) << "legs turning, not standing";
}

// ---- Turning ------------------------------------------------------------------

TEST(MidLevelSkillsTurning, TurnsSpinPastTheirHeadingSoTheCallersLetGoBeforeIt) {
    freshWorld();
    // On its own a turn holds still only within 0.1 degree of its heading;
    // at 1.1 degrees a cycle it steps over that window and turns on.
    {
        TurnSkill turn(30);
        int heldStill = 0;
        for (int i = 0; i <= 40; ++i) {
            standAt(0, 0, 1.1 * i);
            cc()->reset();
            turn.run();
            if (!turn.isFinished()) ++heldStill;
        }
        EXPECT_EQ(heldStill, 0);
    }

    // goToward turns toward a point behind the robot and hands over to a
    // walk while still short of the point's heading: no overshoot.
    const Point target(-2, -1, 0);
    const double facing = 180 - std::atan2(1, 2) * kDeg;  // 153.43, clockwise
    double yaw = 0;
    int turning = 0;
    bool walkingAgain = false;
    for (int cycle = 0; cycle < 400 && !walkingAgain; ++cycle) {
        standAt(0, 0, yaw);
        SkillBase* running = runManager();
        walkingAgain = turning > 0 && dynamic_cast<TFSWalk*>(running) != nullptr;
        ask([&] { return mls()->goToward(target); });
        // What the turn did this cycle shows in the next perception.
        if (auto* turn = dynamic_cast<TurnSkill*>(running); turn != nullptr && turn->isFinished()) {
            yaw += turn->getRotDir() == Counter_Clock_Wise ? 1.1 : -1.1;
            ++turning;
        }
    }
    ASSERT_TRUE(walkingAgain);
    EXPECT_GT(turning, 100);
    EXPECT_GT(facing - yaw, 0.0) << "stopped before the heading, not past it";
    EXPECT_LT(facing - yaw, 10.0);
}

TEST(MidLevelSkillsTurning, GoToPointTurnsOnTheSpotAndStopsWithinItsTolerance) {
    freshWorld();
    const Point target(0, 0, 0);
    double yaw = 0;
    int idle = 0;
    for (int cycle = 0; cycle < 200 && idle < 3; ++cycle) {
        standAt(0.02, 0, yaw);
        SkillBase* running = runManager();
        Request r = ask([&] { return mls()->goToPoint(target, 40, 10); });
        if (r.none && running == nullptr) ++idle;
        if (auto* turn = dynamic_cast<TurnSkill*>(running); turn != nullptr && turn->isFinished()) {
            EXPECT_EQ(turn->getRotDir(), Counter_Clock_Wise);
            yaw += 1.1;
        }
    }
    EXPECT_EQ(idle, 3) << "aligned, nothing left running";
    EXPECT_GT(yaw, 30.0);
    EXPECT_LT(yaw, 40.0);
}

TEST(MidLevelSkillsTurning, GoToPointCurvesAtFirstAndTurnsOnlyAfterTwoSeconds) {
    freshWorld();
    walkRunning();
    standAt(0.02, 0, 0);
    Request r = ask([] { return mls()->goToPoint(Point(0, 0, 0), 30, 10); });
    EXPECT_EQ(r.id, SKILL_TFS_WALK);
    EXPECT_DOUBLE_EQ(std::fabs(r.degree), 70);

    wm()->setTime(kNow + 1.9f);
    r = ask([] { return mls()->goToPoint(Point(0, 0, 0), 100, 10); });
    EXPECT_EQ(r.id, SKILL_TFS_WALK) << "a large turn waits for two seconds of curving";
    wm()->setTime(kNow + 2.0f);
    r = ask([] { return mls()->goToPoint(Point(0, 0, 0), 100, 10); });
    ASSERT_EQ(r.id, SKILL_TFS_TURN);
    EXPECT_NEAR(r.heading, 100, 1e-6);
    EXPECT_EQ(r.rot, Counter_Clock_Wise);
}

// ---- Getting behind the ball --------------------------------------------------

TEST(MidLevelSkillsGoBehindBall, DistanceBandsFittingAndBackwardWalk) {
    freshWorld();
    walkRunning();
    bool reached = false;
    auto behind = [&](double ro, double bearing) {
        seeBall(ro, bearing);
        return ask([&] { return mls()->goBehindBall(reached, 20); });
    };
    // The opponent goal is 10 m ahead: a ball x metres ahead puts the point
    // behind it at x - 0.7.
    Request r = behind(1.2, 0);  // exactly 0.5: still far
    EXPECT_FLOAT_EQ(r.speed, 1.0f);
    EXPECT_NE(r.printed.find("in Far to the point "), npos);
    EXPECT_EQ(r.printed.find("in near the point"), npos);
    r = behind(1.0, 0);
    EXPECT_FLOAT_EQ(r.speed, 0.8f);
    EXPECT_NE(r.printed.find("in near the point"), npos);
    r = behind(0.8, 0);  // a hair above 0.1
    EXPECT_FLOAT_EQ(r.speed, 0.8f);
    EXPECT_EQ(r.printed.find("Fitting..."), npos);

    // Fitting with the ball in line keeps the starting speed; the next cycle
    // finds the robot in place.
    r = behind(0.79, 0);
    EXPECT_NE(r.printed.find("Fitting..."), npos);
    EXPECT_FLOAT_EQ(r.speed, 1.0f);
    EXPECT_FALSE(reached);
    r = behind(0.79, 0);
    EXPECT_TRUE(reached);
    EXPECT_NE(r.printed.find("behinde is finished"), npos);

    // Ball and goal 25 degrees to the left, 20 allowed: creep and face the ball.
    oppGoalAt(10 * std::cos(25 / kDeg), 10 * std::sin(25 / kDeg));
    r = behind(0.79, 25);
    EXPECT_FALSE(reached);
    EXPECT_FLOAT_EQ(r.speed, 0.1f);
    EXPECT_NEAR(r.degree, -25, 1e-6);

    // The point behind the ball lies behind the robot: walk backward.
    oppGoalAt(10, 0);
    r = behind(2, 180);
    EXPECT_NE(r.printed.find("walk BackWard"), npos);
    EXPECT_FLOAT_EQ(r.speed, -1.0f);
    EXPECT_NEAR(r.degree, 0, 1e-6);
}

// ---- The goalie's walk back ---------------------------------------------------

TEST(MidLevelSkillsGoToGoal, WalksBackwardToAGoalBehindAndEndsFacingTheField) {
    freshWorld();
    walkRunning();
    bool reached = false;
    // Goal 3 m behind, half a metre to the left: back up, turning clockwise
    // so that the back swings toward it.
    ourGoalAt(-3, 0.5);
    Request r = ask([&] { return mls()->goToGoal(reached, 3); });
    EXPECT_FLOAT_EQ(r.speed, -1.0f);
    EXPECT_NEAR(r.degree, std::atan2(0.5, 3) * kDeg, 1e-6);
    EXPECT_EQ(countOf(r.command, "(he1 "), 1) << "one head command per cycle";
    EXPECT_NE(r.printed.find("OOOOOOOOOOOOOOOOOOOO Running skill is running!"), npos);

    // At the goal with the opponent goal 2.6 degrees to the left.
    ourGoalAt(0.05, 0);
    oppGoalAt(11, 0.5);
    r = ask([&] { return mls()->goToGoal(reached, 3); });
    EXPECT_FALSE(reached);
    EXPECT_NE(r.printed.find("Fitting..."), npos);
    EXPECT_NEAR(r.degree, -std::atan2(0.5, 11) * kDeg, 1e-6);
    EXPECT_EQ(countOf(r.command, "(he1 "), 1);
    EXPECT_NE(r.printed.find("NNNNNNNNNNNNNNNNNNNN Updater for opp is running!"), npos);
    r = ask([&] { return mls()->goToGoal(reached, 3); });
    EXPECT_TRUE(reached);
}

// ---- Kicking -------------------------------------------------------------------

TEST(MidLevelSkillsKick, ApproachStopsStraightKicksAndApproachesAgainAfterTheKick) {
    freshWorld();
    walkRunning();
    seeBall(1.0, 30);
    for (int i = 0; i < 10; ++i) {
        runManager();
        ask([] { return mls()->kickTowardGoal(); });
    }
    seeBall(0.19, 30);  // 0.02 m beyond the legs' reach: stop here
    Request r = ask([] { return mls()->kickTowardGoal(); });
    EXPECT_NE(r.printed.find("behinde is finished"), npos);
    EXPECT_DOUBLE_EQ(r.degree, -30) << "still curving when the stop starts";

    // The walk must come to rest, which a sharp curve would prevent.
    SkillBase* kick = nullptr;
    for (int i = 0; i < 100 && kick == nullptr; ++i) {
        runManager();
        testing::internal::CaptureStdout();
        SkillBase* s = mls()->kickTowardGoal();
        testing::internal::GetCapturedStdout();
        if (s != nullptr && s->getSkillID() == SKILL_NAO_KICK) {
            kick = s;
        } else {
            sm()->putSkillInQ(s);
        }
    }
    ASSERT_NE(kick, nullptr) << "the walk never stopped, so the kick never came";
    delete kick;

    // The kick runs (a stand-in whose end the test chooses).
    auto* played = new PlayedKick();
    testing::internal::CaptureStdout();
    sm()->putSkillInQ(played);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(runManager(), played);
    r = ask([] { return mls()->kickTowardGoal(); });
    EXPECT_TRUE(r.running);
    EXPECT_NE(r.printed.find("kick in Q"), npos);

    // Once it has played out, a ball a metre away is approached again
    // rather than kicked at once.
    played->end();
    seeBall(1.0, 30);
    r = ask([] { return mls()->kickTowardGoal(); });
    EXPECT_EQ(r.id, SKILL_TFS_WALK);
    EXPECT_NE(r.printed.find("kick is over"), npos);
    EXPECT_DOUBLE_EQ(r.degree, -30);
    r = ask([] { return mls()->kickTowardGoal(); });
    EXPECT_EQ(r.id, SKILL_TFS_WALK);
    EXPECT_EQ(r.printed.find("kkkkkkicking"), npos);
}

TEST(MidLevelSkillsKick, AFallDuringTheApproachStartsItOver) {
    freshWorld();
    walkRunning();
    seeBall(0.19, 0);
    Request r = ask([] { return mls()->kickTowardGoal(); });
    ASSERT_NE(r.printed.find("behinde is finished"), npos);

    testing::internal::CaptureStdout();
    sm()->putSkillInQ(new NaoStandUp());
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(runManager()->getSkillID(), SKILL_NAO_STANDUP);

    seeBall(1.0, 0);
    r = ask([] { return mls()->kickTowardGoal(); });
    EXPECT_NE(r.printed.find("kick is over"), npos);
    EXPECT_EQ(r.printed.find("stopping walk"), npos);
    r = ask([] { return mls()->kickTowardGoal(); });
    EXPECT_EQ(r.id, SKILL_TFS_WALK) << "no kick at a ball a metre away";
}

TEST(MidLevelSkillsKick, HeadIsHeldLevelAndSlightlyDown) {
    freshWorld();
    senseJoint(DOF_HEAD_PAN, 9);
    senseJoint(DOF_HEAD_TILT, -30.05);
    seeBall(1.0, 0);
    Request r = ask([] { return mls()->kickTowardGoal(); });
    // The error closes within one cycle: e / (0.02 * 180).
    EXPECT_NE(r.command.find("(he1 -2.500000)"), npos) << r.command;
    EXPECT_NE(r.command.find("(he2 0.000000)"), npos) << "within 0.1 degree: still";
    EXPECT_NE(r.printed.find("dof_head_tilt= -30.05\t\tdof_head_pan=9"), npos);
}

// ---- Ball ownership -----------------------------------------------------------

TEST(MidLevelSkillsAttack, OwnershipComesFromGettingBehindTheBallAndEndsWithIt) {
    freshWorld();
    walkRunning();
    auto attack = [] { return ask([] { return mls()->attackBallOwner(); }); };

    seeBall(2, 0);
    Request r = attack();
    EXPECT_NE(r.printed.find("nnnnnnnnn not Owner rrrrrrrrrrrrrrr"), npos);

    // Near, ball and goal 12 degrees off: the near tolerance (10) is not met.
    oppGoalAt(10 * std::cos(12 / kDeg), 10 * std::sin(12 / kDeg));
    seeBall(0.79, 12);
    attack();
    r = attack();
    EXPECT_NE(r.printed.find("nnnneeeeear near not Owner rrrrrrrrrrrrr"), npos);
    EXPECT_EQ(r.printed.find("behinde is finished"), npos);

    // In line: the robot, still fitting, is in place at once.
    oppGoalAt(10, 0);
    seeBall(0.79, 0);
    r = attack();
    EXPECT_NE(r.printed.find("behinde is finished"), npos);

    // Owner: a ball exactly 0.8 away is still owned, and dribbled.
    seeBall(0.8, 0);
    r = attack();
    EXPECT_NE(r.printed.find("0000000000 Owner 0000000000000"), npos);
    EXPECT_DOUBLE_EQ(r.degree, 0);
    seeBall(0.8, 41);
    r = attack();
    EXPECT_DOUBLE_EQ(r.degree, -20.5) << "dribbles this cycle";
    seeBall(0.8, 0);
    r = attack();
    EXPECT_NE(r.printed.find("nnnneeeeear"), npos) << "a ball 41 degrees off was lost";
}

// ---- Preparation gate ---------------------------------------------------------

TEST(MidLevelSkillsPreparation, ReadyOnlyInTheStraightPostureWithArmsDown) {
    freshWorld();
    sense(kPrepared);
    cc()->reset();
    EXPECT_TRUE(mls()->readyForRunningSkills());

    sense(kStanding);  // bent knees
    cc()->reset();
    EXPECT_FALSE(mls()->readyForRunningSkills());
    // The left knee at -29 is driven toward 0: 29 / 18 + 0.05.
    EXPECT_NE(std::string(cc()->getPreparedCommand()).find("(lle4 1.661111)"), npos);
}

// ---- Ball geometry ------------------------------------------------------------

TEST(MidLevelSkillsBallGeometry, ShootingAndBackwardWalkingTests) {
    freshWorld();
    standAt(0, 0, 0);
    auto ballAt = [](double ro, double bearing) {
        wm()->setGlobalPosOfBall(pointAt(ro, bearing));
        seeBall(ro, bearing);
    };
    ballAt(2.1, 0);
    EXPECT_TRUE(mls()->canShootBall());
    ballAt(2.3, 0);
    EXPECT_FALSE(mls()->canShootBall()) << "too far";
    ballAt(1.0, 20);  // 0.34 m off the line
    EXPECT_TRUE(mls()->canShootBall());
    ballAt(1.0, 40);  // 0.64 m off the line
    EXPECT_FALSE(mls()->canShootBall());

    ballAt(3, 90);
    EXPECT_TRUE(mls()->isBWBetter()) << "beside";
    ballAt(5, 45);
    EXPECT_FALSE(mls()->isBWBetter());
    ballAt(1.5, 45);
    EXPECT_TRUE(mls()->isBWBetter()) << "near";
    ballAt(10, 5);
    EXPECT_TRUE(mls()->isBWBetter()) << "far, nearly in line";
}

// ---- Going to a kick ----------------------------------------------------------

TEST(MidLevelSkillsReadyToKick, ReadyInLineDetourAroundTheBallOtherwiseToTheKickingPoint) {
    freshWorld();
    walkRunning();
    const Point goal(6, 0, 0);
    wm()->setGlobalPosOfBall(Point(0, 0, 0.04));

    // Behind the ball, facing it and the goal: ready, and kickToTarget walks
    // on into the ball.
    standAt(-0.5, 0, 0);
    seeBall(0.5, 0);
    Request r = ask([&] { return mls()->getReadyToKick(goal, 10); });
    EXPECT_TRUE(r.none);
    r = ask([&] { return mls()->kickToTarget(goal, 10); });
    EXPECT_EQ(r.id, SKILL_TFS_WALK);
    EXPECT_DOUBLE_EQ(r.degree, 0);

    // Between ball and goal, facing the ball: pass it on the side nearer to
    // the kicking point, here (-0.06, 0.6), to the robot's right.
    standAt(1, 0.1, 180);
    seeBall(1.0, 0);
    r = ask([&] { return mls()->getReadyToKick(goal, 10); });
    EXPECT_NE(r.printed.find("ball is in: "), npos);
    EXPECT_EQ(r.id, SKILL_TFS_WALK);
    EXPECT_GT(r.degree, 15.0);

    // Off to the side behind the ball: straight for the kicking point
    // (-0.3, 0), which lies ahead-right of a robot facing the goal.
    standAt(-1, 1, 0);
    seeBall(1.4, -45);
    r = ask([&] { return mls()->getReadyToKick(goal, 10); });
    EXPECT_NE(r.printed.find("Go Toward..."), npos);
    EXPECT_NEAR(r.degree, std::atan2(1, 0.7) * kDeg, 1e-6);
}

// ---- Broken readings ----------------------------------------------------------

TEST(MidLevelSkillsRobustness, ReadingsThatAreNoNumbersNeverReachTheServer) {
    freshWorld();
    walkRunning();
    bool reached = false;
    seeBall(2, kNaN);
    Request r = ask([&] { return mls()->goBehindBall(reached, 20); });
    EXPECT_NE(r.printed.find("=== this is the bug ==="), npos);
    EXPECT_DOUBLE_EQ(r.degree, 0);

    seeBall(kNaN, kNaN);
    ourGoalAt(kNaN, kNaN);
    oppGoalAt(kNaN, 0);
    wm()->setGlobalPosOfBall(Point(kNaN, kNaN, 0));
    standAt(kNaN, kNaN, kNaN);
    senseJoint(DOF_HEAD_PAN, kNaN);
    senseJoint(DOF_HEAD_TILT, kNaN);
    const Point nowhere(kNaN, 0, 0);
    const std::function<SkillBase*()> behaviours[] = {
        [] { return mls()->attackBallOwner(); },
        [&] { return mls()->goBehindBall(reached, 20); },
        [] { return mls()->goTowardGoal(); },
        [&] { return mls()->goToGoal(reached, 3); },
        [] { return mls()->kickTowardGoal(); },
        [] { return mls()->clearBall(); },
        [&] { return mls()->goToward(nowhere); },
        [&] { return mls()->goToPoint(nowhere, kNaN, 5); },
        [&] { return mls()->getReadyToKick(nowhere, 10); },
        [&] { return mls()->kickToTarget(Point(6, 0, 0), 10); },
        [] { return mls()->blockOpp(); },
    };
    for (int round = 0; round < 2; ++round) {
        int i = 0;
        for (const auto& behaviour : behaviours) {
            SCOPED_TRACE(i++);
            runManager();
            const std::string ran = cc()->getPreparedCommand();
            EXPECT_FALSE(hasNonFinite(ran)) << ran;
            r = ask(behaviour);
            EXPECT_FALSE(hasNonFinite(r.command)) << r.command;
            if (r.id == SKILL_TFS_WALK) {
                EXPECT_TRUE(std::isfinite(r.degree));
                EXPECT_TRUE(std::isfinite(r.speed));
            }
            if (r.id == SKILL_TFS_TURN) {
                EXPECT_TRUE(std::isfinite(r.heading));
            }
        }
    }
    EXPECT_FALSE(mls()->canShootBall());
}
