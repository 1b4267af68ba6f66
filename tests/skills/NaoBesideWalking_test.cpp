// The posture side step: the spread targets for each side and width, both
// phases in one cycle when the legs are already spread, and the step counter
// shared between instances.
#include "skills/MotionTestKit.h"
#include "skills/lowLevelSkills/NaoBesideWalking.h"

using namespace motiontest;

TEST(NaoBesideWalking, SpreadTargetsBySideAndWidth) {
    // {side, width selector, lle2, rle2, lle6, rle6}: from all joints at 0
    // each speed is a tenth of its target; unknown widths take the middle one.
    const double cases[][6] = {{0, 1, 15, 0, 0, 10}, {0, 3, 35, 0, 0, 10}, {0, 7, 25, 0, 0, 10},
                               {1, 1, 0, -15, -10, 0}, {1, 0, 0, -25, -10, 0}};
    senseAll(0);
    for (const auto& c : cases) {
        NaoBesideWalking step(c[0] != 0);
        step.setSpeed(static_cast<int>(c[1]));
        expectSent(cycle(step), {{"lle3", 0}, {"lle2", c[2] / 10}, {"rle3", 0}, {"rle2", c[3] / 10},
                                 {"lle4", 0}, {"rle4", 0}, {"lle5", 0}, {"lle6", c[4] / 10},
                                 {"rle5", 0}, {"rle6", c[5] / 10}});
    }
}

TEST(NaoBesideWalking, SpreadLegsCloseInTheSameCycleAndTheCounterIsShared) {
    senseAll(0);
    senseJoint(DOF_LEG_LY, 25);
    senseJoint(DOF_ANKLE_RY, 10);
    {
        NaoBesideWalking step(false);
        const Sent sent = parseCommand(cycle(step));
        ASSERT_EQ(sent.size(), 20u);  // spread reached: closing in the same cycle
        EXPECT_NEAR(sent[11].second, -2.5, 1e-6);  // lle2 back to 0
    }
    senseAll(0);  // a new instance, even for the other side, carries on closing
    NaoBesideWalking other(true);
    bool result = false;
    EXPECT_EQ(parseCommand(cycle(other, &result)).size(), 10u);
    EXPECT_TRUE(result && other.isFinished());
}
