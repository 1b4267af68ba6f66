#include "worldModel/GameConf.h"

#include <gtest/gtest.h>

#include <string>

#include "worldModel/WorldModelTestUtil.h"

TEST(GameConf, InitPlacesLandmarksInTheLeftTeamFrame) {
    ASSERT_TRUE(wmtest::enterScratchDir());
    GameConf* gc = GameConf::getUniqueInstance();
    testing::internal::CaptureStdout();
    gc->init();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Field Length: 12\nFieldWidth: 8\n");
    EXPECT_EQ(gc->getGoalWidth(), 1.4f);
    const char* names[] = {"G1L", "G2L", "G2R", "G1R", "F1L", "F2L", "F1R", "F2R"};
    const Point pos[] = {Point(-6, 0.7, 0.8), Point(-6, -0.7, 0.8), Point(6, 0.7, 0.8),
                         Point(6, -0.7, 0.8), Point(-6, 4, 0),      Point(-6, -4, 0),
                         Point(6, 4, 0),      Point(6, -4, 0)};
    for (int i = 0; i < 8; ++i) {
        EXPECT_STREQ(gc->getFlag(i).getName(), names[i]);
        EXPECT_LT(gc->getFlagPos(i).getDistanceTo(pos[i]), 1e-6) << names[i];
    }
    // A landmark index from bad data reads as a blank flag at the origin.
    EXPECT_EQ(gc->getFlagPos(8), Point(0, 0, 0));
    EXPECT_STREQ(gc->getFlag(-1).getName(), "");
}

TEST(GameConf, JointNamesFollowTheHipNumbering) {
    GameConf* gc = GameConf::getUniqueInstance();
    EXPECT_EQ(gc->getDOFid("rlj3"), DOF_LEG_RX);
    for (const char* unknown : {"rlj7", "", "hj1 "}) EXPECT_EQ(gc->getDOFid(unknown), DOF_COUNT);
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(gc->getDOFid(gc->getDOFName(static_cast<DOFID>(i))), i);
    }
    EXPECT_EQ(gc->getDOFName(DOF_COUNT), "");
}

TEST(GameConf, PlayModeWordsMapBothWaysExactly) {
    for (int i = PM_BEFORE_KICK_OFF; i <= PM_GAME_OVER; ++i) {
        const PlayMode pm = static_cast<PlayMode>(i);
        EXPECT_EQ(GameConf::getPlayModeByText(GameConf::getPlayModeText(pm)), pm) << i;
    }
    EXPECT_EQ(GameConf::getPlayModeByText("KickOff_Left"), PM_KICKOFF_LEFT);
    for (const char* word : {"playon", "PlayOnX", ""}) {
        EXPECT_EQ(GameConf::getPlayModeByText(word), PM_UNKNOWN) << word;
    }
    EXPECT_EQ(GameConf::getPlayModeByText(nullptr), PM_UNKNOWN);
}
