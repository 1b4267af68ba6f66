// The competition walk: no console output and a gentler forward ramp (full
// speed in 2.0 s, standstill in 0.8 s); backward keeps the usual rates.
#include "skills/MotionTestKit.h"
#include "skills/lowLevelSkills/TFSWalk.h"

using namespace motiontest;

namespace {

int rampTo(TFSWalk& walk, double target) {
    walk.setspeed(target);
    int n = 0;
    for (; walk.getLastSpeed() != target && n < 1000; ++n) {
        wm()->setTime(wm()->getTime() + 0.02f);
        cycle(walk);
    }
    return n;
}

}  // namespace

TEST(TFSWalkMatch, GentlerForwardRampAndNoOutput) {
    TFSWalk walk;
    walk.setDegree(20.0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(rampTo(walk, 0.2), 20);
    walk.setDegree(0.0);
    EXPECT_EQ(rampTo(walk, 1.0), 80);  // 100 cycles in all
    EXPECT_EQ(rampTo(walk, 0.0), 40);
    EXPECT_EQ(rampTo(walk, -1.0), 86);
    EXPECT_EQ(rampTo(walk, 0.0), 25);
    walk.stop();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
