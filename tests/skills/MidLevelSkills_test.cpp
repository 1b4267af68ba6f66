// Cycle tests of the mid-level skills with scripted world states: turns that
// take the short way across the +-180 seam, the kick approach from walk to
// kick and back, broken readings.
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
