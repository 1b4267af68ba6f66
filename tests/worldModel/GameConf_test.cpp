#include "worldModel/GameConf.h"

#include <gtest/gtest.h>

#include <string>

#include "worldModel/WorldModelTestUtil.h"

TEST(GameConf, SceneCommandIsTheNaoModelUntilReplaced) {
    GameConf* gc = GameConf::getUniqueInstance();
    EXPECT_EQ(gc->getRSGPath(), "(scene /usr/local/share/rcssserver3d/rsg/agent/nao/nao.rsg)");
    gc->setRSGPath("(scene rsg/agent/soccerbot.rsg)");
    EXPECT_EQ(GameConf::getUniqueInstance()->getRSGPath(), "(scene rsg/agent/soccerbot.rsg)");
}

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
    testing::internal::CaptureStdout();
    gc->testFlag();
    EXPECT_EQ(testing::internal::GetCapturedStdout().rfind("flags pos are=-6\t0.7", 0), 0u);
}

TEST(GameConf, JointNamesFollowTheHipNumbering) {
    GameConf* gc = GameConf::getUniqueInstance();
    EXPECT_EQ(gc->getDOFid("rlj3"), DOF_LEG_RX);
    EXPECT_EQ(gc->getDOFid("rlj2"), DOF_LEG_RY);
    EXPECT_EQ(gc->getDOFid("llj3"), DOF_LEG_LX);
    EXPECT_EQ(gc->getDOFid("llj2"), DOF_LEG_LY);
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
    EXPECT_EQ(GameConf::getPlayModeByText("goal_kick_right"), PM_GOAL_KICK_RIGHT);
    EXPECT_EQ(GameConf::getPlayModeByText("Goal_Left"), PM_GOAL_LEFT);
    for (const char* word : {"Penalty", "playon", "PlayOnX", "Play", ""}) {
        EXPECT_EQ(GameConf::getPlayModeByText(word), PM_UNKNOWN) << word;
    }
    EXPECT_EQ(GameConf::getPlayModeByText(nullptr), PM_UNKNOWN);
    EXPECT_STREQ(GameConf::getPlayModeName(PM_PLAY_ON), "PM_PLAY_ON");
    EXPECT_STREQ(GameConf::getPlayModeName(static_cast<PlayMode>(40)), "PM_UNKNOWN");
    EXPECT_STREQ(GameConf::getSideName(SIDE_RIGHT), "SIDE_RIGHT");
    EXPECT_STREQ(GameConf::getSideName(static_cast<Side>(9)), "SIDE_UNKNOWN");
}
