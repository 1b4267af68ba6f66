// The alternative goalie routine on global ball positions: where the ball's
// path crosses the goalie's line decides the dive. (The match goalie's guard
// is tested with the decision cycles in DMU_test.cpp.)
#include "dmu/NaoGoalie.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "objects/Ball.h"
#include "support/ChildProcess.h"
#include "utils/CommandCreator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

class NaoGoalieRoutine : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        GameConf::getUniqueInstance()->init();
        wm = WorldModel::getUniqueInstance();
        wm->setOurSide(SIDE_LEFT);
    }
    // The ball at `last` 0.1 s ago and at `current` now; the goalie at `me`.
    std::string runWith(Point last, Point current, Point me = Point(-5.6, 0, 0.4)) {
        Ball b = wm->getBall();
        b.setLastTimeSeenBall(10.0);
        wm->setBall(b);
        wm->setGlobalPosOfBall(last);
        wm->resetForUpdate();
        wm->setFRPCenterL(Point(0, -0.014, -0.01));
        wm->setFRPCenterR(Point(0, -0.014, -0.01));
        wm->setGlobalPosOfBall(current);
        wm->setTime(10.1f);
        wm->setDeltaTime();
        wm->setMyCartPos(me);
        NaoGoalie goalie;
        CommandCreator* cc = CommandCreator::getUniqueInstance();
        cc->reset();
        testing::internal::CaptureStdout();
        goalie.run();
        out = testing::internal::GetCapturedStdout();
        rest = goalie.getPredictedRest();
        return cc->getPreparedCommand();
    }

    TempDir dir;
    WorldModel* wm = nullptr;
    std::string out;
    Point rest;
};

TEST_F(NaoGoalieRoutine, DivesTowardWhereTheBallCrossesItsLine) {
    EXPECT_EQ(runWith(Point(-2.5, 0.3, 0), Point(-3.0, 0.3, 0)),
              "(rle6 6.130000)(lle6 6.130000)(lle2 -6.130000)");
    EXPECT_NEAR(rest.getX(), -3.0 - (0.91198 * 5.0 - 0.005713), 1e-4);
    // A slanted path counts where it crosses, not where the ball is now.
    EXPECT_EQ(runWith(Point(-2.5, 0.3, 0), Point(-3.0, 0.2, 0)),
              "(rle6 -6.130000)(lle6 -6.130000)(rle2 6.130000)");

    // Straight at it, wide of the goal, out of the goal area, rolling away,
    // stopping short, or lying still: no dive, and nothing that is no number.
    EXPECT_EQ(runWith(Point(-2.5, 0.05, 0), Point(-3.0, 0.05, 0)), "");
    EXPECT_EQ(runWith(Point(-2.5, 0.3, 0), Point(-3.0, 0.3, 0), Point(-5.0, 0, 0.4)), "");
    EXPECT_EQ(runWith(Point(-3.5, 0.3, 0), Point(-3.0, 0.3, 0)), "");
    EXPECT_EQ(runWith(Point(-5.8, 0.3, 0), Point(-5.8, 0.3, 0)), "");
    EXPECT_TRUE(std::isfinite(rest.getX()));
    EXPECT_DOUBLE_EQ(rest.getY(), 0.3);
}

}  // namespace
