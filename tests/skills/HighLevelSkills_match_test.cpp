// The competition build's team play decides as the development build does
// and writes nothing to the console.
#include <gtest/gtest.h>

#include "skills/BehaviourTestKit.h"
#include "skills/HighLevelSkills.h"

using namespace behaviourtest;

TEST(HighLevelSkillsMatch, SameDecisionsWithoutConsoleLines) {
    freshWorld();
    walkRunning();
    wm()->setGlobalPosOfBall(Point(0, 0, 0.04));
    seeBall(1, 0);
    wm()->addTmt(Player(2, SIDE_OUR, Point(-1, 0, 0.35)));
    wm()->addTmt(Player(3, SIDE_OUR, Point(-2, 1, 0.35)));
    HighLevelSkills* hls = HighLevelSkills::getUniqueInstance();

    wm()->setMyNum(2);
    standAt(-1, 0, 0);
    Request r = ask([&] { return hls->runPlayer(); });
    EXPECT_EQ(r.printed, "");
    EXPECT_TRUE(r.running) << "the kicker's approach steers the running walk";

    // The waiter turns toward its waiting point (-3, 0), behind it on the
    // right: 135 degrees clockwise.
    wm()->setMyNum(3);
    standAt(-2, 1, 0);
    r = ask([&] { return hls->runPlayer(); });
    EXPECT_EQ(r.printed, "");
    ASSERT_EQ(r.id, SKILL_TFS_TURN);
    EXPECT_NEAR(r.heading, 135, 1e-6);
}
