// The walking oscillator against values worked out by hand for the default
// walking gait (step 0.2 s, knee held until 0.1865148 s of the 0.4 s cycle),
// the slave leg as the master one step later, and gaits without a usable
// period, which must still give finite angles.
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

TEST(TFSOscillator, HipRollAmplitudeIsOneDegreeBeyondTheScaledValue) {
    TFSOscillator osc = walkingGait(0);
    // -7.0 * 1.0 - 1.0 = -8.0: the master passes the non-positive half-wave,
    // the slave the non-negative one, at the same time.
    EXPECT_NEAR(osc.masterHipYOSC(0.05), -5.6568543, kTol);
    EXPECT_DOUBLE_EQ(osc.slaveHipYOSC(0.05), 0.0);
    EXPECT_DOUBLE_EQ(osc.masterHipYOSC(0.25), 0.0);
    EXPECT_NEAR(osc.slaveHipYOSC(0.25), 5.6568546, kTol);
    // At full speed the walk scales the roll to 0; one degree of sway stays.
    osc.setR(1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.0, 0.0, 1, 1);
    EXPECT_NEAR(osc.masterHipYOSC(0.1), -1.0, kTol);
    EXPECT_NEAR(osc.slaveHipYOSC(0.3), 1.0, kTol);
}

TEST(TFSOscillator, HipPitchFollowsOneAmplitudePerHalfWave) {
    const TFSOscillator osc = walkingGait(0);
    // First amplitude negative: the cycle starts at cHip - aHip.
    EXPECT_NEAR(osc.masterHipXOSC(0.0), 33.2549, kTol);
    EXPECT_NEAR(osc.masterHipXOSC(0.05), 27.9681775, kTol);
    EXPECT_NEAR(osc.masterHipXOSC(0.1), kHipOffset, kTol);
    // The other half-wave swings to the other side with the second amplitude.
    EXPECT_NEAR(osc.masterHipXOSC(0.2), 3.5575, kTol);
    // First amplitude positive: the start is the second half-wave's extreme.
    TFSOscillator positive(0);
    positive.setOscParameters(-20.9241, 0.0, kKneeHoldEnd, kKneeOffset, 10.0, 5.0, kHipOffset,
                              kStep);
    EXPECT_NEAR(positive.masterHipXOSC(0.0), 20.2049, kTol);
}

TEST(TFSOscillator, SlaveIsTheMasterOneStepLater) {
    const TFSOscillator osc = walkingGait(0);
    for (double t : {0.0, 0.03, 0.17, 0.25, 0.41, 0.77}) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(osc.slaveKneeOSC(t), osc.masterKneeOSC(t - kStep), 1e-12);
        EXPECT_NEAR(osc.slaveHipXOSC(t), osc.masterHipXOSC(t - kStep), 1e-12);
        EXPECT_NEAR(osc.slaveArmOSC(t), osc.masterArmOSC(t - kStep), 1e-12);
    }
    // Before its first step the slave knee is on the previous cycle's bump.
    EXPECT_NEAR(osc.slaveKneeOSC(0.1), -50.5946848, kTol);
    EXPECT_NEAR(osc.masterArmOSC(0.15), 14.7039321, kTol);
}

TEST(TFSOscillator, HipYawStaysBetweenTwiceTheAmplitudeAndZero) {
    TFSOscillator osc = walkingGait(0);
    EXPECT_DOUBLE_EQ(osc.calcHeapRot(0.13), 0.0);
    osc.setRotAmp(-4.0);  // extreme at the start of the cycle
    EXPECT_NEAR(osc.calcHeapRot(0.0), -8.0, kTol);
    EXPECT_NEAR(osc.calcHeapRot(0.1), -4.0, kTol);
    EXPECT_NEAR(osc.calcHeapRot(0.2), 0.0, kTol);
    osc.setRotAmp(4.0);  // extreme in the middle of the cycle
    EXPECT_NEAR(osc.calcHeapRot(0.0), 0.0, kTol);
    EXPECT_NEAR(osc.calcHeapRot(0.2), -8.0, kTol);
    EXPECT_NEAR(osc.calcHeapRot(0.3), -4.0, kTol);
}

TEST(TFSOscillator, CalcOscLinksAnklesToHipsAndKnees) {
    TFSOscillator osc = walkingGait(0.3);
    osc.setRotAmp(-2.5);
    osc.calcOSC();
    EXPECT_NEAR(osc.masterKneeGEN(), -50.5946848, kTol);
    EXPECT_NEAR(osc.masterHipXGEN(), 15.2049008, kTol);
    EXPECT_DOUBLE_EQ(osc.masterAnkleGEN(), -(osc.masterKneeGEN() + osc.masterHipXGEN()));
    EXPECT_DOUBLE_EQ(osc.slaveAnkleGEN(), -(osc.slaveKneeGEN() + osc.slaveHipXGEN()));
    // Each ankle rolls with the other hip.
    EXPECT_NEAR(osc.slaveHipYGEN(), 8.0, kTol);
    EXPECT_DOUBLE_EQ(osc.masterAnkleYGEN(), osc.slaveHipYGEN());
    EXPECT_DOUBLE_EQ(osc.slaveAnkleYGEN(), osc.masterHipYGEN());
    EXPECT_NEAR(osc.masterRotGEN(), -2.5, kTol);  // cos(1.5 pi) = 0
    EXPECT_DOUBLE_EQ(osc.slaveRotGEN(), osc.masterRotGEN());
}

TEST(TFSOscillator, TimeFoldingAndStepChanges) {
    TFSOscillator osc = walkingGait(0);
    EXPECT_NEAR(osc.normalizeTime(0.9), 0.1, 1e-12);
    EXPECT_NEAR(osc.normalizeTime(-0.5), -0.1, 1e-12);
    const double far = osc.normalizeTime(1e300);  // no overflow, still in the cycle
    EXPECT_TRUE(far >= 0.0 && far < 0.4);
    // A longer step keeps the knee window's share of the cycle.
    osc.setOscParameters(-20.0, 0.02, 0.18, -30.0, 10.0, 5.0, 15.0, 0.2);
    osc.changeTFSfPeriods(0.3);  // window 0.02 .. 0.26 of 0.6 s
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.25), -30.0);
    EXPECT_LT(osc.masterKneeOSC(0.27), -30.0);
    osc.changeTFSfPeriods(std::numeric_limits<double>::quiet_NaN());  // refused
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.25), -30.0);
    // From a zero step there is nothing to rescale: the window stays.
    osc.setOscParameters(-20.0, 0.0, 0.18, -30.0, 10.0, 5.0, 15.0, 0.0);
    osc.changeTFSfPeriods(0.2);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.18), -30.0);
    EXPECT_LT(osc.masterKneeOSC(0.19), -30.0);
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

TEST(TFSOscillator, DiagnosticGeneratorsPrintAndStayNonPositive) {
    TFSOscillator osc = walkingGait(0.15);
    osc.setRotAmp(3.0);
    osc.setaFWRot(2.0);
    testing::internal::CaptureStdout();
    const double rot = osc.masterRotOSC(0.1);
    const double hr = osc.getRHipRotate();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NEAR(rot, -2.1213203, kTol);  // -3 sin(pi / 4)
    EXPECT_NEAR(hr, 3.4142136, kTol);    // 2 (1 + sin(pi / 4))
    EXPECT_EQ(out, std::string(28, '@') + "\n     Rot Amp = 3\nhr = 3.41421\nmh = 0\n");
}
