// Shared by the device tests: a fresh working directory per case (the
// settings file is read from there) and fake event sources of js_event records.
#pragma once

#include <gtest/gtest.h>
#include <linux/joystick.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "devices/StatusContainer.h"
#include "etc/SettingsManager.h"
#include "support/ChildProcess.h"

inline std::string records(const std::vector<js_event>& events) {
    return std::string(reinterpret_cast<const char*>(events.data()), events.size() * 8);
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::chdir(dir.path().c_str()), 0);
        ASSERT_EQ(::mkdir(".pitchbot", 0755), 0);
    }
    void TearDown() override { (void)::chdir("/"); }

    // Writes the settings file and loads it, as a program using the devices would.
    static void enable(bool gamepad, bool joystick) {
        std::ofstream(".pitchbot/settings.rb") << "log false gamepad " << std::boolalpha << gamepad
                                               << " joystick " << joystick << " keyboard false";
        SettingsManager::getUniqueInstance()->readAndSaveSettings();
    }

    std::string eventFile(const std::string& name, const std::vector<js_event>& events) const {
        std::ofstream(name, std::ios::binary) << records(events);
        return dir.file(name);
    }

    template <typename Step>
    static std::string stdoutOf(Step step) {
        ::testing::internal::CaptureStdout();
        step();
        return ::testing::internal::GetCapturedStdout();
    }

    TempDir dir;
};
