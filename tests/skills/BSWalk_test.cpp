// The side step: its ten leg commands on the first cycle worked out by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>

#include "skills/lowLevelSkills/BSWalk.h"
#include "skills/MotionTestKit.h"
#include "support/ChildProcess.h"

using namespace motiontest;

namespace {

// Roll 20 limited to 10, pitch 10 above 5, knee 20 below -10, the second
// hip half a cycle late, 1 s cycle.
const double kGait[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, 0.5, 1.0};

// Each test runs in a fresh working directory, where the traces land.
class BSWalkTest : public testing::Test {
protected:
    void SetUp() override {
        original = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        wm()->setTime(5.0f);
        senseAllJointsAt(0);
    }
    void TearDown() override { std::filesystem::current_path(original); }

    TempDir dir;
    std::filesystem::path original;
};

}  // namespace

TEST_F(BSWalkTest, SteppingLeftDrivesTenLegJoints) {
    senseJoint(DOF_KNEE_R, -8);
    senseJoint(DOF_KNEE_L, -12);
    BSWalk walk(BesideLeft);
    walk.setOscParameters(kGait);
    bool result = false;
    // Phase 0.02 s: the right hip rolls -20 sin(0.04 pi) = -2.506665 while
    // the left waits; hip pitch 5 and 6.253332, knees -10 and -12.506665.
    expectSent(runOnce(walk, &result),
               {{"rle3", 3.5714286}, {"lle3", 4.466666},  {"rle2", -1.7904748},
                {"lle2", 0.0},       {"rle4", -1.4285714}, {"lle4", -0.3619036},
                {"rle5", 3.5714286}, {"lle5", 4.466666},  {"rle6", 0.0},
                {"lle6", -1.7904748}});
    EXPECT_TRUE(result);
    EXPECT_FALSE(walk.isFinished());
}
