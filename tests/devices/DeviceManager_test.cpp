#include "devices/DeviceManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "DeviceTestKit.h"
#include "devices/gamePad/GamePadExampleClass.h"
#include "devices/joyStick/JoyStickExampleClass.h"

namespace {

StatusContainer* state() { return StatusContainer::getUniqueInstance(); }

int openDescriptors() {
    int count = 0;
    DIR* fds = ::opendir("/proc/self/fd");
    while (fds != nullptr && ::readdir(fds) != nullptr) ++count;
    if (fds != nullptr) ::closedir(fds);
    return count;
}

TEST_F(DeviceTest, OpeningFollowsTheSettingsAndAFailureLeavesAUsableObject) {
    const std::string fifo = dir + "/js";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    JoyStickExampleClass joystick(fifo.c_str());
    GamePadExampleClass gamepad(fifo.c_str());
    state()->setAButton(true, 5);
    EXPECT_EQ(stdoutOf([&] { EXPECT_FALSE(joystick.initialize()); }), "Device is not enabled!\n");
    EXPECT_EQ(stdoutOf([&] { EXPECT_FALSE(gamepad.initialize()); }), "Device is not enabled!\n");
    EXPECT_TRUE(state()->getAButton(5));  // a refused device touches nothing

    enable(true, false);
    EXPECT_FALSE(joystick.initialize());
    // A FIFO nobody writes to must not hold up the opening, and something
    // that is not a joystick keeps the default description.
    EXPECT_EQ(stdoutOf([&] { EXPECT_TRUE(gamepad.initialize()); }), "Connected!!!\n");
    EXPECT_FALSE(state()->getAButton(5));
    EXPECT_STREQ(gamepad.getProductName(), "Unknown");
    EXPECT_EQ(gamepad.getVersion(), 2048);
    EXPECT_EQ(gamepad.getNumButtons() + gamepad.getNumAxes() + gamepad.getNumPovs(), 0);

    enable(false, true);
    EXPECT_EQ(JoyStickExampleClass(nullptr).getDevicePath(), "/dev/input/js0");
    const std::string missing = dir + "/no/js0";
    JoyStickExampleClass absent(missing.c_str());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(stdoutOf([&] { EXPECT_FALSE(absent.initialize()); }), "Device is not Connected!\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), missing + ": No such file or directory\n");
    absent.updateState();
    absent.wrap();
    absent.doAction();
    EXPECT_STREQ(absent.getName(), "Unknown");
}

TEST_F(DeviceTest, DescriptorsAreClosedOnDestructionAndWhenOpenedAgain) {
    enable(false, true);
    const std::string source = eventFile("events", {});
    const int before = openDescriptors();
    {
        JoyStickExampleClass device(source.c_str());
        stdoutOf([&] {
            for (int i = 0; i < 3; ++i) EXPECT_TRUE(device.initialize());
        });
        EXPECT_EQ(openDescriptors(), before + 1);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(DeviceTest, EventsUpdateTheStateOneAtATimeAndStrayOnesChangeNothing) {
    enable(false, true);
    const std::string source =
        eventFile("events", {{0, 1, JS_EVENT_BUTTON, 3},
                             {0, -32767, JS_EVENT_AXIS, 2},
                             {0, 0, JS_EVENT_BUTTON, 3},
                             {0, -5, JS_EVENT_BUTTON, 79},
                             {0, 321, JS_EVENT_AXIS, 29},
                             // initial-state, unknown types, numbers beyond the tables
                             {0, 1, JS_EVENT_BUTTON | JS_EVENT_INIT, 4},
                             {0, 100, JS_EVENT_AXIS | JS_EVENT_INIT, 1},
                             {0, 1, 0, 6},
                             {0, 1, 3, 6},
                             {0, 1, JS_EVENT_BUTTON, 80},
                             {0, 1, JS_EVENT_BUTTON, 255},
                             {0, 77, JS_EVENT_AXIS, 30},
                             {0, 77, JS_EVENT_AXIS, 255},
                             {0, 1, JS_EVENT_BUTTON, 9}});
    JoyStickExampleClass device(source.c_str());
    stdoutOf([&] { ASSERT_TRUE(device.initialize()); });

    device.updateState();
    EXPECT_TRUE(state()->getAButton(3));
    EXPECT_EQ(state()->getAnAxes(2), 0);
    device.updateState();
    EXPECT_EQ(state()->getAnAxes(2), -32767);
    device.updateState();
    EXPECT_FALSE(state()->getAButton(3));  // value 0 releases, any other presses
    device.updateState();
    device.updateState();
    EXPECT_TRUE(state()->getAButton(79));
    EXPECT_EQ(state()->getAnAxes(29), 321);

    const std::string before = snapshot();
    for (int i = 0; i < 8; ++i) device.updateState();
    EXPECT_EQ(snapshot(), before);
    device.updateState();  // still aligned on the records after them
    EXPECT_TRUE(state()->getAButton(9));
    for (int i = 0; i < 3; ++i) device.updateState();  // end of the source

    for (int bad : {-1, 80, INT_MAX}) {
        state()->setAButton(true, bad);
        EXPECT_FALSE(state()->getAButton(bad));
    }
    for (int bad : {-1, 30, INT_MAX}) {
        state()->setAnAxes(77, bad);
        EXPECT_EQ(state()->getAnAxes(bad), 0);
    }
    // Since the stray records only button 9 has moved.
    EXPECT_EQ(snapshot(), before.substr(0, 9) + '1' + before.substr(10));
}

TEST_F(DeviceTest, PipeReadsNeverWaitAndPiecesOfARecordAreJoined) {
    enable(true, false);
    const std::string fifo = dir + "/js";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    GamePadExampleClass device(fifo.c_str());
    stdoutOf([&] { ASSERT_TRUE(device.initialize()); });
    const std::string cleared = snapshot();
    device.updateState();  // no writer yet
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    device.updateState();  // nothing written yet

    const std::string bytes = records({{0, 1, JS_EVENT_BUTTON, 2}, {0, -40, JS_EVENT_AXIS, 6}});
    ASSERT_EQ(::write(writer, bytes.data(), 5), 5);
    device.updateState();
    EXPECT_EQ(snapshot(), cleared);  // a short read is not an event
    ASSERT_EQ(::write(writer, bytes.data() + 5, 11), 11);
    device.updateState();
    EXPECT_TRUE(state()->getAButton(2));
    device.updateState();
    EXPECT_EQ(state()->getAnAxes(6), -40);
    ::close(writer);
}

TEST_F(DeviceTest, UpdateReadsTheDeviceItIsGivenAndNoStrayPointer) {
    enable(true, true);
    const std::string first = eventFile("a", {{0, 1, JS_EVENT_BUTTON, 1}});
    const std::string second = eventFile("b", {{0, 9, JS_EVENT_AXIS, 4}});
    auto joystick = std::make_unique<JoyStickExampleClass>(first.c_str());
    GamePadExampleClass gamepad(second.c_str());
    stdoutOf([&] { ASSERT_TRUE(joystick->initialize() && gamepad.initialize()); });

    void* gone = joystick.get();
    joystick.reset();
    int notADevice = 0;
    gamepad.update(gone);
    gamepad.update(&notADevice);
    gamepad.update(nullptr);
    EXPECT_EQ(state()->getAnAxes(4), 0);
    EXPECT_FALSE(state()->getAButton(1));
    GamePadExampleClass other(first.c_str());
    stdoutOf([&] { ASSERT_TRUE(other.initialize()); });
    gamepad.update(&other);
    EXPECT_TRUE(state()->getAButton(1));
    EXPECT_EQ(state()->getAnAxes(4), 0);
}

}  // namespace
