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
TFSOscillator walkingGait(double t) {
    TFSOscillator osc(t);
    const double p[10] = {-20.9241, 0.0,    kKneeHoldEnd, kKneeOffset, 20.7945,
                          -7.0,     -18.05, 11.6474,      kHipOffset,  kStep};
    osc.setOscParameters(p);
    return osc;
}

bool allFinite(TFSOscillator& osc) {
    osc.calcOSC();
    const double outputs[] = {osc.masterHipXGEN(), osc.masterHipYGEN(), osc.masterKneeGEN(),
                              osc.masterAnkleGEN(), osc.masterArmGEN(),  osc.masterRotGEN(),
                              osc.slaveHipXGEN(),  osc.slaveHipYGEN(),  osc.slaveKneeGEN(),
                              osc.slaveAnkleGEN(), osc.slaveArmGEN(),   osc.slaveRotGEN()};
    for (double v : outputs) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

}  // namespace

TEST(TFSOscillator, KneeIsHeldInsideTheWindowAndBendsOnceOutsideIt) {
    const TFSOscillator osc = walkingGait(0);
    // Both borders of the hold window belong to it.
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.0), kKneeOffset);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(kKneeHoldEnd), kKneeOffset);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.1), kKneeOffset);
    // Just after the window the bend starts from the offset.
    EXPECT_NEAR(osc.masterKneeOSC(kKneeHoldEnd + 1e-6), -29.7738079, kTol);
    // The bump lasts the 0.2134852 s outside the window; its peak is the
    // full amplitude below the offset.
    EXPECT_NEAR(osc.masterKneeOSC(kKneeHoldEnd + 0.2134852 / 2), -50.6976, kTol);
    EXPECT_NEAR(osc.masterKneeOSC(0.3), -50.5946848, kTol);
    EXPECT_NEAR(osc.masterKneeOSC(0.35), -43.8171436, kTol);
    // The next cycle holds again.
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.45), kKneeOffset);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.4), kKneeOffset);
}

TEST(TFSOscillator, HipRollAmplitudeIsOneDegreeBeyondTheScaledValue) {
    TFSOscillator osc = walkingGait(0);
    // -7.0 * 1.0 - 1.0 = -8.0: the master passes the non-positive half-wave,
    // the slave the non-negative one, at the same time.
    EXPECT_NEAR(osc.masterHipYOSC(0.05), -5.6568543, kTol);
    EXPECT_DOUBLE_EQ(osc.slaveHipYOSC(0.05), 0.0);
    EXPECT_NEAR(osc.masterHipYOSC(0.1), -8.0, kTol);
    EXPECT_DOUBLE_EQ(osc.masterHipYOSC(0.25), 0.0);
    EXPECT_NEAR(osc.slaveHipYOSC(0.25), 5.6568546, kTol);

    // At full speed the walk scales the roll to 0; one degree of sway stays.
    osc.setR(1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.0, 0.0, 1, 1);
    EXPECT_NEAR(osc.masterHipYOSC(0.1), -1.0, kTol);
    EXPECT_NEAR(osc.slaveHipYOSC(0.3), 1.0, kTol);
}

TEST(TFSOscillator, HipPitchFollowsOneAmplitudePerHalfWave) {
    const TFSOscillator osc = walkingGait(0);
    // First amplitude negative: the start of the cycle is cHip - aHip.
    EXPECT_NEAR(osc.masterHipXOSC(0.0), 33.2549, kTol);
    EXPECT_NEAR(osc.masterHipXOSC(0.05), 27.9681775, kTol);
    EXPECT_NEAR(osc.masterHipXOSC(0.1), kHipOffset, kTol);
    // The other half-wave swings to the other side with the second amplitude.
    EXPECT_NEAR(osc.masterHipXOSC(0.2), 3.5575, kTol);

    TFSOscillator positive(0);
    positive.setOscParameters(-20.9241, 0.0, kKneeHoldEnd, kKneeOffset, 10.0, 5.0, kHipOffset,
                              kStep);
    // First amplitude positive: the start is on the second half-wave's
    // extreme, cHip + bHip.
    EXPECT_NEAR(positive.masterHipXOSC(0.0), 20.2049, kTol);
}

TEST(TFSOscillator, SlaveIsTheMasterOneStepLater) {
    const TFSOscillator osc = walkingGait(0);
    for (double t : {0.0, 0.03, 0.1, 0.17, 0.25, 0.33, 0.41, 0.77}) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(osc.slaveKneeOSC(t), osc.masterKneeOSC(t - kStep), 1e-12);
        EXPECT_NEAR(osc.slaveHipXOSC(t), osc.masterHipXOSC(t - kStep), 1e-12);
        EXPECT_NEAR(osc.slaveArmOSC(t), osc.masterArmOSC(t - kStep), 1e-12);
    }
    // Before the first step the slave knee is on the bump of the previous
    // cycle.
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
    for (double t = 0; t < 0.8; t += 0.013) {
        EXPECT_LE(osc.calcHeapRot(t), 1e-9);
        EXPECT_GE(osc.calcHeapRot(t), -8.0 - 1e-9);
    }
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
    EXPECT_NEAR(osc.masterHipYGEN(), 0.0, kTol);
    EXPECT_NEAR(osc.slaveHipYGEN(), 8.0, kTol);
    EXPECT_DOUBLE_EQ(osc.masterAnkleYGEN(), osc.slaveHipYGEN());
    EXPECT_DOUBLE_EQ(osc.slaveAnkleYGEN(), osc.masterHipYGEN());
    // Both legs yaw alike.
    EXPECT_DOUBLE_EQ(osc.masterRotGEN(), osc.slaveRotGEN());
    EXPECT_NEAR(osc.masterRotGEN(), -2.5, kTol);  // cos(1.5 pi) = 0
}

TEST(TFSOscillator, NormalizeTimeTruncatesTowardZero) {
    const TFSOscillator osc = walkingGait(0);
    EXPECT_NEAR(osc.normalizeTime(0.9), 0.1, 1e-12);
    EXPECT_NEAR(osc.normalizeTime(-0.5), -0.1, 1e-12);
    EXPECT_NEAR(osc.normalizeTime(0.39), 0.39, 1e-12);
    // Far beyond any match, still a time inside the cycle.
    const double far = osc.normalizeTime(1e18);
    EXPECT_GE(far, 0.0);
    EXPECT_LT(far, 0.4);
}

TEST(TFSOscillator, ChangingTheStepKeepsTheKneeWindowShare) {
    TFSOscillator osc(0);
    osc.setOscParameters(-20.0, 0.02, 0.18, -30.0, 10.0, 5.0, 15.0, 0.2);
    osc.changeTFSfPeriods(0.3);
    // Window 0.02 .. 0.26 of a 0.6 s cycle now.
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.25), -30.0);
    EXPECT_LT(osc.masterKneeOSC(0.27), -30.0);
    EXPECT_LT(osc.masterKneeOSC(0.01), -30.0);
}

TEST(TFSOscillator, GaitWithoutAPeriodStaysAtItsStartingPosture) {
    for (double step : {0.0, -0.2, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(step);
        TFSOscillator osc(1.234);
        const double p[10] = {-20.9241, 0.0, kKneeHoldEnd, kKneeOffset, 20.7945,
                              -7.0,     -18.05, 11.6474, kHipOffset, step};
        osc.setOscParameters(p);
        osc.setRotAmp(-3.0);
        ASSERT_TRUE(allFinite(osc));
        EXPECT_DOUBLE_EQ(osc.masterHipXGEN(), kHipOffset);
        EXPECT_DOUBLE_EQ(osc.masterKneeGEN(), kKneeOffset);
        EXPECT_DOUBLE_EQ(osc.slaveHipYGEN(), 0.0);
        EXPECT_DOUBLE_EQ(osc.masterRotGEN(), -6.0);
        EXPECT_DOUBLE_EQ(osc.normalizeTime(5.0), 0.0);
        EXPECT_TRUE(std::isfinite(osc.getRHipRotate()));
        // Rescaling from there gives a gait that walks again.
        osc.changeTFSfPeriods(kStep);
        EXPECT_TRUE(allFinite(osc));
    }
}

TEST(TFSOscillator, RescalingFromAZeroStepKeepsTheKneeWindow) {
    TFSOscillator osc(0);
    osc.setOscParameters(-20.0, 0.0, 0.18, -30.0, 10.0, 5.0, 15.0, 0.0);
    osc.changeTFSfPeriods(0.2);
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.18), -30.0);
    EXPECT_LT(osc.masterKneeOSC(0.19), -30.0);
    // A duration that is no number is refused.
    osc.changeTFSfPeriods(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(osc.masterKneeOSC(0.18), -30.0);
    EXPECT_LT(osc.masterKneeOSC(0.19), -30.0);
}

TEST(TFSOscillator, KneeWindowFillingTheCycleHoldsTheKnee) {
    TFSOscillator osc(0);
    osc.setOscParameters(-20.0, 0.0, 0.4, -30.0, 10.0, 5.0, 15.0, kStep);
    for (double t : {0.0, 0.1, 0.39, 0.41}) EXPECT_DOUBLE_EQ(osc.masterKneeOSC(t), -30.0);
    osc.setOscParameters(-20.0, 0.0, 0.5, -30.0, 10.0, 5.0, 15.0, kStep);
    EXPECT_DOUBLE_EQ(osc.slaveKneeOSC(0.3), -30.0);
}

TEST(TFSOscillator, AnUnloadedOscillatorGivesFiniteAngles) {
    TFSOscillator osc(0.7);
    EXPECT_TRUE(allFinite(osc));
    TFSOscillator late(std::numeric_limits<double>::max());
    const double p[10] = {-20.9241, 0.0, kKneeHoldEnd, kKneeOffset, 20.7945,
                          -7.0,     -18.05, 11.6474, kHipOffset, kStep};
    late.setOscParameters(p);
    late.setOscParameters(nullptr);  // changes nothing
    late.calcOSC();
    EXPECT_TRUE(std::isfinite(late.masterKneeGEN()));
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
    EXPECT_DOUBLE_EQ(osc.slaveRotOSC(0.1), rot);
    EXPECT_NEAR(hr, 3.4142136, kTol);  // 2 (1 + sin(pi / 4))
    EXPECT_EQ(out.rfind(std::string(28, '@') + "\n     Rot Amp = 3\nhr = ", 0), 0u) << out;
    EXPECT_NE(out.find("mh = "), std::string::npos);
    osc.setRotAmp(-3.0);
    testing::internal::CaptureStdout();
    EXPECT_LE(osc.masterRotOSC(0.3), 0.0);
    testing::internal::GetCapturedStdout();
}
