// The posture side step: both phases in one cycle when the legs are already
// spread, and the step counter shared between instances.
#include <gtest/gtest.h>

#include <string>

#include "skills/lowLevelSkills/NaoBesideWalking.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

// One pass of the leg controller appends ten speeds, in the order lle3
// lle2 rle3 rle2 lle4 rle4 lle5 lle6 rle5 rle6.
constexpr std::size_t kLegPass = 10;

// Hip roll and ankle roll of both legs, as the spread posture sets them.
void senseRolls(double leftHip, double rightHip, double leftAnkle, double rightAnkle) {
    senseJoint(DOF_LEG_LY, leftHip);
    senseJoint(DOF_LEG_RY, rightHip);
    senseJoint(DOF_ANKLE_LY, leftAnkle);
    senseJoint(DOF_ANKLE_RY, rightAnkle);
}

}  // namespace

TEST(NaoBesideWalking, SpreadLegsCloseInTheSameCycleAndTheCounterIsShared) {
    senseAllJointsAt(0);
    senseRolls(25, 0, 0, 10);
    {
        NaoBesideWalking step(false);
        bool result = true;
        const Sent sent = parseCommand(runOnce(step, &result));
        EXPECT_FALSE(result);  // the rolls are still 25 and 10 degrees out
        ASSERT_EQ(sent.size(), 2 * kLegPass);
        for (std::size_t i = 0; i < kLegPass; ++i) EXPECT_EQ(sent[i].second, 0.0);
        EXPECT_NEAR(sent[kLegPass + 1].second, -2.5, 1e-6);  // lle2 back to 0
        EXPECT_NEAR(sent[kLegPass + 9].second, -1.0, 1e-6);  // rle6 back to 0
        EXPECT_EQ(parseCommand(runOnce(step)).size(), kLegPass);  // still closing
    }
    // A new instance, even for the other side, carries on closing.
    senseRolls(0, 0, 0, 0);
    NaoBesideWalking other(true);
    bool result = false;
    EXPECT_EQ(parseCommand(runOnce(other, &result)).size(), kLegPass);
    EXPECT_TRUE(result);
    EXPECT_TRUE(other.isFinished());
    // The next step starts with a spread of the right hip.
    const Sent next = parseCommand(runOnce(other, &result));
    EXPECT_FALSE(result);
    EXPECT_NEAR(next.at(3).second, -2.5, 1e-6);
}
