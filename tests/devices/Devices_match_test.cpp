// When code of the competition program uses the devices, they read as usual
// but stay silent.
#include <gtest/gtest.h>

#include "DeviceTestKit.h"
#include "devices/joyStick/JoyStickExampleClass.h"

TEST_F(DeviceTest, CompetitionBuildWritesNothingButStillReadsTheDevice) {
    JoyStickExampleClass joystick(eventFile("events", {{0, 1, JS_EVENT_BUTTON, 0}}).c_str());
    JoyStickExampleClass missing(dir.file("missing").c_str());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(stdoutOf([&] {
                  EXPECT_FALSE(joystick.initialize());  // not enabled
                  enable(true, true);
                  EXPECT_FALSE(missing.initialize());
                  EXPECT_TRUE(joystick.initialize());
                  joystick.updateState();
                  joystick.wrap();
                  joystick.doAction();
              }),
              "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(joystick.isButtonTesti());
}
