// The side step: its ten leg commands on the first cycle worked out by
// hand, the follower's dead band and clip, a gait without parameters, and
// the twelve trace files written when the skill goes.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>

#include "skills/lowLevelSkills/BSWalk.h"
#include "skills/MotionTestKit.h"
#include "support/ChildProcess.h"

using namespace motiontest;

namespace {

constexpr double kLimit = 6.1395447;
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

TEST_F(BSWalkTest, FollowerHasADeadBandAndAClip) {
    const BSWalk walk(BesideLeft);
    EXPECT_DOUBLE_EQ(walk.predictEffector(0, 7), 5.0);
    EXPECT_NEAR(walk.predictEffector(0, 8.59), 6.1357143, 1e-6);
    EXPECT_DOUBLE_EQ(walk.predictEffector(0, 8.6), kLimit);
    EXPECT_DOUBLE_EQ(walk.predictEffector(0, -9), -kLimit);
    EXPECT_EQ(walk.predictEffector(1, 1.005), 0.0);
    EXPECT_EQ(walk.predictEffector(std::numeric_limits<double>::quiet_NaN(), 0), 0.0);
    EXPECT_EQ(walk.predictEffector(0, std::numeric_limits<double>::infinity()), 0.0);
}

TEST_F(BSWalkTest, WithoutParametersTheLegsHoldStill) {
    BSWalk walk(BesideRight);
    Sent sent = parseCommand(runOnce(walk));
    ASSERT_EQ(sent.size(), 10u);
    for (const auto& [name, value] : sent) EXPECT_EQ(value, 0.0) << name;
    // A delay of a whole cycle leaves no time to roll; nothing is undefined.
    const double late[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, 1.0, 1.0};
    walk.setOscParameters(late);
    sent = parseCommand(runOnce(walk));
    EXPECT_EQ(sent.at(2).second, 0.0);
    EXPECT_EQ(sent.at(3).second, 0.0);
}

TEST_F(BSWalkTest, TracesRecordTargetSensedAngleAndPhase) {
    {
        setBallUnseenFor(5.0);  // the phase is paced by the cycle, not the ball
        BSWalk walk(BesideLeft);
        walk.setOscParameters(kGait);
        senseJoint(DOF_KNEE_R, -12.5);
        runOnce(walk);
        wm()->setTime(5.02f);
        setBallUnseenFor(5.02);
        runOnce(walk);
        // Opened now, written only when the skill goes.
        EXPECT_EQ(readWholeFile("log/turnAnalize/RightKnee.txt"), "");
    }
    const std::string knee = readWholeFile("log/turnAnalize/RightKnee.txt");
    EXPECT_EQ(knee, "2\n[-10 \t-10 \t];\n[-12.5 \t-12.5 \t];\n[0.02 \t0.04 \t];\n\n");
    // The hip-yaw joints are not driven: their traces stay empty.
    for (const char* name : {"RightLegRotate.txt", "LeftLegRotate.txt"}) {
        EXPECT_EQ(readWholeFile(std::string("log/turnAnalize/") + name), "0\n[];\n[];\n[];\n\n");
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator("log/turnAnalize")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 12);
    EXPECT_EQ(readWholeFile("log/turnAnalize/LeftLegAnkleY.txt").rfind("2\n[-2.50", 0), 0u);
}
