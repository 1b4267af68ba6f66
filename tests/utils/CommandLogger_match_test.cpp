#include <filesystem>
#include <fstream>
#include <string>

#include "InTempDir.h"
#include "utils/CommandLogger.h"

namespace {

using CommandLoggerMatch = InTempDir;

TEST_F(CommandLoggerMatch, LoggingWritesAndPrintsNothingAndReplayEndsAtOnce) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    {
        CommandLogger logger("", false);
        logger.log("(a)");
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(std::filesystem::is_empty("."));

    std::filesystem::create_directory("log");
    std::ofstream("log/logger.conf") << "1\n";
    std::ofstream("log/cmdLog_1.txt") << "1 \t(a)\n";
    CommandLogger replay("", true);
    std::string cmd = "x";
    EXPECT_FALSE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

}  // namespace
