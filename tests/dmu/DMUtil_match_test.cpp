#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "dmu/DMUtil.h"
#include "support/ChildProcess.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

// The competition program keeps the same fallbacks but says nothing.
TEST(DMUtilMatch, QueriesWithoutCandidatesAreSilentAndKeepTheirFallbacks) {
    TempDir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    WorldModel* wm = WorldModel::getUniqueInstance();
    GameConf::getUniqueInstance()->init();
    DMUtil* du = DMUtil::getUniqueInstance();
    wm->setOurSide(SIDE_LEFT);

    testing::internal::CaptureStdout();
    const Player t = du->getClosestTmt2Point(Point(0, 0, 0));
    const Player o = du->getClosestOpp2Point(Point(0, 0, 0));
    const Player e = du->getClosestTmtExcept(Point(0, 0, 0), 1);
    const Player f = du->getClosestOppExcept(Point(0, 0, 0), 1);
    const Player a = du->getClosestPlayerExcept(Point(0, 0, 0), -1, -1);
    const Player b = du->getClosestPlayer2Point(Point(0, 0, 0));
    const Player g = du->getPlayer(3, SIDE_LEFT);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    const Point absent(1000, 1000, 0.38);
    for (const Player& p : {t, e, a, b, g}) {
        EXPECT_EQ(p.getNum(), 0);
        EXPECT_EQ(p.getSide(), SIDE_OUR);
        EXPECT_EQ(p.getGlbPos(), absent);
    }
    for (const Player& p : {o, f}) {
        EXPECT_EQ(p.getNum(), 0);
        EXPECT_EQ(p.getSide(), SIDE_OPP);
        EXPECT_EQ(p.getGlbPos(), absent);
    }

    wm->addTmt(Player(2, SIDE_OUR, Point(1, 0, 0)));
    wm->addTmt(Player(3, SIDE_OUR, Point(-1, 0, 0)));
    EXPECT_EQ(du->getClosestTmt2Point(Point(0, 0, 0)).getNum(), 2);
    wm->setMyCartPos(Point(0.5, 0, 0));
    EXPECT_EQ(du->partOfFieldAgent(), 2);
}
