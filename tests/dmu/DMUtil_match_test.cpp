#include <gtest/gtest.h>

#include "dmu/DMUtil.h"
#include "dmu/DmuTestKit.h"

using namespace dmutest;
class DMUtilMatch : public DmuCycle {};

// The competition program keeps the same fallbacks but says nothing.
TEST_F(DMUtilMatch, QueriesWithoutCandidatesAreSilentAndKeepTheirFallbacks) {
    DMUtil* du = DMUtil::getUniqueInstance();
    testing::internal::CaptureStdout();
    const Player t = du->getClosestTmtExcept(Point(0, 0, 0), 1);
    const Player o = du->getClosestOpp2Point(Point(0, 0, 0));
    const Player g = du->getPlayer(3, SIDE_LEFT);
    EXPECT_EQ(testing::internal::GetCapturedStdout() + heard, "");
    for (const Player& p : {t, o, g}) EXPECT_EQ(p.getGlbPos(), Point(1000, 1000, 0.38));
    EXPECT_EQ(o.getSide(), SIDE_OPP);
    EXPECT_EQ(g.getSide(), SIDE_OUR);
}
