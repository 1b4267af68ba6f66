// The turn oscillator with the turn skill's gait: the start of a cycle, the
// folding of the phase time, the hip yaw's range, the half-cycle shift of
// the clockwise direction and periods that are no periods.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "control/TurnOsc.h"

namespace {

constexpr double kTol = 1e-5;
constexpr double kPeriod = 0.596956;
constexpr double kYawAmp = -22.5117;
constexpr double kRollAmp = -21.0775;
constexpr double kPitchOffset = 0.245435;
constexpr double kKneeOffset = -14.7555;

TurnOsc turnGait(double t, RotateDirection dir, double period = kPeriod) {
    TurnOsc osc(t, dir);
    const double p[7] = {kRollAmp, 7.57088, kPitchOffset, kYawAmp, -29.8764, kKneeOffset, period};
    osc.setOscParameters(p);
    osc.calcOsc();
    return osc;
}

}  // namespace

TEST(TurnOsc, StartOfTheCycleAndFolding) {
    const TurnOsc osc = turnGait(0, Counter_Clock_Wise);
    EXPECT_NEAR(osc.getRHeapY(), 0.0, kTol);
    EXPECT_NEAR(osc.getLHeapY(), 0.0, kTol);
    EXPECT_DOUBLE_EQ(osc.getLHeapX(), kPitchOffset);
    EXPECT_NEAR(osc.getRHeapX(), kPitchOffset, kTol);
    EXPECT_NEAR(osc.getRHeapRot(), kYawAmp, kTol);
    const TurnOsc later = turnGait(0.7, Counter_Clock_Wise);
    EXPECT_NEAR(later.getTime(), 0.103044, 1e-9);
    EXPECT_NEAR(later.getRKnee(), turnGait(0.103044, Counter_Clock_Wise).getRKnee(), 1e-9);
}

TEST(TurnOsc, HipYawOpensAndClosesOncePerCycle) {
    EXPECT_NEAR(turnGait(kPeriod / 2, Clock_Wise).getLHeapRot(), 0.0, kTol);
    for (double t = 0; t < 2 * kPeriod; t += 0.01) {
        const TurnOsc osc = turnGait(t, Clock_Wise);
        // The gait's pi is not exactly pi: allow its rounding.
        EXPECT_GE(osc.getRHeapRot(), kYawAmp - 1e-5);
        EXPECT_LE(osc.getRHeapRot(), 1e-5);
        EXPECT_DOUBLE_EQ(osc.getRHeapRot(), osc.getLHeapRot());
    }
}

TEST(TurnOsc, QuarterCycleRollsOneHipPerDirection) {
    const TurnOsc ccw = turnGait(kPeriod / 4, Counter_Clock_Wise);
    EXPECT_NEAR(ccw.getRHeapY(), kRollAmp, kTol);
    EXPECT_DOUBLE_EQ(ccw.getLHeapY(), 0.0);
    EXPECT_NEAR(ccw.getLHeapX(), 7.816315, kTol);  // amplitude on the offset
    EXPECT_NEAR(ccw.getRHeapX(), kPitchOffset, kTol);
    EXPECT_NEAR(ccw.getLKnee(), -44.6319, kTol);
    EXPECT_NEAR(ccw.getRKnee(), kKneeOffset, kTol);
    EXPECT_DOUBLE_EQ(ccw.getRAnkleX(), -(ccw.getRKnee() + ccw.getRHeapX()));
    EXPECT_DOUBLE_EQ(ccw.getRAnkleY(), ccw.getLHeapY());
    EXPECT_DOUBLE_EQ(ccw.getLAnkleY(), ccw.getRHeapY());

    const TurnOsc cw = turnGait(kPeriod / 4, Clock_Wise);
    EXPECT_DOUBLE_EQ(cw.getRHeapY(), 0.0);
    EXPECT_NEAR(cw.getLHeapY(), -kRollAmp, kTol);
    EXPECT_NEAR(cw.getRHeapX(), 7.816315, kTol);
    EXPECT_NEAR(cw.getLKnee(), kKneeOffset, kTol);
    EXPECT_DOUBLE_EQ(cw.getRHeapRot(), ccw.getRHeapRot());
}

TEST(TurnOsc, NoPeriodHoldsTheStartingPosture) {
    for (double period : {0.0, -0.5, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(period);
        const TurnOsc osc = turnGait(12.34, Clock_Wise, period);
        EXPECT_DOUBLE_EQ(osc.getTime(), 0.0);
        EXPECT_NEAR(osc.getRHeapRot(), kYawAmp, kTol);
        EXPECT_NEAR(osc.getRHeapX(), kPitchOffset, kTol);
        EXPECT_NEAR(osc.getLKnee(), kKneeOffset, kTol);
        EXPECT_NEAR(osc.getLHeapY(), 0.0, kTol);
        EXPECT_TRUE(std::isfinite(osc.getRAnkleX()));
    }
}
