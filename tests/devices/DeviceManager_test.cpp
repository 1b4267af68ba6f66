#include "devices/DeviceManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DeviceTestKit.h"
#include "devices/gamePad/GamePadExampleClass.h"
#include "devices/joyStick/JoyStickExampleClass.h"

namespace {

StatusContainer* state() { return StatusContainer::getUniqueInstance(); }

// The whole shared state as text, to show that nothing else moved.
std::string snapshot() {
    std::string s;
    for (int b = 0; b < StatusContainer::kNumButtons; ++b) s += state()->getAButton(b) ? '1' : '0';
    for (int a = 0; a < StatusContainer::kNumAxes; ++a)
        s += ' ' + std::to_string(state()->getAnAxes(a));
    return s;
}

TEST_F(DeviceTest, MissingDeviceFailsAndDescriptorsAreNeverLeaked) {
    enable(false, true);
    JoyStickExampleClass absent(dir.file("no/js0").c_str());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(stdoutOf([&] { EXPECT_FALSE(absent.initialize()); }), "Device is not Connected!\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              dir.file("no/js0") + ": No such file or directory\n");
    absent.updateState();  // still usable

    const auto openDescriptors = [] {
        int count = 0;
        DIR* fds = ::opendir("/proc/self/fd");
        while (::readdir(fds) != nullptr) ++count;
        ::closedir(fds);
        return count;
    };
    const int before = openDescriptors();
    {
        JoyStickExampleClass device(eventFile("events", {}).c_str());
        stdoutOf([&] { EXPECT_TRUE(device.initialize() && device.initialize()); });
        EXPECT_EQ(openDescriptors(), before + 1);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(DeviceTest, EventsUpdateTheStateOneAtATimeAndStrayOnesChangeNothing) {
    enable(false, true);
    JoyStickExampleClass device(
        eventFile("events", {{0, -32767, JS_EVENT_AXIS, 2},
                             {0, 1, JS_EVENT_BUTTON, 79},
                             {0, 0, JS_EVENT_BUTTON, 79},
                             // initial-state, unknown type, numbers beyond the tables
                             {0, 1, JS_EVENT_BUTTON | JS_EVENT_INIT, 4},
                             {0, 1, 3, 6},
                             {0, 1, JS_EVENT_BUTTON, 80},
                             {0, 77, JS_EVENT_AXIS, 30},
                             {0, 1, JS_EVENT_BUTTON, 9}})
            .c_str());
    stdoutOf([&] { ASSERT_TRUE(device.initialize()); });
    device.updateState();
    EXPECT_EQ(state()->getAnAxes(2), -32767);
    EXPECT_FALSE(state()->getAButton(79));  // one record per update
    device.updateState();
    EXPECT_TRUE(state()->getAButton(79));
    device.updateState();
    EXPECT_FALSE(state()->getAButton(79));  // value 0 releases
    const std::string before = snapshot();
    for (int i = 0; i < 4; ++i) device.updateState();
    EXPECT_EQ(snapshot(), before);
    device.updateState();  // still aligned on the records after them
    device.updateState();  // end of the source
    EXPECT_EQ(snapshot(), before.substr(0, 9) + '1' + before.substr(10));  // only button 9
}

TEST_F(DeviceTest, DisabledDeviceRefusesAndPipeReadsNeverWaitNorTakeShortRecords) {
    const std::string fifo = dir.file("js");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    GamePadExampleClass device(fifo.c_str());
    state()->setAButton(true, 5);
    EXPECT_EQ(stdoutOf([&] { EXPECT_FALSE(device.initialize()); }), "Device is not enabled!\n");
    EXPECT_TRUE(state()->getAButton(5));  // a refused device touches nothing
    enable(true, false);
    // A FIFO nobody writes to must not hold up the opening.
    EXPECT_EQ(stdoutOf([&] { EXPECT_TRUE(device.initialize()); }), "Connected!!!\n");
    const std::string cleared = snapshot();
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    const std::string bytes = records({{0, 1, JS_EVENT_BUTTON, 2}});
    ASSERT_EQ(::write(writer, bytes.data(), 5), 5);
    device.updateState();
    EXPECT_EQ(snapshot(), cleared);  // a short read is not an event
    ASSERT_EQ(::write(writer, bytes.data() + 5, 3), 3);
    device.updateState();
    EXPECT_TRUE(state()->getAButton(2));
    ::close(writer);
}

// update() reads only a live device it is given, never a stray pointer.
TEST_F(DeviceTest, UpdateReadsOnlyALiveDeviceItIsGiven) {
    enable(true, true);
    auto gone = std::make_unique<JoyStickExampleClass>(
        eventFile("a", {{0, 1, JS_EVENT_BUTTON, 1}}).c_str());
    GamePadExampleClass gamepad(eventFile("b", {}).c_str()), other(dir.file("a").c_str());
    stdoutOf(
        [&] { ASSERT_TRUE(gone->initialize() && gamepad.initialize() && other.initialize()); });
    void* stray = gone.get();
    gone.reset();
    int notADevice = 0;
    gamepad.update(stray);
    gamepad.update(&notADevice);
    EXPECT_FALSE(state()->getAButton(1));
    gamepad.update(&other);
    EXPECT_TRUE(state()->getAButton(1));
}

}  // namespace
