#include "etc/SettingsManager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Each case reads its settings file from a fresh working directory.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pitchbot_settings_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(::chdir(dir.c_str()), 0);
        ::mkdir(".pitchbot", 0755);
    }
    void TearDown() override {
        (void)::chdir("/");
        std::filesystem::remove_all(dir);
    }

    // Writes the file (unless null), reads it and returns the switches as
    // "LGJK" digits, e.g. "1010"; `err` receives what was reported.
    static std::string readSwitches(const char* file, std::string* err = nullptr) {
        if (file != nullptr) std::ofstream(".pitchbot/settings.rb", std::ios::trunc) << file;
        SettingsManager* s = SettingsManager::getUniqueInstance();
        ::testing::internal::CaptureStderr();
        s->readAndSaveSettings();
        const std::string reported = ::testing::internal::GetCapturedStderr();
        if (err != nullptr) *err = reported;
        return std::string() + (s->isLogEnabled() ? '1' : '0') +
               (s->isGamePadEnabled() ? '1' : '0') + (s->isJoyStickEnabled() ? '1' : '0') +
               (s->isKeyBoardEnabled() ? '1' : '0');
    }

    std::string dir;
};

TEST_F(SettingsFileTest, MissingFileIsReportedAndChangesNothing) {
    std::string err;
    EXPECT_EQ(readSwitches(nullptr, &err), "0000");
    EXPECT_EQ(err, "Could not open .pitchbot/settings.rb!\n");

    EXPECT_EQ(readSwitches("log true gamepad true joystick true keyboard true"), "1111");
    std::filesystem::remove(".pitchbot/settings.rb");
    EXPECT_EQ(readSwitches(nullptr), "1111");
}

TEST_F(SettingsFileTest, OnlyThePositionOfEachPairAndTheExactWordTrueCount) {
    std::string err;
    EXPECT_EQ(readSwitches("log true\ngamepad false\njoystick true\nkeyboard false\n", &err),
              "1010");
    EXPECT_EQ(err, "");
    EXPECT_EQ(readSwitches("log false gamepad true joystick false keyboard true"), "0101");
    EXPECT_EQ(readSwitches("\t\n keyboard true\n\n joystick\ntrue log false\r\ngamepad  true "),
              "1101");
    EXPECT_EQ(readSwitches("log True gamepad 1 joystick TRUE keyboard true"), "0001");
    EXPECT_EQ(readSwitches("log true, gamepad yes joystick \"true\" keyboard truee"), "0000");
}

TEST_F(SettingsFileTest, FewerThanFourPairsTurnsTheMissingOnesOff) {
    ASSERT_EQ(readSwitches("log true gamepad true joystick true keyboard true"), "1111");
    std::string err;
    EXPECT_EQ(readSwitches("log true\ngamepad true\n", &err), "1100");
    EXPECT_EQ(err, ".pitchbot/settings.rb: fewer than four settings, the missing ones are off\n");
    EXPECT_EQ(readSwitches("log true gamepad true joystick"), "1100");  // label without value
    EXPECT_EQ(readSwitches(""), "0000");
}

TEST_F(SettingsFileTest, OverlongWordsAreCutWithoutShiftingThePairs) {
    const std::string huge(100000, 'x');
    EXPECT_EQ(readSwitches((huge + " true gamepad " + huge + " joystick true keyboard true").c_str()),
              "1011");
    // A cut word that begins with "true" is still not "true".
    const std::string longTrue = "true" + std::string(SettingsManager::kMaxWordLength, 'e');
    EXPECT_EQ(readSwitches(("log " + longTrue + " gamepad true joystick true keyboard true").c_str()),
              "0111");
}

}  // namespace
