// The posture side step: the spread targets for each side and width, both
// phases in one cycle when the legs are already spread, the step counter
// shared between instances, and the arm and hip levels of setRotate.
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

TEST(NaoBesideWalking, SpreadTargetsBySideAndWidth) {
    // {direction, width selector, left hip roll, right hip roll, left ankle
    // roll, right ankle roll}; from all joints at 0 each speed is a tenth of
    // its target.
    const double cases[][6] = {{0, 1, 15, 0, 0, 10},   {0, 3, 35, 0, 0, 10},
                               {0, 2, 25, 0, 0, 10},   {0, 7, 25, 0, 0, 10},
                               {1, 1, 0, -15, -10, 0}, {1, 3, 0, -35, -10, 0},
                               {1, 0, 0, -25, -10, 0}};
    senseAllJointsAt(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " " << c[1]);
        NaoBesideWalking step(c[0] != 0);
        step.setSpeed(static_cast<int>(c[1]));
        bool result = true;
        expectSent(runOnce(step, &result),
                   {{"lle3", 0}, {"lle2", c[2] / 10}, {"rle3", 0}, {"rle2", c[3] / 10},
                    {"lle4", 0}, {"rle4", 0}, {"lle5", 0}, {"lle6", c[4] / 10},
                    {"rle5", 0}, {"rle6", c[5] / 10}});
        EXPECT_FALSE(result);
    }
}

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

TEST(NaoBesideWalking, RotateLevelRaisesArmsAndBendsHips) {
    senseAllJointsAt(0);
    cc()->reset();
    NaoBesideWalking step(false);
    EXPECT_STREQ(cc()->getPreparedCommand(), "");  // setRotate(0) commands nothing
    step.setRotate(0.3);
    const Sent arms = parseCommand(cc()->getPreparedCommand());
    ASSERT_FALSE(arms.empty());
    EXPECT_EQ(arms[0].first, "lae1");
    EXPECT_NEAR(arms[0].second, 9.0, 1e-6);
    step.setDefaultPos(10, 20, -30, -40, 15, 25);
    Sent legs = parseCommand(runOnce(step));
    // 0.3 is no hip level: the pitch targets stay.
    EXPECT_NEAR(legs.at(0).second, 1.0, 1e-6);   // lle3
    EXPECT_NEAR(legs.at(2).second, 2.0, 1e-6);   // rle3
    EXPECT_NEAR(legs.at(4).second, -3.0, 1e-6);  // lle4
    EXPECT_NEAR(legs.at(8).second, 2.5, 1e-6);   // rle5
    step.setRotate(0.8);
    legs = parseCommand(runOnce(step));
    EXPECT_NEAR(legs.at(0).second, 0.08, 1e-6);
    EXPECT_NEAR(legs.at(2).second, 0.08, 1e-6);
    EXPECT_EQ(legs.at(4).second, 0.0);
    EXPECT_EQ(step.getSkillID(), SKILL_NAO_BESIDE_WALKING);
}
