// The competition build: no console chatter, and the match answers for the
// nearest opponent and the home positions.
#include <gtest/gtest.h>

#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"
#include "worldModel/WorldModelTestUtil.h"

TEST(WorldModelMatch, NearestOpponentFixedHomesAndSilence) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    WorldModel* wm = WorldModel::getUniqueInstance();
    GameConf::getUniqueInstance()->init();
    wm->setTime(10.0f);
    EXPECT_EQ(wm->nearestopp(), -1);
    wm->addOpp(wmtest::opponent(4, 9.9, 3));
    wm->addOpp(wmtest::opponent(6, 9.9, 2));
    EXPECT_EQ(wm->nearestopp(), 4) << "stale sightings: the first listed";
    wm->addOpp(wmtest::opponent(8, 10.0, 1));
    EXPECT_EQ(wm->nearestopp(), 8);
    EXPECT_EQ(wm->getIndexOpp(11), -1);
    wm->setHomePos(Point(-5.73, 0, 1), 1);
    wm->setHomePos(Point(-3.6, 0, 1), 2);
    wm->setHomePos(Point(0, 0, 0), 9);
    EXPECT_EQ(wm->getHomePos(1), Point(-5.73, 0, 1));
    EXPECT_EQ(wm->getHomePos(2), Point(-3.5, -1.5, 0));
    for (int unum : {3, 0, 11}) EXPECT_EQ(wm->getHomePos(unum), Point(-1.5, 0, 0)) << unum;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
