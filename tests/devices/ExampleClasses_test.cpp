#include <gtest/gtest.h>

#include <string>

#include "DeviceTestKit.h"
#include "devices/gamePad/GamePadExampleClass.h"
#include "devices/joyStick/JoyStickExampleClass.h"

namespace {

TEST_F(DeviceTest, ExampleDevicesCountWhileButtonZeroIsHeld) {
    enable(true, true);
    JoyStickExampleClass joystick(
        eventFile("js", {{0, 1, JS_EVENT_BUTTON, 0}, {0, 0, JS_EVENT_BUTTON, 0}}).c_str());
    stdoutOf([&] { ASSERT_TRUE(joystick.initialize()); });
    // One cycle as a program would run it: read an event, look, act.
    const auto cycle = [&] {
        joystick.updateState();
        joystick.wrap();
        return stdoutOf([&] { joystick.doAction(); });
    };
    EXPECT_EQ(cycle(), "0khof\n");
    EXPECT_EQ(cycle(), "");  // released

    // Held, but an update clears the view until the next wrap().
    StatusContainer::getUniqueInstance()->setAButton(true, 0);
    joystick.wrap();
    joystick.updateState();
    EXPECT_EQ(stdoutOf([&] { joystick.doAction(); }), "");
    joystick.wrap();
    EXPECT_EQ(stdoutOf([&] { joystick.doAction(); }), "1khof\n");

    // Each class counts on its own, across its objects.
    GamePadExampleClass gamepad;
    gamepad.wrap();
    EXPECT_EQ(stdoutOf([&] { gamepad.doAction(); }), "0  SENDING COMMAND\n");
}

}  // namespace
