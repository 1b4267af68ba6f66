#include "utils/CommandLogger.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    // One logging run; returns what it printed.
    static std::string logRun(std::initializer_list<std::string> cmds) {
        ::testing::internal::CaptureStdout();
        {
            CommandLogger logger("", false);
            for (const std::string& cmd : cmds) logger.log(cmd);
        }
        return ::testing::internal::GetCapturedStdout();
    }

    // Replays a file through the end-aware read; each command in brackets.
    static std::string replayAll(const std::string& path) {
        ::testing::internal::CaptureStdout();
        CommandLogger replay(path, true);
        std::string cmd, all;
        while (replay.getCmd(cmd)) all += "[" + cmd + "]";
        const bool endStays = !replay.getCmd(cmd) && cmd.empty();
        ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(endStays);
        return all;
    }

    std::string dir;
};

TEST_F(CommandLoggerTest, EachRunLogsToTheNextNumberedFile) {
    EXPECT_EQ(logRun({"(scene a)", "(init (unum 7)(teamname VOR))", "", "(he1 1)\n(he2 2)\r"}),
              "creating log/logger.conf...\n"
              "starting logs count from one...\n"
              "Loggin commands to log/cmdLog_1.txt. \n");
    EXPECT_EQ(readFile("log/logger.conf"), "1\n");
    EXPECT_EQ(readFile("log/cmdLog_1.txt"),
              "1 \t(scene a)\n2 \t(init (unum 7)(teamname VOR))\n3 \t\n4 \t(he1 1) (he2 2) \n");

    EXPECT_EQ(logRun({"(b)"}), "Loggin commands to log/cmdLog_2.txt. \n");
    EXPECT_EQ(readFile("log/logger.conf"), "2\n");
    EXPECT_EQ(readFile("log/cmdLog_2.txt"), "1 \t(b)\n");

    // Lines reach the file while the logger lives (the runtime never destroys it).
    ::testing::internal::CaptureStdout();
    CommandLogger live("", false);
    live.log("(c)");
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile("log/cmdLog_3.txt"), "1 \t(c)\n");
}

TEST_F(CommandLoggerTest, CounterFailuresNeverLoseTheLog) {
    ASSERT_EQ(::mkdir("log", 0755), 0);
    std::ofstream("log/logger.conf") << "garbage\n";
    logRun({"(x)"});
    EXPECT_EQ(readFile("log/logger.conf"), "1\n");
    EXPECT_EQ(readFile("log/cmdLog_1.txt"), "1 \t(x)\n");

    // A folder in place of the counter can be neither read nor written.
    std::filesystem::remove("log/logger.conf");
    ASSERT_EQ(::mkdir("log/logger.conf", 0755), 0);
    ::testing::internal::CaptureStderr();
    logRun({"(y)"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open log/logger.conf to write!\n");
    EXPECT_EQ(readFile("_back.txt_1.txt"), "1 \t(y)\n");

    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    CommandLogger(std::string("no/such/dir/run"), false).log("(z)");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open log/logger.conf to write!\n"
              "Could not open no/such/dir/run_back.txt_1.txtto log commands!\n");
    ::testing::internal::GetCapturedStdout();
}

TEST_F(CommandLoggerTest, ReplayGivesEveryCommandIncludingEmptyOnesThenEnds) {
    logRun({"(a)", "", "", "(b c)"});
    logRun({"(second run)"});

    // Without a path the most recent log is replayed.
    ::testing::internal::CaptureStdout();
    {
        CommandLogger recent("", true);
        std::string cmd;
        EXPECT_TRUE(recent.getCmd(cmd));
        EXPECT_EQ(cmd, "(second run)");
        EXPECT_FALSE(recent.getCmd(cmd));
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Reading commands from log/cmdLog_2.txt. \nsending cmd 1\n");

    EXPECT_EQ(replayAll("log/cmdLog_1.txt"), "[(a)][][][(b c)]");

    // The raw read keeps the separator and is empty at the end.
    ::testing::internal::CaptureStdout();
    CommandLogger raw("log/cmdLog_1.txt", true);
    EXPECT_STREQ(raw.getCmd(), " \t(a)");
    EXPECT_STREQ(raw.getCmd(), " \t");
    raw.getCmd();
    raw.getCmd();
    EXPECT_STREQ(raw.getCmd(), "");
    ::testing::internal::GetCapturedStdout();
}

TEST_F(CommandLoggerTest, ReplayOfHandWrittenAndDamagedFiles) {
    const std::string huge(CommandLogger::kMaxLineLength + 500, 'z');
    std::ofstream("odd.txt") << "1 \t" << huge << "\n2\t(tab)\n3 (space)\n4\n5 \t(no line end)";
    EXPECT_EQ(replayAll("odd.txt"), "[" + huge.substr(0, CommandLogger::kMaxLineLength - 3) +
                                        "][(tab)][(space)][][(no line end)]");

    // A line without its number ends the replay.
    std::ofstream("gap.txt") << "1 \t(a)\n\n3 \t(c)\n";
    EXPECT_EQ(replayAll("gap.txt"), "[(a)]");
    std::ofstream("words.txt") << "one \t(a)\n";
    EXPECT_EQ(replayAll("words.txt"), "");

    // The raw read is cut to its 1024-byte buffer; the next line still follows.
    std::ofstream("long.txt") << "1 \t" << huge << "\n2 \t(next)\n";
    ::testing::internal::CaptureStdout();
    CommandLogger raw("long.txt", true);
    EXPECT_EQ(std::string(raw.getCmd()),
              " \t" + huge.substr(0, CommandLogger::kCmdBufferSize - 3));
    EXPECT_STREQ(raw.getCmd(), " \t(next)");
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
    EXPECT_FALSE(std::filesystem::exists("log/logger.conf"));  // replay leaves the counter
}

}  // namespace
