// The competition build's mid-level skills: its slower walks, its earlier
// exit from fitting, the common alignment tolerance of the attacker, the
// search turn for a lost ball, the blocker with its own head sweep, and no
// console output at all.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "skills/BehaviourTestKit.h"
#include "skills/MidLevelSkills.h"

using namespace behaviourtest;

namespace {

MidLevelSkills* mls() { return MidLevelSkills::getUniqueInstance(); }

}  // namespace

TEST(MidLevelSkillsMatch, GoBehindBallWalksSlowerAndLeavesFittingSooner) {
    freshWorld();
    walkRunning();
    bool reached = false;
    auto behind = [&](double ro, double bearing) {
        seeBall(ro, bearing);
        return ask([&] { return mls()->goBehindBall(reached, 20); });
    };
    Request r = behind(3, 0);
    EXPECT_FLOAT_EQ(r.speed, 0.9f);

    // Far behind: backward at 0.9 with a third of the turn.
    seeBall(2, 170);
    const double b = wm()->calcPointBehindBall(0.7)[1];
    r = behind(2, 170);
    EXPECT_FLOAT_EQ(r.speed, -0.9f);
    EXPECT_NEAR(r.degree, -(b - 180) / 3, 1e-6);

    r = behind(0.79, 0);  // fitting
    EXPECT_FLOAT_EQ(r.speed, 0.9f);

    // Ball and goal 25 degrees off, 0.2 m from the point: still fitting,
    // creeping while the ball is out of line.
    oppGoalAt(10 * std::cos(25 / kDeg), 10 * std::sin(25 / kDeg));
    r = behind(0.9, 25);
    EXPECT_FLOAT_EQ(r.speed, 0.1f);
    EXPECT_NEAR(r.degree, -25, 1e-6);
    // 0.35 m off: fitting is over; an ordinary approach at 0.8.
    r = behind(1.05, 25);
    EXPECT_FLOAT_EQ(r.speed, 0.8f);
    EXPECT_FALSE(reached);
}

TEST(MidLevelSkillsMatch, AttackerAlignsWithinFifteenDegrees) {
    freshWorld();
    walkRunning();
    oppGoalAt(10 * std::cos(12 / kDeg), 10 * std::sin(12 / kDeg));
    seeBall(0.79, 12);
    ask([] { return mls()->attackBallOwner(); });  // fitting
    ask([] { return mls()->attackBallOwner(); });  // in place: owner
    Request r = ask([] { return mls()->attackBallOwner(); });
    EXPECT_DOUBLE_EQ(r.degree, -6) << "dribbling, half the bearing";
}

TEST(MidLevelSkillsMatch, DribblerTurnsToSearchForABallLostFiveSeconds) {
    freshWorld();
    walkRunning();
    seeBall(0.5, 30, kNow - 4.9);
    Request r = ask([] { return mls()->goTowardGoal(); });
    EXPECT_FLOAT_EQ(r.speed, 0.9f);
    EXPECT_DOUBLE_EQ(r.degree, -15);
    seeBall(0.5, 30, kNow - 5.0);
    r = ask([] { return mls()->goTowardGoal(); });
    EXPECT_FLOAT_EQ(r.speed, 0.2f);
    EXPECT_DOUBLE_EQ(r.degree, 60);
}

TEST(MidLevelSkillsMatch, BlockerWalksAtTheBallAndBacksOffNearTheOpponentGoal) {
    freshWorld();
    walkRunning();
    for (double side : {1.0, -1.0}) {
        seeBall(2, 30 * side);
        Request r = ask([] { return mls()->blockOpp(); });
        EXPECT_TRUE(r.running);
        EXPECT_FLOAT_EQ(r.speed, 0.9f);
        EXPECT_DOUBLE_EQ(r.degree, -15 * side);
    }
    seeBall(2, 150);
    Request r = ask([] { return mls()->blockOpp(); });
    EXPECT_FLOAT_EQ(r.speed, -0.9f);
    EXPECT_DOUBLE_EQ(r.degree, 15);

    oppGoalAt(8, 0);  // second post 8.03 m away
    seeBall(2, 30);
    r = ask([] { return mls()->blockOpp(); });
    EXPECT_FLOAT_EQ(r.speed, -0.1f);
    EXPECT_DOUBLE_EQ(r.degree, 0);
}

TEST(MidLevelSkillsMatch, BlockerHeadSweepsForTheLostBall) {
    freshWorld();
    walkRunning();
    auto block = [] { return ask([] { return mls()->blockOpp(); }).command; };

    // Lost, last seen to the right: lock this cycle, sweep right from the next.
    seeBall(2, -30, kNow - 1.0);
    EXPECT_EQ(block(), "(he1 0.000000)(he2 0.000000)");
    EXPECT_EQ(block(), "(he1 -9.900000)(he2 0.000000)");  // (-120 / 180) 15 + 0.1
    // Within 2 degrees of the end: turn back toward +120.
    senseJoint(DOF_HEAD_PAN, -118.5);
    EXPECT_EQ(block(), "(he1 19.775000)(he2 0.000000)");
    // At the other end: the sweep is over.
    senseJoint(DOF_HEAD_PAN, 119);
    EXPECT_EQ(block(), "(he1 0.000000)(he2 0.000000)");
    // Still lost: a new sweep, toward the side the ball was last seen on.
    EXPECT_EQ(block(), "(he1 0.000000)(he2 0.000000)");
    senseJoint(DOF_HEAD_PAN, 60);
    EXPECT_EQ(block(), "(he1 -14.900000)(he2 0.000000)");  // (-180 / 180) 15 + 0.1
    // Seen again: the head stops at once.
    seeBall(2, -30, kNow);
    EXPECT_EQ(block(), "(he1 0.000000)(he2 0.000000)");

    // Unseen for more than 2 s: the head looks down.
    seeBall(2, 10, kNow - 2.5);
    EXPECT_EQ(block(), "(he1 0.000000)(he2 -2.450000)");
}

TEST(MidLevelSkillsMatch, NothingIsWrittenToTheConsole) {
    freshWorld();
    walkRunning();
    bool reached = false;
    const std::function<SkillBase*()> behaviours[] = {
        [] { return mls()->attackBallOwner(); },
        [&] { return mls()->goBehindBall(reached, 15); },
        [] { return mls()->goTowardGoal(); },
        [&] { return mls()->goToGoal(reached, 3); },
        [] { return mls()->kickTowardGoal(); },
        [] { return mls()->goToward(Point(-3, 1, 0)); },
        [] { return mls()->goToPoint(Point(0.05, 0, 0), 90, 5); },
        [] { return mls()->getReadyToKick(Point(6, 0, 0), 10); },
        [] { return mls()->blockOpp(); },
    };
    for (double ro : {3.0, 0.79, 0.19, std::nan("")}) {
        seeBall(ro, 0);
        for (const auto& behaviour : behaviours) {
            runManager();
            EXPECT_EQ(ask(behaviour).printed, "");
        }
    }
}
