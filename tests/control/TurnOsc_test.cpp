// The turn oscillator with the turn skill's gait: the start of a cycle, the
// hip yaw's range, the half-cycle shift of the clockwise direction and
// periods that are no periods.
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

TurnOsc turnGait(double t, RotateDirection dir, double period = kPeriod) {
    TurnOsc osc(t, dir);
    const double p[7] = {kRollAmp, 7.57088, kPitchOffset, kYawAmp, -29.8764, -14.7555, period};
    osc.setOscParameters(p);
    osc.calcOsc();
    return osc;
}

}  // namespace

TEST(TurnOsc, HipYawRangeOneHipRollingPerDirectionAndNoPeriod) {
    EXPECT_NEAR(turnGait(0, Counter_Clock_Wise).getRHeapRot(), kYawAmp, kTol);
    EXPECT_NEAR(turnGait(kPeriod / 2, Clock_Wise).getLHeapRot(), 0.0, kTol);
    for (double t = 0; t < 2 * kPeriod; t += 0.05) {  // the gait's pi is rounded
        EXPECT_GE(turnGait(t, Clock_Wise).getRHeapRot(), kYawAmp - 1e-5);
        EXPECT_LE(turnGait(t, Clock_Wise).getRHeapRot(), 1e-5);
    }
    const TurnOsc ccw = turnGait(kPeriod / 4, Counter_Clock_Wise);
    const TurnOsc cw = turnGait(kPeriod / 4, Clock_Wise);
    EXPECT_NEAR(ccw.getRHeapY(), kRollAmp, kTol);
    EXPECT_NEAR(ccw.getLHeapX(), 7.816315, kTol);
    EXPECT_DOUBLE_EQ(ccw.getLHeapY(), 0.0);
    EXPECT_DOUBLE_EQ(cw.getRHeapY(), 0.0);
    EXPECT_NEAR(cw.getLHeapY(), -kRollAmp, kTol);
    EXPECT_NEAR(turnGait(0.7, Clock_Wise).getTime(), 0.103044, 1e-9);  // folded
    // No period: the starting posture.
    for (double period : {0.0, -0.5, std::nan(""), std::numeric_limits<double>::infinity()}) {
        const TurnOsc osc = turnGait(12.34, Clock_Wise, period);
        EXPECT_DOUBLE_EQ(osc.getTime(), 0.0) << period;
        EXPECT_NEAR(osc.getRHeapRot(), kYawAmp, kTol);
        EXPECT_TRUE(std::isfinite(osc.getRAnkleX()));
    }
}
