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
    }
    void TearDown() override {
        (void)::chdir("/");
        std::filesystem::remove_all(dir);
    }

    static void writeSettings(const std::string& text) {
        ::mkdir(".pitchbot", 0755);
        std::ofstream(".pitchbot/settings.rb", std::ios::trunc) << text;
    }

    // Reads the file and returns the switches as four characters, e.g. "1010".
    static std::string readSwitches() {
        SettingsManager* settings = SettingsManager::getUniqueInstance();
        settings->readAndSaveSettings();
        return switches();
    }

    static std::string switches() {
        SettingsManager* s = SettingsManager::getUniqueInstance();
        std::string out;
        out += s->isLogEnabled() ? '1' : '0';
        out += s->isGamePadEnabled() ? '1' : '0';
        out += s->isJoyStickEnabled() ? '1' : '0';
        out += s->isKeyBoardEnabled() ? '1' : '0';
        return out;
    }

    std::string dir;
};

TEST_F(SettingsFileTest, MissingFileIsReportedAndChangesNothing) {
    EXPECT_EQ(switches(), "0000");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(readSwitches(), "0000");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open .pitchbot/settings.rb!\n");
}

TEST_F(SettingsFileTest, MissingFileKeepsEarlierValues) {
    writeSettings("log true\ngamepad true\njoystick true\nkeyboard true\n");
    EXPECT_EQ(readSwitches(), "1111");
    std::filesystem::remove(".pitchbot/settings.rb");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(readSwitches(), "1111");
    ::testing::internal::GetCapturedStderr();
}

TEST_F(SettingsFileTest, LayoutAndLabelsDoNotMatterOnlyPositions) {
    writeSettings("log true\ngamepad false\njoystick true\nkeyboard false\n");
    EXPECT_EQ(readSwitches(), "1010");

    writeSettings("log false gamepad true joystick false keyboard true");
    EXPECT_EQ(readSwitches(), "0101");

    writeSettings("\t\n  keyboard true\n\n joystick\ntrue log false\r\ngamepad   true  ");
    EXPECT_EQ(readSwitches(), "1101");
}

TEST_F(SettingsFileTest, OnlyTheExactWordTrueEnables) {
    writeSettings("log True gamepad 1 joystick TRUE keyboard true");
    EXPECT_EQ(readSwitches(), "0001");

    writeSettings("log true, gamepad yes joystick \"true\" keyboard truee");
    EXPECT_EQ(readSwitches(), "0000");
}

TEST_F(SettingsFileTest, FewerThanFourPairsTurnsTheMissingOnesOff) {
    writeSettings("log true gamepad true joystick true keyboard true");
    ASSERT_EQ(readSwitches(), "1111");

    writeSettings("log true\ngamepad true\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(readSwitches(), "1100");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("fewer than four"),
              std::string::npos);

    // A label without its value is no pair either.
    writeSettings("log true gamepad true joystick");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(readSwitches(), "1100");
    ::testing::internal::GetCapturedStderr();

    writeSettings("");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(readSwitches(), "0000");
    ::testing::internal::GetCapturedStderr();
}

TEST_F(SettingsFileTest, OverlongWordsAreCutWithoutShiftingThePairs) {
    const std::string hugeLabel(100000, 'x');
    writeSettings(hugeLabel + " true gamepad " + hugeLabel + " joystick true keyboard true");
    EXPECT_EQ(readSwitches(), "1011");

    // A cut word that begins with "true" must not count as "true".
    writeSettings("log true" + std::string(SettingsManager::kMaxWordLength, 'e') +
                  " gamepad true joystick true keyboard true");
    EXPECT_EQ(readSwitches(), "0111");
}

}  // namespace
