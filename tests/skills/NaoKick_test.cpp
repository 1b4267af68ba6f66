// The learner's kick (stepping in place for 0.6 s with the arms held beside
// the body, then a kick phase that commands nothing) and the four-keyframe
// kick, which stands first and then drives its keyframes.
#include "skills/lowLevelSkills/NaoKick.h"

#include <cmath>

#include "skills/MotionTestKit.h"
#include "skills/lowLevelSkills/NaoKick2.h"

using namespace motiontest;

TEST(NaoKick, StepsInPlaceForSixTenthsOfASecondThenCommandsNothing) {
    const std::string armsHeld = "(rae1 0.000000)(rae2 0.000000)(lae1 0.000000)(lae2 0.000000)";
    sense(kStanding);
    wm()->setTime(10.0f);
    NaoKick k;
    wm()->setTime(10.58f);
    const std::string text = cycle(k);
    EXPECT_TRUE(k.isStepping());
    EXPECT_EQ(text.rfind(armsHeld, 0), 0u) << text;
    EXPECT_NE(text.find("(rle3 "), std::string::npos) << "the small walk steps";
    wm()->setTime(10.6f);  // exactly 0.6 s on
    EXPECT_EQ(cycle(k), armsHeld);
    EXPECT_FALSE(k.isStepping() || k.isFinished());
    EXPECT_EQ(k.predictEffector(0.0f, std::nanf("")), 0.0);
}

TEST(NaoKick2, StandsFirstThenDrivesTheFirstKeyframe) {
    double key1[DOF_COUNT] = {};
    key1[DOF_SHOULDER_RX] = 50;
    key1[DOF_LEG_RY] = -11.74;
    sense(key1);
    NaoKick2 k;
    EXPECT_NEAR(speeds(cycle(k))["rae1"], toward(50, 0), 1e-6);  // standing comes first
    sense(kStanding);
    NaoKick2 fresh;
    cycle(fresh);  // already standing: the start phase ends
    EXPECT_NEAR(speeds(cycle(fresh))["rae1"], toward(0, 50), 1e-6);
}
