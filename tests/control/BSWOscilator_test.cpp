// The side-step oscillator against hand-worked values on a 1 s cycle: which
// hip rolls first, the second hip's delay and the roll limit, and delays or
// periods that leave no time to roll.
#include <gtest/gtest.h>

#include <cmath>

#include "control/BSWOscilator.h"

namespace {

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

TEST(BSWOscilator, HipsRollInTurnAfterTheDelayOrNotAtAllWithoutTime) {
    // Stepping left the left hip waits half the cycle while the right rolls
    // -20 sin(2 pi t), limited to -10; stepping right mirrors it.
    EXPECT_DOUBLE_EQ(sideStep(0.49, BesideLeft).getLHipY(), 0.0);
    EXPECT_NEAR(sideStep(0.05, BesideLeft).getRHipY(), -6.1803399, 1e-5);
    EXPECT_DOUBLE_EQ(sideStep(0.25, BesideLeft).getRHipY(), -10.0);
    EXPECT_DOUBLE_EQ(sideStep(0.75, BesideLeft).getLHipY(), 10.0);
    // A shorter delay lengthens both half sines to 0.8 s; time is folded first.
    EXPECT_NEAR(sideStep(0.3, BesideLeft, 0.2).getLHipY(), 7.6536686, 1e-5);
    EXPECT_DOUBLE_EQ(sideStep(0.19, BesideLeft, 0.2).getLHipY(), 0.0);
    EXPECT_NEAR(sideStep(3.75, BesideLeft).getLHipY(), 10.0, 1e-5);
    // Pitch and knee swap with the side.
    EXPECT_NEAR(sideStep(0.25, BesideLeft).getLKnee(), -30.0, 1e-5);
    EXPECT_NEAR(sideStep(0.25, BesideRight).getRHipX(), 15.0, 1e-5);
    // {n2, period}: a delay of a whole cycle, or no usable period.
    const double cases[][2] = {{1.0, 1.0}, {0.5, 0.0}, {0.5, std::nan("")}};
    for (const auto& c : cases) {
        const BSWOsc osc = sideStep(0.3, BesideLeft, c[0], c[1]);
        EXPECT_DOUBLE_EQ(osc.getRHipY(), 0.0) << c[0] << " " << c[1];
        EXPECT_DOUBLE_EQ(osc.getLHipY(), 0.0);
        EXPECT_TRUE(std::isfinite(osc.getLAnkleX()));
    }
}
