#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "utils/CommandLogger.h"

namespace {

class CommandLoggerMatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pitchbot_cmdlog_match_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(::chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        (void)::chdir("/");
        std::filesystem::remove_all(dir);
    }
    std::string dir;
};

TEST_F(CommandLoggerMatchTest, LoggingWritesNothingAndPrintsNothing) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    {
        CommandLogger logger("", false);
        logger.log("(a)");
        logger.writeLogCount(5);
        EXPECT_EQ(logger.readLogCount(), 0);
        EXPECT_TRUE(logger.openOutLogFile());
        EXPECT_TRUE(logger.openReplayLogFile());
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST_F(CommandLoggerMatchTest, ReplayEndsAtOnceEvenWithALog) {
    std::filesystem::create_directory("log");
    std::ofstream("log/logger.conf") << "1\n";
    std::ofstream("log/cmdLog_1.txt") << "1 \t(a)\n";
    ::testing::internal::CaptureStdout();
    CommandLogger replay("", true);
    std::string cmd = "x";
    EXPECT_FALSE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, "");
    EXPECT_STREQ(replay.getCmd(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

}  // namespace
