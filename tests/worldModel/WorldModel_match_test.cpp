// The competition build: no console chatter, no log truncation, and the
// match answers for the nearest opponent and the home positions.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"
#include "worldModel/WorldModelTestUtil.h"

TEST(WorldModelMatch, NearestOpponentStartsFromTheFirstListed) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setTime(10.0f);
    EXPECT_EQ(wm->nearestopp(), -1);
    wm->addOpp(wmtest::opponent(4, 9.9, 3));
    wm->addOpp(wmtest::opponent(6, 9.9, 2));
    testing::internal::CaptureStdout();
    EXPECT_EQ(wm->nearestopp(), 4);
    EXPECT_EQ(wm->getIndexOpp(11), -1);
    EXPECT_EQ(wm->getIndexTmt(11), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    // A recent sighting nearer than the first listed still wins.
    wm->addOpp(wmtest::opponent(8, 10.0, 1));
    wm->addOpp(wmtest::opponent(9, 10.0, 7));
    EXPECT_EQ(wm->nearestopp(), 8);
}

TEST(WorldModelMatch, FieldPlayersHaveFixedHomePositions) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setHomePos(Point(-5.73, 0, 1), 1);
    wm->setHomePos(Point(-3.6, 0, 1), 2);
    wm->setHomePos(Point(-0.16, 0, 1), 3);
    EXPECT_EQ(wm->getHomePos(1), Point(-5.73, 0, 1));
    EXPECT_EQ(wm->getHomePos(2), Point(-3.5, -1.5, 0));
    for (int unum : {3, 0, 11}) EXPECT_EQ(wm->getHomePos(unum), Point(-1.5, 0, 0)) << unum;
}

TEST(WorldModelMatch, StaysSilentButStillAppendsJointRecords) {
    ASSERT_TRUE(wmtest::enterScratchDir());
    std::ofstream("WMLog.txt") << "kept\n";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    WorldModel* wm = WorldModel::getUniqueInstance();
    GameConf::getUniqueInstance()->init();
    GameConf::getUniqueInstance()->testFlag();
    wm->printMyCartPos();
    wm->printDir();
    wm->printFRPs();
    wm->setHomePos(Point(0, 0, 0), 9);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(GameConf::getUniqueInstance()->getFieldLength(), 12.0f);
    wm->printJoints();
    std::ifstream in("WMLog.txt");
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(log.rfind("kept\nTime :0 ->", 0), 0u) << log;
}
