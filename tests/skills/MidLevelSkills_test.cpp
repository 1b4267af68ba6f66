// Cycle tests of the mid-level skills with scripted world states: which way
// each operation steers a target on the left and on the right (read from the
// skill it queues), turns that hand over before spinning past, the distance
// bands of goBehindBall, the goalie's walk back, the kick approach from walk
// to kick and back, the preparation gate, broken readings.
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

MidLevelSkills* mls() { return MidLevelSkills::getUniqueInstance(); }

Point pointAt(double distance, double bearingDeg) {
    return Point(distance * std::cos(bearingDeg / kDeg), distance * std::sin(bearingDeg / kDeg), 0);
}

// A kick whose end the test decides.
class PlayedKick : public Kick {
public:
    void end() { finished = true; }
};

}  // namespace

// A walk's degree turns it clockwise when positive: a target on the left
// needs a negative degree, one on the right a positive one.
TEST(MidLevelSkillsSteering, WalksTurnTowardTargetsOnEitherSide) {
    freshWorld();
    install(new TFSWalk());
    bool reached = false;
    const double beside = std::atan2(1, 2) * kDeg;  // 26.57
    for (double side : {1.0, -1.0}) {
        SCOPED_TRACE(side > 0 ? "target on the left" : "target on the right");
        seeBall(3, 30 * side);
        Request r = ask([&] { return mls()->goBehindBall(reached, 20); });
        EXPECT_LT(r.degree * side, -30.0);  // the point behind lies further out
        seeBall(0.5, 30 * side);
        EXPECT_DOUBLE_EQ(ask([] { return mls()->goTowardGoal(); }).degree, -15 * side);
        seeBall(1.0, 30 * side);
        EXPECT_DOUBLE_EQ(ask([] { return mls()->kickTowardGoal(); }).degree, -30 * side);
        ourGoalAt(3, side);
        r = ask([&] { return mls()->goToGoal(reached, 3); });
        EXPECT_NEAR(r.degree, -std::atan2(1, 3) * kDeg * side, 1e-6);

        standAt(0, 0, 0);
        EXPECT_NEAR(ask([&] { return mls()->goToward(Point(2, side, 0)); }).degree, -beside * side,
                    1e-6);
        standAt(0, 0, -90);  // facing +y: -x is on the left
        EXPECT_NEAR(ask([&] { return mls()->goToward(Point(-side, 2, 0)); }).degree, -beside * side,
                    1e-6);
        standAt(0, 0, 0);
        r = ask([&] { return mls()->goToPoint(Point(0.05, 0.05 * side, 0), 30, 10); });
        EXPECT_TRUE(has(r.printed, "Fitting..."));
        EXPECT_DOUBLE_EQ(r.degree, -70 * side);
    }
}

// A turn gets the heading to reach in the yaw's frame; its sign is the way
// it turns (positive clockwise).
TEST(MidLevelSkillsSteering, TurnsGetTheHeadingWhoseSignTurnsTheShortWay) {
    freshWorld();
    auto* walk = static_cast<TFSWalk*>(install(new TFSWalk()));
    for (double side : {1.0, -1.0}) {
        Request r = ask([&] { return mls()->goToward(Point(-2, side, 0)); });
        ASSERT_EQ(r.id, SKILL_TFS_TURN);
        EXPECT_EQ(r.rot, side > 0 ? Clock_Wise : Counter_Clock_Wise);
        EXPECT_NEAR(r.heading, -(180 - std::atan2(1, 2) * kDeg) * side, 1e-6);
    }
    // The walk stops, straight, so that the turn can follow; should the
    // target come round to the front first, it walks on forward.
    EXPECT_FLOAT_EQ(walk->getspeed(), 0.0f);
    EXPECT_DOUBLE_EQ(walk->getDegree(), 0.0);
    EXPECT_FLOAT_EQ(ask([] { return mls()->goToward(Point(2, 0.5, 0)); }).speed, 1.0f);

    // Across the +-180 seam: from yaw 100, 120 degrees clockwise is 220, not
    // -140, which would turn 240 degrees the other way.
    standAt(0, 0, 100);
    Request r = ask([] { return mls()->goToward(pointAt(2, 140)); });
    EXPECT_EQ(r.rot, Counter_Clock_Wise);
    EXPECT_NEAR(r.heading, 220, 1e-6);

    // Handed the relative angle (50) as its heading, a turn at yaw 50 would
    // count as arrived and stand still for good.
    runManager();  // the stopped walk retires, an aligner runs
    install(new TurnSkill(0));
    runManager();
    standAt(0, 0, 50);
    r = ask([] { return mls()->goToward(pointAt(2, -100)); });
    EXPECT_TRUE(r.running);
    EXPECT_NEAR(r.heading, 100, 1e-6);
    EXPECT_TRUE(runManager()->isFinished()) << "an arrived turn reports unfinished";
    EXPECT_FALSE(has(cc()->getPreparedCommand(), "(he1 ")) << "legs turning, not standing";
}

TEST(MidLevelSkillsTurning, TurnsSpinPastTheirHeadingSoGoTowardLetsGoBeforeIt) {
    freshWorld();
    // Alone, a turn holds still only within 0.1 degree of its heading; at
    // 1.1 degrees a cycle it steps over that window and turns on.
    TurnSkill alone(30);
    for (int i = 0; i <= 40; ++i) {
        standAt(0, 0, 1.1 * i);
        alone.run();
        EXPECT_TRUE(alone.isFinished()) << "held still at yaw " << 1.1 * i;
    }

    // A point behind-right; goToward hands over to a walk short of facing it.
    const double facing = 180 - std::atan2(1, 2) * kDeg;  // 153.43 clockwise
    double yaw = 0;
    int turning = 0;
    bool walkingAgain = false;
    for (int cycle = 0; cycle < 400 && !walkingAgain; ++cycle) {
        standAt(0, 0, yaw);
        SkillBase* running = runManager();
        walkingAgain = turning > 0 && dynamic_cast<TFSWalk*>(running) != nullptr;
        ask([] { return mls()->goToward(Point(-2, -1, 0)); });
        if (auto* turn = dynamic_cast<TurnSkill*>(running); turn && turn->isFinished()) {
            yaw += turn->getRotDir() == Counter_Clock_Wise ? 1.1 : -1.1;
            ++turning;
        }
    }
    ASSERT_TRUE(walkingAgain);
    EXPECT_GT(turning, 100);
    EXPECT_GT(facing - yaw, 0.0) << "not past the heading";
    EXPECT_LT(facing - yaw, 10.0);
}

TEST(MidLevelSkillsGoBehindBall, DistanceBandsFittingAndBackwardWalk) {
    freshWorld();
    install(new TFSWalk());
    bool reached = false;
    auto behind = [&](double ro, double bearing) {
        seeBall(ro, bearing);
        return ask([&] { return mls()->goBehindBall(reached, 20); });
    };
    // With the goal 10 m ahead, a ball x ahead puts the point at x - 0.7.
    Request r = behind(1.2, 0);  // exactly 0.5: still far
    EXPECT_FLOAT_EQ(r.speed, 1.0f);
    EXPECT_FALSE(has(r.printed, "in near the point"));
    EXPECT_FLOAT_EQ(behind(1.0, 0).speed, 0.8f);
    r = behind(0.79, 0);  // fitting, ball in line: starting speed
    EXPECT_TRUE(has(r.printed, "Fitting..."));
    EXPECT_FLOAT_EQ(r.speed, 1.0f);
    EXPECT_FALSE(reached);
    EXPECT_TRUE(has(behind(0.79, 0).printed, "behinde is finished"));
    EXPECT_TRUE(reached);

    r = behind(2, 180);  // the point lies behind the robot
    EXPECT_FLOAT_EQ(r.speed, -1.0f);
    EXPECT_NEAR(r.degree, 0, 1e-6);
}

TEST(MidLevelSkillsGoToGoal, WalksBackwardToAGoalBehindAndEndsFacingTheField) {
    freshWorld();
    install(new TFSWalk());
    bool reached = false;
    // Goal 3 m behind, 0.5 m left: back up, the back swinging toward it.
    ourGoalAt(-3, 0.5);
    Request r = ask([&] { return mls()->goToGoal(reached, 3); });
    EXPECT_FLOAT_EQ(r.speed, -1.0f);
    EXPECT_NEAR(r.degree, std::atan2(0.5, 3) * kDeg, 1e-6);
    EXPECT_EQ(countOf(r.command, "(he1 "), 1) << "one head command per cycle";

    ourGoalAt(0.05, 0);
    oppGoalAt(11, 0.5);  // 2.6 degrees left
    r = ask([&] { return mls()->goToGoal(reached, 3); });
    EXPECT_NEAR(r.degree, -std::atan2(0.5, 11) * kDeg, 1e-6);
    EXPECT_EQ(countOf(r.command, "(he1 "), 1);
    EXPECT_TRUE(has(r.printed, "NNNNNNNNNNNNNNNNNNNN Updater for opp is running!"));
    ask([&] { return mls()->goToGoal(reached, 3); });
    EXPECT_TRUE(reached);
}

TEST(MidLevelSkillsKick, ApproachStopsStraightKicksAndApproachesAgainAfterTheKick) {
    freshWorld();
    install(new TFSWalk());
    seeBall(1.0, 30);
    for (int i = 0; i < 10; ++i) {
        runManager();
        ask([] { return mls()->kickTowardGoal(); });
    }
    seeBall(0.19, 30);  // within reach while still curving at degree -30
    ASSERT_TRUE(has(ask([] { return mls()->kickTowardGoal(); }).printed, "behinde is finished"));

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
            install(s);
        }
    }
    ASSERT_NE(kick, nullptr) << "the walk never stopped";
    delete kick;

    auto* played = static_cast<PlayedKick*>(install(new PlayedKick()));
    ASSERT_EQ(runManager(), played);
    EXPECT_TRUE(ask([] { return mls()->kickTowardGoal(); }).running);
    // Once it has played out, a ball a metre away is approached again.
    played->end();
    seeBall(1.0, 30);
    Request r = ask([] { return mls()->kickTowardGoal(); });
    EXPECT_TRUE(has(r.printed, "kick is over"));
    EXPECT_EQ(r.id, SKILL_TFS_WALK);
    EXPECT_EQ(ask([] { return mls()->kickTowardGoal(); }).id, SKILL_TFS_WALK);
}

TEST(MidLevelSkillsKick, AFallDuringTheApproachStartsItOverAndTheHeadIsHeld) {
    freshWorld();
    install(new TFSWalk());
    seeBall(0.19, 0);
    ask([] { return mls()->kickTowardGoal(); });  // in reach: stopping
    install(new NaoStandUp());
    ASSERT_EQ(runManager()->getSkillID(), SKILL_NAO_STANDUP);

    seeBall(1.0, 0);
    senseJoint(DOF_HEAD_PAN, 9);
    senseJoint(DOF_HEAD_TILT, -30.05);
    Request r = ask([] { return mls()->kickTowardGoal(); });
    EXPECT_FALSE(has(r.printed, "stopping walk"));
    EXPECT_EQ(ask([] { return mls()->kickTowardGoal(); }).id, SKILL_TFS_WALK);
    // Pan back to 0 within a cycle, -9 / (0.02 * 180); tilt within 0.1: still.
    EXPECT_TRUE(has(r.command, "(he1 -2.500000)(he2 0.000000)")) << r.command;
}

TEST(MidLevelSkillsPreparation, ReadyOnlyWithStraightLegs) {
    freshWorld();
    senseStanding(0);  // straight knees, ankles and hips still bent
    EXPECT_FALSE(mls()->readyForRunningSkills());
    for (int id : {DOF_LEG_RX, DOF_ANKLE_RX, DOF_LEG_LX, DOF_ANKLE_LX}) senseJoint(id, 0);
    cc()->reset();
    EXPECT_TRUE(mls()->readyForRunningSkills());
    senseJoint(DOF_KNEE_L, -29);
    cc()->reset();
    EXPECT_FALSE(mls()->readyForRunningSkills());
    EXPECT_TRUE(has(cc()->getPreparedCommand(), "(lle4 1.661111)"));  // 29 / 18 + 0.05
}

TEST(MidLevelSkillsRobustness, ReadingsThatAreNoNumbersNeverReachTheServer) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    freshWorld();
    install(new TFSWalk());
    bool reached = false;
    seeBall(2, nan);
    Request r = ask([&] { return mls()->goBehindBall(reached, 20); });
    EXPECT_TRUE(has(r.printed, "=== this is the bug ==="));
    EXPECT_DOUBLE_EQ(r.degree, 0);

    seeBall(nan, nan);
    ourGoalAt(nan, nan);
    oppGoalAt(nan, 0);
    wm()->setGlobalPosOfBall(Point(nan, nan, 0));
    standAt(nan, nan, nan);
    senseJoint(DOF_HEAD_PAN, nan);
    const Point nowhere(nan, 0, 0);
    const std::function<SkillBase*()> behaviours[] = {
        [] { return mls()->attackBallOwner(); },
        [&] { return mls()->goBehindBall(reached, 20); },
        [] { return mls()->goTowardGoal(); },
        [&] { return mls()->goToGoal(reached, 3); },
        [] { return mls()->kickTowardGoal(); },
        [&] { return mls()->goToward(nowhere); },
        [&] { return mls()->goToPoint(nowhere, nan, 5); },
        [&] { return mls()->kickToTarget(nowhere, 10); },
        [] { return mls()->blockOpp(); },
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& behaviour : behaviours) {
            runManager();
            const std::string ran = cc()->getPreparedCommand();
            r = ask(behaviour);
            for (const std::string& text : {ran, r.command}) {
                EXPECT_FALSE(has(text, "nan") || has(text, "inf")) << text;
            }
            EXPECT_FALSE(std::isnan(r.degree) && r.id == SKILL_TFS_WALK);
            EXPECT_FALSE(std::isnan(r.speed) && r.id == SKILL_TFS_WALK);
            EXPECT_FALSE(!std::isfinite(r.heading) && r.id == SKILL_TFS_TURN);
        }
    }
}
