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
    const Player t = du->getClosestTmtExcept(Point(0, 0, 0), 1);
    const Player o = du->getClosestOpp2Point(Point(0, 0, 0));
    const Player g = du->getPlayer(3, SIDE_LEFT);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (const Player& p : {t, o, g}) {
        EXPECT_EQ(p.getNum(), 0);
        EXPECT_EQ(p.getGlbPos(), Point(1000, 1000, 0.38));
    }
    EXPECT_EQ(o.getSide(), SIDE_OPP);
    EXPECT_EQ(g.getSide(), SIDE_OUR);
}
