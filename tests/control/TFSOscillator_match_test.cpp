// The competition build computes the oscillator's diagnostic generators
// without printing anything.
#include <gtest/gtest.h>

#include <string>

#include "control/TFSOscillator.h"

TEST(TFSOscillatorMatch, DiagnosticGeneratorsAreSilent) {
    TFSOscillator osc(0.15);
    osc.setOscParameters(-20.9241, 0.0, 0.1865148, -29.7735, -18.05, 11.6474, 15.2049, 0.2);
    osc.setRotAmp(3.0);
    osc.setaFWRot(2.0);
    testing::internal::CaptureStdout();
    const double rot = osc.masterRotOSC(0.1);
    const double right = osc.getRHipRotate();
    const double left = osc.getLHipRotate();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_NEAR(rot, -2.1213203, 1e-5);
    EXPECT_NEAR(right, 3.4142136, 1e-5);
    EXPECT_NEAR(left, 0.5857864, 1e-5);  // 2 (1 + sin(-3 pi / 4))
}
