// The walking oscillator against values worked out by hand for the default
// walking gait (knee held until 0.1865148 s of the 0.4 s cycle), and gaits
// without a usable period, which must still give finite angles.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "control/TFSOscillator.h"

namespace {

constexpr double kTol = 1e-5;
constexpr double kStep = 0.2;
constexpr double kKneeHoldEnd = 0.1865148;
constexpr double kKneeOffset = -29.7735;
constexpr double kHipOffset = 15.2049;

// aKnee, t1Knee, t2Kknee, cKnee, aArm, aHipY, aHip, bHip, cHip, halfPeriod.
TFSOscillator walkingGait(double t, double step = kStep) {
    TFSOscillator osc(t);
    const double p[10] = {-20.9241, 0.0,    kKneeHoldEnd, kKneeOffset, 20.7945,
                          -7.0,     -18.05, 11.6474,      kHipOffset,  step};
    osc.setOscParameters(p);
    return osc;
}

}  // namespace

TEST(TFSOscillator, KneeIsHeldInsideTheWindowAndBendsOnceOutsideIt) {
    const TFSOscillator osc = walkingGait(0);
    // Both borders of the hold window belong to it.
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.0), kKneeOffset);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(kKneeHoldEnd), kKneeOffset);
    // Just after the window the bend starts from the offset; the bump lasts
    // the 0.2134852 s outside the window and peaks a full amplitude lower.
    EXPECT_NEAR(osc.masterKneeOSC(kKneeHoldEnd + 1e-6), -29.7738079, kTol);
    EXPECT_NEAR(osc.masterKneeOSC(kKneeHoldEnd + 0.2134852 / 2), -50.6976, kTol);
    EXPECT_NEAR(osc.masterKneeOSC(0.35), -43.8171436, kTol);
    // The next cycle holds again.
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.4), kKneeOffset);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.45), kKneeOffset);
}

TEST(TFSOscillator, GaitsWithoutAPeriodOrBendStayFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double step : {0.0, -0.2, nan, std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(step);
        TFSOscillator osc = walkingGait(1.234, step);
        osc.setRotAmp(-3.0);
        osc.calcOSC();
        // The starting posture: offsets, no roll, the yaw's start value.
        EXPECT_DOUBLE_EQ(osc.masterHipXGEN(), kHipOffset);
        EXPECT_DOUBLE_EQ(osc.slaveHipXGEN(), kHipOffset);
        EXPECT_DOUBLE_EQ(osc.masterKneeGEN(), kKneeOffset);
        EXPECT_DOUBLE_EQ(osc.slaveAnkleGEN(), -(kKneeOffset + kHipOffset));
        EXPECT_DOUBLE_EQ(osc.slaveHipYGEN(), 0.0);
        EXPECT_DOUBLE_EQ(osc.masterRotGEN(), -6.0);
        EXPECT_TRUE(std::isfinite(osc.getLHipRotate()));
    }
    // A hold window as long as the cycle leaves no time to bend.
    TFSOscillator held(0);
    held.setOscParameters(-20.0, 0.0, 0.4, -30.0, 10.0, 5.0, 15.0, kStep);
    for (double t : {0.0, 0.1, 0.39, 0.41}) EXPECT_DOUBLE_EQ(held.masterKneeOSC(t), -30.0);
    held.setOscParameters(nullptr);  // changes nothing
    EXPECT_DOUBLE_EQ(held.slaveKneeOSC(0.3), -30.0);
}
