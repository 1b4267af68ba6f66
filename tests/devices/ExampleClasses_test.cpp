#include <gtest/gtest.h>

#include <string>

#include "DeviceTestKit.h"
#include "devices/gamePad/GamePadExampleClass.h"
#include "devices/joyStick/JoyStickExampleClass.h"

namespace {

// One cycle as a program would run it: read an event, look, act.
std::string cycle(DeviceManager& device) {
    device.updateState();
    device.wrap();
    ::testing::internal::CaptureStdout();
    device.doAction();
    return ::testing::internal::GetCapturedStdout();
}

TEST_F(DeviceTest, ExampleDevicesCountWhileButtonZeroIsHeld) {
    enable(true, true);
    JoyStickExampleClass joystick(eventFile("js", {{0, 1, JS_EVENT_BUTTON, 1},
                                                   {0, 1, JS_EVENT_BUTTON, 0},
                                                   {0, 500, JS_EVENT_AXIS, 0},
                                                   {0, 0, JS_EVENT_BUTTON, 0}})
                                      .c_str());
    GamePadExampleClass gamepad(eventFile("gp", {{0, 1, JS_EVENT_BUTTON, 0}}).c_str());
    stdoutOf([&] { ASSERT_TRUE(joystick.initialize() && gamepad.initialize()); });

    EXPECT_EQ(cycle(joystick), "");  // button 1 does not count
    EXPECT_EQ(cycle(joystick), "0khof\n");
    EXPECT_EQ(cycle(joystick), "1khof\n");  // still held while an axis moves
    EXPECT_EQ(cycle(joystick), "");         // released

    // Held, but an update clears the view until the next wrap().
    StatusContainer::getUniqueInstance()->setAButton(true, 0);
    joystick.wrap();
    ASSERT_TRUE(joystick.isButtonTesti());
    joystick.updateState();
    EXPECT_FALSE(joystick.isButtonTesti());
    EXPECT_EQ(stdoutOf([&] { joystick.doAction(); }), "");
    joystick.wrap();
    EXPECT_EQ(stdoutOf([&] { joystick.doAction(); }), "2khof\n");

    // Each class counts on its own, across its objects.
    EXPECT_EQ(cycle(gamepad), "0  SENDING COMMAND\n");
    GamePadExampleClass another;
    another.wrap();
    EXPECT_EQ(stdoutOf([&] { another.doAction(); }), "1  SENDING COMMAND\n");
}

}  // namespace
