#include "utils/CommandLogger.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

// Every case runs in its own empty working directory.
class CommandLoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pitchbot_cmdlog_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(::chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        (void)::chdir("/");
        std::filesystem::remove_all(dir);
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static void writeFile(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::trunc) << text;
    }

    // Writes one logging run with the given commands and returns its console output.
    static std::string logRun(std::initializer_list<std::string> cmds) {
        ::testing::internal::CaptureStdout();
        {
            CommandLogger logger("", false);
            for (const std::string& cmd : cmds) {
                logger.log(cmd);
            }
        }
        return ::testing::internal::GetCapturedStdout();
    }

    std::string dir;
};

TEST_F(CommandLoggerTest, RunsAreNumberedThroughTheCounterFile) {
    EXPECT_EQ(logRun({"(a)"}),
              "creating log/logger.conf...\n"
              "starting logs count from one...\n"
              "Loggin commands to log/cmdLog_1.txt. \n");
    EXPECT_EQ(readFile("log/logger.conf"), "1\n");
    EXPECT_EQ(readFile("log/cmdLog_1.txt"), "1 \t(a)\n");

    EXPECT_EQ(logRun({"(b)"}), "Loggin commands to log/cmdLog_2.txt. \n");
    EXPECT_EQ(readFile("log/logger.conf"), "2\n");
    EXPECT_EQ(readFile("log/cmdLog_2.txt"), "1 \t(b)\n");
    EXPECT_EQ(readFile("log/cmdLog_1.txt"), "1 \t(a)\n");
}

TEST_F(CommandLoggerTest, DamagedCounterStartsAgainFromOne) {
    ASSERT_EQ(::mkdir("log", 0755), 0);
    writeFile("log/logger.conf", "garbage\n");
    logRun({"(x)"});
    EXPECT_EQ(readFile("log/logger.conf"), "1\n");
    EXPECT_TRUE(std::filesystem::exists("log/cmdLog_1.txt"));

    writeFile("log/logger.conf", "-7\n");
    logRun({"(x)"});
    EXPECT_EQ(readFile("log/logger.conf"), "1\n");
}

TEST_F(CommandLoggerTest, UnwritableCounterDivertsTheLog) {
    // A directory in place of the counter file can be neither read as a
    // number nor written.
    ASSERT_EQ(::mkdir("log", 0755), 0);
    ASSERT_EQ(::mkdir("log/logger.conf", 0755), 0);
    ::testing::internal::CaptureStderr();
    logRun({"(x)"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open log/logger.conf to write!\n");
    EXPECT_EQ(readFile("_back.txt_1.txt"), "1 \t(x)\n");
}

TEST_F(CommandLoggerTest, LinesCarryNumberSpaceTabAndTheCommand) {
    logRun({"(scene rsg/agent/nao/nao.rsg)", "(init (unum 7)(teamname VOR))", "",
            "(beam -0.500000 4.000000 0.600000)", "(he1 1.0)\n(he2 2.0)\r"});
    EXPECT_EQ(readFile("log/cmdLog_1.txt"),
              "1 \t(scene rsg/agent/nao/nao.rsg)\n"
              "2 \t(init (unum 7)(teamname VOR))\n"
              "3 \t\n"
              "4 \t(beam -0.500000 4.000000 0.600000)\n"
              "5 \t(he1 1.0) (he2 2.0) \n");
}

TEST_F(CommandLoggerTest, LinesReachTheFileWithoutDestroyingTheLogger) {
    ::testing::internal::CaptureStdout();
    CommandLogger logger("", false);
    logger.log("(a)");
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile("log/cmdLog_1.txt"), "1 \t(a)\n");
}

TEST_F(CommandLoggerTest, ReplayReturnsEveryCommandIncludingEmptyOnesUntilTheEnd) {
    logRun({"(a)", "", "", "(b c)"});
    logRun({"(second run)"});

    ::testing::internal::CaptureStdout();
    CommandLogger replay("", true);  // the most recent log
    std::string cmd = "stale";
    ASSERT_TRUE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, "(second run)");
    EXPECT_FALSE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, "");
    EXPECT_FALSE(replay.getCmd(cmd));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Reading commands from log/cmdLog_2.txt. \nsending cmd 1\n");

    ::testing::internal::CaptureStdout();
    CommandLogger first("log/cmdLog_1.txt", true);
    std::string got;
    while (first.getCmd(cmd)) {
        got += "[" + cmd + "]";
    }
    EXPECT_EQ(got, "[(a)][][][(b c)]");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Reading commands from log/cmdLog_1.txt. \n"
              "sending cmd 1\nsending cmd 2\nsending cmd 3\nsending cmd 4\n");
}

TEST_F(CommandLoggerTest, RawReadKeepsTheSeparatorAndIsEmptyAtTheEnd) {
    logRun({"(a)", ""});
    ::testing::internal::CaptureStdout();
    CommandLogger replay("", true);
    EXPECT_STREQ(replay.getCmd(), " \t(a)");
    EXPECT_STREQ(replay.getCmd(), " \t");
    EXPECT_STREQ(replay.getCmd(), "");
    EXPECT_STREQ(replay.getCmd(), "");
    ::testing::internal::GetCapturedStdout();
}

TEST_F(CommandLoggerTest, RawReadIsCutToItsBuffer) {
    writeFile("raw.txt", "1 \t" + std::string(3000, 'r') + "\n2 \t(next)\n");
    ::testing::internal::CaptureStdout();
    CommandLogger replay("raw.txt", true);
    EXPECT_EQ(std::string(replay.getCmd()),
              " \t" + std::string(CommandLogger::kCmdBufferSize - 3, 'r'));
    EXPECT_STREQ(replay.getCmd(), " \t(next)");
    ::testing::internal::GetCapturedStdout();
}

TEST_F(CommandLoggerTest, ReplayStopsAtALineWithoutNumber) {
    writeFile("mixed.txt", "1 \t(a)\n\n3 \t(c)\n");
    ::testing::internal::CaptureStdout();
    CommandLogger replay("mixed.txt", true);
    std::string cmd;
    EXPECT_TRUE(replay.getCmd(cmd));
    EXPECT_FALSE(replay.getCmd(cmd));

    writeFile("words.txt", "one \t(a)\n");
    CommandLogger words("words.txt", true);
    EXPECT_FALSE(words.getCmd(cmd));
    ::testing::internal::GetCapturedStdout();
}

TEST_F(CommandLoggerTest, ReplayToleratesOddLinesAndOverlongOnes) {
    const std::string longCmd(CommandLogger::kMaxLineLength + 500, 'z');
    // Last line without a line end; a separator missing or shortened.
    writeFile("odd.txt", "1 \t" + longCmd + "\n2\t(tab only)\n3 (space only)\n4\n5 \t(last)");
    ::testing::internal::CaptureStdout();
    CommandLogger replay("odd.txt", true);
    std::string cmd;
    ASSERT_TRUE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, std::string(CommandLogger::kMaxLineLength - 3, 'z'));
    ASSERT_TRUE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, "(tab only)");
    ASSERT_TRUE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, "(space only)");
    ASSERT_TRUE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, "");
    ASSERT_TRUE(replay.getCmd(cmd));
    EXPECT_EQ(cmd, "(last)");
    EXPECT_FALSE(replay.getCmd(cmd));
    ::testing::internal::GetCapturedStdout();
}

TEST_F(CommandLoggerTest, MissingReplayFileIsReportedAndEndsAtOnce) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    CommandLogger replay("", true);
    std::string cmd;
    EXPECT_FALSE(replay.getCmd(cmd));
    EXPECT_STREQ(replay.getCmd(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open log/cmdLog_0.txtto replay!\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "creating log/logger.conf...\nstarting logs count from one...\n");
    // Replay never touches the counter.
    EXPECT_FALSE(std::filesystem::exists("log/logger.conf"));
}

TEST_F(CommandLoggerTest, UnopenableLogIsReportedAndLoggingHasNoEffect) {
    // The path names a directory that does not exist.
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    {
        CommandLogger logger("missing/dir/run", false);
        logger.log("(a)");
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open missing/dir/run_1.txtto log commands!\n");
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile("log/logger.conf"), "1\n");
}

}  // namespace
