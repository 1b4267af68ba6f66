// The alternative goalie routine on global ball positions: where the ball's
// path crosses the goalie's line decides the dive.
#include "dmu/NaoGoalie.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dmu/DmuTestKit.h"

namespace {

using namespace dmutest;

class NaoGoalieRoutine : public DmuCycle {
protected:
    // The ball at `last` 0.1 s ago and at `current` now; the goalie at `me`.
    std::string runWith(Point last, Point current, Point me = Point(-5.6, 0, 0.4)) {
        seeBall(2, 0, 10.0);
        wm()->setGlobalPosOfBall(last);
        begin(10.1);
        wm()->setGlobalPosOfBall(current);
        wm()->setDeltaTime();
        wm()->setMyCartPos(me);
        NaoGoalie goalie;
        cc()->reset();
        testing::internal::CaptureStdout();
        goalie.run();
        testing::internal::GetCapturedStdout();
        rest = goalie.getPredictedRest();
        return cc()->getPreparedCommand();
    }
    Point rest;
};

TEST_F(NaoGoalieRoutine, DivesTowardWhereTheBallCrossesItsLine) {
    EXPECT_EQ(runWith(Point(-2.5, 0.3, 0), Point(-3.0, 0.3, 0)), kDiveLeft);
    EXPECT_NEAR(rest.getX(), -3.0 - (0.91198 * 5.0 - 0.005713), 1e-4);
    // A slanted path counts where it crosses, not where the ball is now.
    EXPECT_EQ(runWith(Point(-2.5, 0.3, 0), Point(-3.0, 0.2, 0)), kDiveRight);
    // Straight at it, out of the goal area, rolling away, or lying still:
    // no dive, and nothing that is no number.
    EXPECT_EQ(runWith(Point(-2.5, 0.05, 0), Point(-3.0, 0.05, 0)), "");
    EXPECT_EQ(runWith(Point(-2.5, 0.3, 0), Point(-3.0, 0.3, 0), Point(-5.0, 0, 0.4)), "");
    EXPECT_EQ(runWith(Point(-3.5, 0.3, 0), Point(-3.0, 0.3, 0)), "");
    EXPECT_EQ(runWith(Point(-5.8, 0.3, 0), Point(-5.8, 0.3, 0)), "");
    EXPECT_TRUE(std::isfinite(rest.getX()));
    EXPECT_DOUBLE_EQ(rest.getY(), 0.3);
}

}  // namespace
