// The walking oscillator against values worked out by hand for the default
// gait (step 0.2 s, knee held until 0.1865148 s of the 0.4 s cycle), the
// slave leg as the master one step later, and gaits without a usable period.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "control/TFSOscillator.h"

namespace {

constexpr double kTol = 1e-5;
constexpr double kKneeHoldEnd = 0.1865148;
constexpr double kKneeOffset = -29.7735;
constexpr double kHipOffset = 15.2049;

// aKnee, t1Knee, t2Kknee, cKnee, aArm, aHipY, aHip, bHip, cHip, halfPeriod.
TFSOscillator walkingGait(double t, double step = 0.2) {
    TFSOscillator osc(t);
    const double p[10] = {-20.9241, 0.0,    kKneeHoldEnd, kKneeOffset, 20.7945,
                          -7.0,     -18.05, 11.6474,      kHipOffset,  step};
    osc.setOscParameters(p);
    return osc;
}

}  // namespace

TEST(TFSOscillator, KneeWindowSlaveShiftHipRollAmplitudeAndYawRange) {
    TFSOscillator osc = walkingGait(0);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.0), kKneeOffset);  // both borders hold
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(kKneeHoldEnd), kKneeOffset);
    EXPECT_NEAR(osc.masterKneeOSC(kKneeHoldEnd + 1e-6), -29.7738079, kTol);
    EXPECT_NEAR(osc.masterKneeOSC(kKneeHoldEnd + 0.2134852 / 2), -50.6976, kTol);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.45), kKneeOffset);  // next cycle
    for (double t : {0.03, 0.25, 0.41}) {  // the slave is the master one step later
        EXPECT_NEAR(osc.slaveKneeOSC(t), osc.masterKneeOSC(t - 0.2), 1e-12) << t;
        EXPECT_NEAR(osc.slaveHipXOSC(t), osc.masterHipXOSC(t - 0.2), 1e-12) << t;
        EXPECT_NEAR(osc.slaveArmOSC(t), osc.masterArmOSC(t - 0.2), 1e-12) << t;
    }
    // Roll amplitude -7.0 * 1.0 - 1.0: master on the negative half-wave.
    EXPECT_NEAR(osc.masterHipYOSC(0.05), -5.6568543, kTol);
    EXPECT_DOUBLE_EQ(osc.slaveHipYOSC(0.05), 0.0);
    EXPECT_NEAR(osc.slaveHipYOSC(0.25), 5.6568546, kTol);
    osc.setR(1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.0, 0.0, 1, 1);  // roll scaled to 0
    EXPECT_NEAR(osc.masterHipYOSC(0.1), -1.0, kTol);
    EXPECT_NEAR(osc.masterHipXOSC(0.0), 33.2549, kTol);  // one amplitude per half-wave
    EXPECT_NEAR(osc.masterHipXOSC(0.2), 3.5575, kTol);
    // Hip yaw between twice the amplitude and zero.
    osc.setRotAmp(-4.0);
    EXPECT_NEAR(osc.calcHeapRot(0.0), -8.0, kTol);
    EXPECT_NEAR(osc.calcHeapRot(0.2), 0.0, kTol);
    osc.setRotAmp(4.0);
    EXPECT_NEAR(osc.calcHeapRot(0.2), -8.0, kTol);
}

TEST(TFSOscillator, GaitsWithoutAPeriodStayFinite) {
    for (double step : {0.0, -0.2, std::nan(""), std::numeric_limits<double>::infinity()}) {
        TFSOscillator osc = walkingGait(1.234, step);
        osc.setRotAmp(-3.0);
        osc.calcOSC();
        // The starting posture: offsets, no roll, the yaw's start value.
        EXPECT_DOUBLE_EQ(osc.masterHipXGEN(), kHipOffset) << step;
        EXPECT_DOUBLE_EQ(osc.slaveHipYGEN(), 0.0);
        EXPECT_DOUBLE_EQ(osc.masterRotGEN(), -6.0);
        EXPECT_TRUE(std::isfinite(osc.getLHipRotate()));
    }
    const double far = walkingGait(0).normalizeTime(1e300);  // no overflow
    EXPECT_TRUE(far >= 0.0 && far < 0.4);
}
