#include "etc/SettingsManager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "support/ChildProcess.h"

namespace {

// Writes the file ("-" removes it), reads it and returns the switches as
// "LGJK" digits, e.g. "1010"; `err` receives what was reported.
std::string readSwitches(const std::string& file, std::string* err = nullptr) {
    if (file == "-") std::remove(".pitchbot/settings.rb");
    else std::ofstream(".pitchbot/settings.rb", std::ios::trunc) << file;
    SettingsManager* s = SettingsManager::getUniqueInstance();
    ::testing::internal::CaptureStderr();
    s->readAndSaveSettings();
    const std::string reported = ::testing::internal::GetCapturedStderr();
    if (err != nullptr) *err = reported;
    return std::string() + (s->isLogEnabled() ? '1' : '0') + (s->isGamePadEnabled() ? '1' : '0') +
           (s->isJoyStickEnabled() ? '1' : '0') + (s->isKeyBoardEnabled() ? '1' : '0');
}

}  // namespace

// Only the position of each pair counts, and only the exact word "true".
TEST(SettingsFile, Forms) {
    TempDir dir;
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    ::mkdir(".pitchbot", 0755);
    std::string err;
    EXPECT_EQ(readSwitches("-", &err), "0000");
    EXPECT_EQ(err, "Could not open .pitchbot/settings.rb!\n");
    EXPECT_EQ(readSwitches("log true\ngamepad false\njoystick true\nkeyboard false\n"), "1010");
    EXPECT_EQ(readSwitches("-"), "1010") << "a missing file changes nothing";
    EXPECT_EQ(readSwitches("\t\n keyboard true\n\n joystick\ntrue log false\r\ngamepad  true "), "1101");
    EXPECT_EQ(readSwitches("log True gamepad \"true\" joystick true, keyboard truee"), "0000");
    // Fewer than four pairs turn the missing ones off.
    EXPECT_EQ(readSwitches("log true gamepad true joystick", &err), "1100");
    EXPECT_EQ(err, ".pitchbot/settings.rb: fewer than four settings, the missing ones are off\n");
    // Overlong words are cut without shifting the pairs; a cut word that
    // begins with "true" is still not "true".
    const std::string huge(100000, 'x');
    EXPECT_EQ(readSwitches(huge + " true gamepad " + huge + " joystick true keyboard true"), "1011");
    const std::string longTrue = "true" + std::string(SettingsManager::kMaxWordLength, 'e');
    EXPECT_EQ(readSwitches("log " + longTrue + " gamepad true joystick true keyboard true"), "0111");
    // A NUL byte ends the word as a C string but not in the file: "true" and
    // more after it is not "true" (found by the settings fuzzer).
    using std::string_literals::operator""s;
    EXPECT_EQ(readSwitches("log true\0x gamepad true\0 joystick true keyboard \0true"s), "0010");
    (void)::chdir("/");
}
