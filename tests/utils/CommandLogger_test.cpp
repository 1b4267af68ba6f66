#include "utils/CommandLogger.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "InTempDir.h"

namespace {

class CommandLoggerTest : public InTempDir {
protected:
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
};

TEST_F(CommandLoggerTest, EachRunLogsToTheNextNumberedFile) {
    EXPECT_EQ(logRun({"(scene a)", "(init (unum 7)(teamname VOR))", "", "(he1 1)\n(he2 2)\r"}),
              "creating log/logger.conf...\n"
              "starting logs count from one...\n"
              "Loggin commands to log/cmdLog_1.txt. \n");
    EXPECT_EQ(readWholeFile("log/cmdLog_1.txt"),
              "1 \t(scene a)\n2 \t(init (unum 7)(teamname VOR))\n3 \t\n4 \t(he1 1) (he2 2) \n");

    EXPECT_EQ(logRun({"(b)"}), "Loggin commands to log/cmdLog_2.txt. \n");
    EXPECT_EQ(readWholeFile("log/logger.conf"), "2\n");

    // Lines reach the file while the logger lives (the runtime never destroys it).
    ::testing::internal::CaptureStdout();
    CommandLogger live("", false);
    live.log("(c)");
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(readWholeFile("log/cmdLog_3.txt"), "1 \t(c)\n");
}

TEST_F(CommandLoggerTest, CounterFailuresNeverLoseTheLog) {
    ASSERT_EQ(::mkdir("log", 0755), 0);
    std::ofstream("log/logger.conf") << "garbage\n";
    logRun({"(x)"});
    EXPECT_EQ(readWholeFile("log/cmdLog_1.txt"), "1 \t(x)\n");

    // A folder in place of the counter can be neither read nor written.
    std::filesystem::remove("log/logger.conf");
    ASSERT_EQ(::mkdir("log/logger.conf", 0755), 0);
    ::testing::internal::CaptureStderr();
    logRun({"(y)"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open log/logger.conf to write!\n");
    EXPECT_EQ(readWholeFile("_back.txt_1.txt"), "1 \t(y)\n");
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
}

TEST_F(CommandLoggerTest, ReplayOfHandWrittenAndDamagedFiles) {
    const std::string huge(CommandLogger::kMaxLineLength + 500, 'z');
    std::ofstream("odd.txt") << "1 \t" << huge << "\n2\t(tab)\n3 (space)\n4\n5 \t(no line end)";
    EXPECT_EQ(replayAll("odd.txt"), "[" + huge.substr(0, CommandLogger::kMaxLineLength - 3) +
                                        "][(tab)][(space)][][(no line end)]");
    // A line without its number ends the replay.
    std::ofstream("gap.txt") << "1 \t(a)\n\n3 \t(c)\n";
    EXPECT_EQ(replayAll("gap.txt"), "[(a)]");

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(replayAll("absent.txt"), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Could not open absent.txtto replay!\n");
}

}  // namespace
