// Shared by the device tests: a fresh working directory per case (the
// settings file is read from there) and fake event sources made of js_event
// records.
#pragma once

#include <gtest/gtest.h>
#include <linux/joystick.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "devices/StatusContainer.h"
#include "etc/SettingsManager.h"

inline std::string records(const std::vector<js_event>& events) {
    return std::string(reinterpret_cast<const char*>(events.data()), events.size() * 8);
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pitchbot_devices_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(::chdir(dir.c_str()), 0);
        ASSERT_EQ(::mkdir(".pitchbot", 0755), 0);
    }
    void TearDown() override {
        (void)::chdir("/");
        std::filesystem::remove_all(dir);
    }

    // Writes the settings file and loads it, as a program using the devices would.
    static void enable(bool gamepad, bool joystick) {
        std::ofstream(".pitchbot/settings.rb") << "log false gamepad " << std::boolalpha << gamepad
                                               << " joystick " << joystick << " keyboard false";
        SettingsManager::getUniqueInstance()->readAndSaveSettings();
    }

    // A regular file of event records standing in for the device.
    std::string eventFile(const std::string& name, const std::vector<js_event>& events) const {
        std::ofstream(dir + "/" + name, std::ios::binary) << records(events);
        return dir + "/" + name;
    }

    template <typename Step>
    static std::string stdoutOf(Step step) {
        ::testing::internal::CaptureStdout();
        step();
        return ::testing::internal::GetCapturedStdout();
    }

    // The whole shared state as text, to show that nothing else moved.
    static std::string snapshot() {
        const StatusContainer* sc = StatusContainer::getUniqueInstance();
        std::string s;
        for (int b = 0; b < StatusContainer::kNumButtons; ++b) s += sc->getAButton(b) ? '1' : '0';
        for (int a = 0; a < StatusContainer::kNumAxes; ++a)
            s += ' ' + std::to_string(sc->getAnAxes(a));
        return s;
    }

    std::string dir;
};
