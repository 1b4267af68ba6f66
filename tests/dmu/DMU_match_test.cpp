// Decision cycles of the competition build: its home positions, its role
// plan (goalie 1, attackers 2 and 3, blockers beyond), a dispatch without
// the development build's goal, goalie, fall and preparation steps, the same
// goalie, and not a line on either console stream.
#include <gtest/gtest.h>

#include <string>

#include "dmu/DmuTestKit.h"

namespace {

using namespace dmutest;

class MatchCycle : public DmuCycle {
protected:
    void TearDown() override { EXPECT_EQ(heard, ""); }
};

TEST_F(MatchCycle, BeforeKickOffBeamsToTheCompetitionHomes) {
    wm()->setPlayMode(PM_BEFORE_KICK_OFF);
    EXPECT_EQ(cycle(), "(beam -3.500000 -1.500000 0.000000)");
    // Number 3 has a fixed place on either side, and the blockers share it.
    wm()->setOurSide(SIDE_RIGHT);
    wm()->setMyNum(9);
    EXPECT_EQ(cycle(), "(beam -1.500000 0.000000 0.000000)");
}

TEST_F(MatchCycle, DispatchWithoutGoalGoalieOrPreparationStepsAndTheSameGoalie) {
    // The goalie with the ball far away stands straight: the play-on behaviour.
    wm()->setMyNum(1);
    see(5.0, 0.0);
    wm()->setPlayMode(PM_CORNER_KICK_RIGHT);
    EXPECT_TRUE(has(cycle(), "(rle3 -"));
    for (PlayMode pm : {PM_FREE_KICK_LEFT, PM_GOAL_RIGHT}) {
        wm()->setPlayMode(pm);
        EXPECT_EQ(cycle(), kStopAll) << pm;
    }
    wm()->setPlayMode(PM_GAME_OVER);
    EXPECT_EQ(cycle(), "");
    // It guards before the clock runs, too, and dives as in the development build.
    wm()->setPlayMode(PM_PLAY_ON);
    wm()->setGSTime(0.0f);
    see(0.5, 0.5);
    EXPECT_EQ(cycle(11.0), kDiveLeft);
}

}  // namespace
