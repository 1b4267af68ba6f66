// The competition build's behaviour skills: slower walks, the search turn
// for a lost ball, the blocker with its own head sweep, and no console output
// at all (team play included).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "skills/BehaviourTestKit.h"
#include "skills/HighLevelSkills.h"
#include "skills/MidLevelSkills.h"

using namespace behaviourtest;

namespace {

MidLevelSkills* mls() { return MidLevelSkills::getUniqueInstance(); }

}  // namespace

TEST(MidLevelSkillsMatch, SlowerWalksSearchTurnAndBlockerBackingOff) {
    freshWorld();
    install(new TFSWalk());
    seeBall(0.5, 30, kNow - 4.9);
    Request r = ask([] { return mls()->goTowardGoal(); });
    EXPECT_FLOAT_EQ(r.speed, 0.9f);
    EXPECT_DOUBLE_EQ(r.degree, -15);
    seeBall(0.5, 30, kNow - 5.0);  // lost for 5 s: turn on the spot to find it
    r = ask([] { return mls()->goTowardGoal(); });
    EXPECT_FLOAT_EQ(r.speed, 0.2f);
    EXPECT_DOUBLE_EQ(r.degree, 60);
    oppGoalAt(8, 0);  // second post 8.03 m away
    r = ask([] { return mls()->blockOpp(); });
    EXPECT_FLOAT_EQ(r.speed, -0.1f);
    EXPECT_DOUBLE_EQ(r.degree, 0);
}

TEST(MidLevelSkillsMatch, BlockerHeadSweepsForTheLostBall) {
    freshWorld();
    install(new TFSWalk());
    auto block = [] { return ask([] { return mls()->blockOpp(); }).command; };
    // Lost, last seen on the right: lock this cycle, sweep right from the next.
    seeBall(2, -30, kNow - 1.0);
    EXPECT_EQ(block(), "(he1 0.000000)(he2 0.000000)");
    EXPECT_EQ(block(), "(he1 -9.900000)(he2 0.000000)");  // (-120 / 180) 15 + 0.1
    senseJoint(DOF_HEAD_PAN, -118.5);                     // within 2: back toward +120
    EXPECT_EQ(block(), "(he1 19.775000)(he2 0.000000)");
    senseJoint(DOF_HEAD_PAN, 119);  // the other end: over
    EXPECT_EQ(block(), "(he1 0.000000)(he2 0.000000)");
    EXPECT_EQ(block(), "(he1 0.000000)(he2 0.000000)");  // still lost: a new sweep
    senseJoint(DOF_HEAD_PAN, 60);
    EXPECT_EQ(block(), "(he1 -14.900000)(he2 0.000000)");
    seeBall(2, -30, kNow);  // found: stop at once
    EXPECT_EQ(block(), "(he1 0.000000)(he2 0.000000)");
    seeBall(2, 10, kNow - 2.5);  // unseen for over 2 s: look down
    EXPECT_EQ(block(), "(he1 0.000000)(he2 -2.450000)");
}

TEST(MidLevelSkillsMatch, NothingIsWrittenToTheConsole) {
    freshWorld();
    install(new TFSWalk());
    wm()->addTmt(Player(2, SIDE_OUR, Point(-1, 0, 0.35)));
    wm()->addTmt(Player(3, SIDE_OUR, Point(-2, 1, 0.35)));
    bool reached = false;
    const std::function<SkillBase*()> behaviours[] = {
        [] { return mls()->attackBallOwner(); },
        [&] { return mls()->goBehindBall(reached, 15); },
        [&] { return mls()->goToGoal(reached, 3); },
        [] { return mls()->kickTowardGoal(); },
        [] { return mls()->goToward(Point(-3, 1, 0)); },
        [] { return mls()->goToPoint(Point(0.05, 0, 0), 90, 5); },
        [] { return mls()->getReadyToKick(Point(6, 0, 0), 10); },
        [] { return HighLevelSkills::getUniqueInstance()->runPlayer(); },
    };
    for (int me : {2, 3}) {
        wm()->setMyNum(me);
        for (double ro : {3.0, 0.79, 0.19, std::nan("")}) {
            seeBall(ro, 0);
            for (const auto& behaviour : behaviours) {
                runManager();
                EXPECT_EQ(ask(behaviour).printed, "");
            }
        }
    }
}
