// The competition build computes the diagnostic generators silently.
#include <gtest/gtest.h>

#include "control/TFSOscillator.h"

TEST(TFSOscillatorMatch, DiagnosticGeneratorsAreSilent) {
    TFSOscillator osc(0.15);
    osc.setOscParameters(-20.9241, 0.0, 0.1865148, -29.7735, -18.05, 11.6474, 15.2049, 0.2);
    osc.setRotAmp(3.0);
    osc.setaFWRot(2.0);
    testing::internal::CaptureStdout();
    EXPECT_NEAR(osc.masterRotOSC(0.1), -2.1213203, 1e-5);
    EXPECT_NEAR(osc.getRHipRotate(), 3.4142136, 1e-5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
