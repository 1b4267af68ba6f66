// The side-step oscillator against hand-worked values on a 1 s cycle: which
// hip rolls first for each side, the second hip's delay and the roll limit,
// the half-cycle phase shift of pitch and knee, and parameters that leave
// no time to roll.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "control/BSWOscilator.h"

namespace {

constexpr double kTol = 1e-5;

// Roll 20 limited to half of it, pitch 10 above 5, knee 20 below -10, the
// second hip half a cycle late, 1 s cycle.
BSWOsc sideStep(double t, Direction side, double n2 = 0.5, double period = 1.0) {
    BSWOsc osc(t, side);
    const double p[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, n2, period};
    osc.setOscParameters(p);
    osc.calcOsc();
    return osc;
}

}  // namespace

TEST(BSWOscilator, SteppingLeftRollsTheRightHipFirstThenTheLeftAfterTheDelay) {
    // The left hip waits the whole first half of the cycle.
    for (double t : {0.0, 0.05, 0.25, 0.49}) {
        SCOPED_TRACE(t);
        EXPECT_DOUBLE_EQ(sideStep(t, BesideLeft).getLHipY(), 0.0);
    }
    // The right hip's half sine lasts the other half: -20 sin(2 pi t),
    // limited to -10.
    EXPECT_NEAR(sideStep(0.05, BesideLeft).getRHipY(), -6.1803399, kTol);
    EXPECT_DOUBLE_EQ(sideStep(0.25, BesideLeft).getRHipY(), -10.0);
    EXPECT_NEAR(sideStep(0.5, BesideLeft).getRHipY(), 0.0, kTol);
    EXPECT_DOUBLE_EQ(sideStep(0.6, BesideLeft).getRHipY(), 0.0);
    EXPECT_NEAR(sideStep(0.55, BesideLeft).getLHipY(), 6.1803399, kTol);
    EXPECT_DOUBLE_EQ(sideStep(0.75, BesideLeft).getLHipY(), 10.0);
}

TEST(BSWOscilator, SteppingRightMirrorsTheRolls) {
    EXPECT_NEAR(sideStep(0.05, BesideRight).getLHipY(), 6.1803399, kTol);
    EXPECT_DOUBLE_EQ(sideStep(0.25, BesideRight).getLHipY(), 10.0);
    EXPECT_DOUBLE_EQ(sideStep(0.25, BesideRight).getRHipY(), 0.0);
    EXPECT_NEAR(sideStep(0.55, BesideRight).getRHipY(), -6.1803399, kTol);
    EXPECT_DOUBLE_EQ(sideStep(0.75, BesideRight).getRHipY(), -10.0);
    EXPECT_DOUBLE_EQ(sideStep(0.75, BesideRight).getLHipY(), 0.0);
}

TEST(BSWOscilator, ShorterDelayLengthensBothRolls) {
    // n2 = 0.2: each roll is a half sine of 0.8 s; the left hip starts at 0.2.
    const BSWOsc osc = sideStep(0.3, BesideLeft, 0.2);
    EXPECT_NEAR(osc.getRHipY(), -10.0, kTol);  // -20 sin(3 pi / 8) = -18.5, limited
    EXPECT_NEAR(osc.getLHipY(), 7.6536686, kTol);  // 20 sin(pi / 8)
    EXPECT_DOUBLE_EQ(sideStep(0.19, BesideLeft, 0.2).getLHipY(), 0.0);
}

TEST(BSWOscilator, PitchAndKneeSwapLegsWithTheSide) {
    const BSWOsc left = sideStep(0.25, BesideLeft);
    EXPECT_NEAR(left.getRHipX(), 5.0, kTol);  // raised to the offset
    EXPECT_NEAR(left.getLHipX(), 15.0, kTol);
    EXPECT_NEAR(left.getRKnee(), -10.0, kTol);  // held at the offset
    EXPECT_NEAR(left.getLKnee(), -30.0, kTol);

    const BSWOsc right = sideStep(0.25, BesideRight);
    EXPECT_NEAR(right.getRHipX(), 15.0, kTol);
    EXPECT_NEAR(right.getLHipX(), 5.0, kTol);
    EXPECT_NEAR(right.getRKnee(), -30.0, kTol);
    EXPECT_NEAR(right.getLKnee(), -10.0, kTol);
}

TEST(BSWOscilator, AnklesFollowHipsAndKnees) {
    const BSWOsc osc = sideStep(0.3, BesideLeft, 0.2);
    EXPECT_DOUBLE_EQ(osc.getRAnkleX(), -(osc.getRKnee() + osc.getRHipX()));
    EXPECT_DOUBLE_EQ(osc.getLAnkleX(), -(osc.getLKnee() + osc.getLHipX()));
    EXPECT_DOUBLE_EQ(osc.getRAnkleY(), osc.getLHipY());
    EXPECT_DOUBLE_EQ(osc.getLAnkleY(), osc.getRHipY());
}

TEST(BSWOscilator, PhaseTimeIsFoldedIntoOneCycle) {
    EXPECT_NEAR(sideStep(1.3, BesideLeft).getTime(), 0.3, 1e-12);
    EXPECT_NEAR(sideStep(3.75, BesideLeft).getLHipY(), 10.0, kTol);
    EXPECT_NEAR(sideStep(-0.2, BesideLeft).getTime(), -0.2, 1e-12);
}

TEST(BSWOscilator, NoTimeToRollKeepsBothHipsLevel) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // A delay of a whole cycle or more, or no usable period.
    const double cases[][2] = {{1.0, 1.0}, {1.5, 1.0}, {0.5, 0.0}, {0.5, -1.0}, {0.5, nan}};
    for (const auto& c : cases) {
        for (double t : {0.0, 0.3, 0.99}) {
            for (Direction side : {BesideLeft, BesideRight}) {
                const BSWOsc osc = sideStep(t, side, c[0], c[1]);
                SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << t);
                EXPECT_DOUBLE_EQ(osc.getRHipY(), 0.0);
                EXPECT_DOUBLE_EQ(osc.getLHipY(), 0.0);
                EXPECT_TRUE(std::isfinite(osc.getRHipX()));
                EXPECT_TRUE(std::isfinite(osc.getLKnee()));
                EXPECT_TRUE(std::isfinite(osc.getLAnkleX()));
            }
        }
    }
    // Without a period the legs take the start-of-cycle posture.
    const BSWOsc still = sideStep(0.3, BesideLeft, 0.5, 0.0);
    EXPECT_NEAR(still.getRHipX(), 5.0, kTol);
    EXPECT_NEAR(still.getLKnee(), -10.0, kTol);
}

TEST(BSWOscilator, UnloadedOscillatorGivesZeros) {
    BSWOsc osc(0.4, BesideRight);
    osc.setOscParameters(nullptr);
    osc.calcOsc();
    EXPECT_DOUBLE_EQ(osc.getRHipX(), 0.0);
    EXPECT_DOUBLE_EQ(osc.getLHipY(), 0.0);
    EXPECT_DOUBLE_EQ(osc.getRAnkleX(), 0.0);
}
