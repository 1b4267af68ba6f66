// The competition program writes no command log, reads no kick tables, and
// says nothing about it.
#include <filesystem>
#include <fstream>
#include <string>

#include "InTempDir.h"
#include "utils/CommandLogger.h"
#include "utils/ParserT.h"

using CompetitionBuild = InTempDir;

TEST_F(CompetitionBuild, NoLogNoTablesAndNothingPrinted) {
    std::ofstream(dir.file("kickResult.txt")) << "1" << std::string(400, '9') << " 1 1 1 1 1\n";
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    {
        CommandLogger logger("", false);
        logger.log("(a)");
        ParserT::getUniqueInstance()->parseFile();
    }
    EXPECT_FALSE(std::filesystem::exists("log"));
    std::filesystem::create_directory("log");
    std::ofstream("log/logger.conf") << "1\n";
    std::ofstream("log/cmdLog_1.txt") << "1 \t(a)\n";
    std::string cmd = "x";
    EXPECT_FALSE(CommandLogger("", true).getCmd(cmd));
    EXPECT_EQ(cmd, "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}
