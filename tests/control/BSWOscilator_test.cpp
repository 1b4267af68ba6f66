// The side-step oscillator against hand-worked values on a 1 s cycle: which
// hip rolls first for each side, the second hip's delay and the roll limit,
// the half-cycle shift of pitch and knee, and delays or periods that leave
// no time to roll.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "control/BSWOscilator.h"

namespace {

constexpr double kTol = 1e-5;

// Roll 20 limited to half of it, pitch 10 above 5, knee 20 below -10, the
// second hip n2 of the cycle late.
BSWOsc sideStep(double t, Direction side, double n2 = 0.5, double period = 1.0) {
    BSWOsc osc(t, side);
    const double p[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, n2, period};
    osc.setOscParameters(p);
    osc.calcOsc();
    return osc;
}

}  // namespace

TEST(BSWOscilator, StepAwayHipRollsFirstTheOtherAfterTheDelay) {
    // Stepping left the left hip waits the first half of the cycle while the
    // right rolls -20 sin(2 pi t), limited to -10; stepping right mirrors it.
    for (double t : {0.0, 0.05, 0.25, 0.49}) {
        EXPECT_DOUBLE_EQ(sideStep(t, BesideLeft).getLHipY(), 0.0) << t;
        EXPECT_DOUBLE_EQ(sideStep(t, BesideRight).getRHipY(), 0.0) << t;
    }
    EXPECT_NEAR(sideStep(0.05, BesideLeft).getRHipY(), -6.1803399, kTol);
    EXPECT_NEAR(sideStep(0.05, BesideRight).getLHipY(), 6.1803399, kTol);
    EXPECT_DOUBLE_EQ(sideStep(0.25, BesideLeft).getRHipY(), -10.0);
    EXPECT_DOUBLE_EQ(sideStep(0.6, BesideLeft).getRHipY(), 0.0);
    EXPECT_NEAR(sideStep(0.55, BesideLeft).getLHipY(), 6.1803399, kTol);
    EXPECT_NEAR(sideStep(0.55, BesideRight).getRHipY(), -6.1803399, kTol);
    EXPECT_DOUBLE_EQ(sideStep(0.75, BesideLeft).getLHipY(), 10.0);
    EXPECT_DOUBLE_EQ(sideStep(0.75, BesideRight).getLHipY(), 0.0);
    // A shorter delay lengthens both half sines to 0.8 s.
    EXPECT_NEAR(sideStep(0.3, BesideLeft, 0.2).getLHipY(), 7.6536686, kTol);  // 20 sin(pi/8)
    EXPECT_DOUBLE_EQ(sideStep(0.19, BesideLeft, 0.2).getLHipY(), 0.0);
    // The phase time is folded into the cycle first.
    EXPECT_NEAR(sideStep(3.75, BesideLeft).getLHipY(), 10.0, kTol);
    EXPECT_NEAR(sideStep(1.3, BesideLeft).getTime(), 0.3, 1e-12);
}

TEST(BSWOscilator, PitchAndKneeSwapLegsWithTheSide) {
    const BSWOsc left = sideStep(0.25, BesideLeft);
    EXPECT_NEAR(left.getRHipX(), 5.0, kTol);  // raised to the offset
    EXPECT_NEAR(left.getLHipX(), 15.0, kTol);
    EXPECT_NEAR(left.getRKnee(), -10.0, kTol);  // held at the offset
    EXPECT_NEAR(left.getLKnee(), -30.0, kTol);
    const BSWOsc right = sideStep(0.25, BesideRight);
    EXPECT_NEAR(right.getRHipX(), 15.0, kTol);
    EXPECT_NEAR(right.getLKnee(), -10.0, kTol);
    // Ankles keep the feet level and roll with the other hip.
    const BSWOsc osc = sideStep(0.3, BesideLeft, 0.2);
    EXPECT_DOUBLE_EQ(osc.getRAnkleX(), -(osc.getRKnee() + osc.getRHipX()));
    EXPECT_DOUBLE_EQ(osc.getLAnkleX(), -(osc.getLKnee() + osc.getLHipX()));
    EXPECT_DOUBLE_EQ(osc.getRAnkleY(), osc.getLHipY());
    EXPECT_DOUBLE_EQ(osc.getLAnkleY(), osc.getRHipY());
}

TEST(BSWOscilator, NoTimeToRollKeepsBothHipsLevel) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // {n2, period}: a delay of a whole cycle or more, or no usable period.
    const double cases[][2] = {{1.0, 1.0}, {1.5, 1.0}, {0.5, 0.0}, {0.5, -1.0}, {0.5, nan}};
    for (const auto& c : cases) {
        for (double t : {0.0, 0.3, 0.99}) {
            for (Direction side : {BesideLeft, BesideRight}) {
                SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << t);
                const BSWOsc osc = sideStep(t, side, c[0], c[1]);
                EXPECT_DOUBLE_EQ(osc.getRHipY(), 0.0);
                EXPECT_DOUBLE_EQ(osc.getLHipY(), 0.0);
                EXPECT_TRUE(std::isfinite(osc.getLAnkleX()));
                EXPECT_TRUE(std::isfinite(osc.getRAnkleX()));
            }
        }
    }
    // Without a period the legs take the start-of-cycle posture.
    const BSWOsc still = sideStep(0.3, BesideLeft, 0.5, 0.0);
    EXPECT_NEAR(still.getRHipX(), 5.0, kTol);
    EXPECT_NEAR(still.getLKnee(), -10.0, kTol);
}
