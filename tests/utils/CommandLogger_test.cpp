#include "utils/CommandLogger.h"

#include <sys/stat.h>

#include <fstream>
#include <string>

#include "InTempDir.h"

namespace {

class CommandLoggerTest : public InTempDir {
protected:
    static void logRun(std::initializer_list<std::string> cmds) {
        ::testing::internal::CaptureStdout();
        {
            CommandLogger logger("", false);
            for (const std::string& cmd : cmds) logger.log(cmd);
        }
        ::testing::internal::GetCapturedStdout();
    }

    // Replays a file (the most recent log for ""); each command in brackets.
    static std::string replayAll(const std::string& path) {
        ::testing::internal::CaptureStdout();
        CommandLogger replay(path, true);
        std::string cmd, all;
        while (replay.getCmd(cmd)) all += "[" + cmd + "]";
        EXPECT_TRUE(!replay.getCmd(cmd) && cmd.empty()) << "the end stays the end";
        ::testing::internal::GetCapturedStdout();
        return all;
    }
};

// Lines reach the file while the logger lives (the runtime never destroys it).
TEST_F(CommandLoggerTest, EachRunLogsNumberedLinesToTheNextNumberedFile) {
    ::testing::internal::CaptureStdout();
    CommandLogger first("", false);
    for (const char* cmd : {"(scene a)", "", "(he1 1)\n(he2 2)\r"}) first.log(cmd);
    EXPECT_EQ(readWholeFile("log/cmdLog_1.txt"), "1 \t(scene a)\n2 \t\n3 \t(he1 1) (he2 2) \n");
    CommandLogger second("", false);
    second.log("(b)");
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(readWholeFile("log/logger.conf"), "2\n");
    EXPECT_EQ(readWholeFile("log/cmdLog_2.txt"), "1 \t(b)\n");
}

TEST_F(CommandLoggerTest, CounterFailuresNeverLoseTheLog) {
    ASSERT_EQ(::mkdir("log", 0755), 0);
    // A folder in place of the counter can be neither read nor written.
    ASSERT_EQ(::mkdir("log/logger.conf", 0755), 0);
    ::testing::internal::CaptureStderr();
    logRun({"(y)"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Could not open log/logger.conf to write!\n");
    EXPECT_EQ(readWholeFile("_back.txt_1.txt"), "1 \t(y)\n");
}

TEST_F(CommandLoggerTest, ReplayKeepsEmptyCommandsAndEndsOnlyAtTheEnd) {
    logRun({"(a)", "", "", "(b c)"});
    EXPECT_EQ(replayAll(""), "[(a)][][][(b c)]");
    const std::string huge(CommandLogger::kMaxLineLength + 500, 'z');
    std::ofstream("odd.txt") << "1 \t" << huge << "\n2\t(tab)\n3 (space)\n4\n5 \t(no line end)";
    EXPECT_EQ(replayAll("odd.txt"), "[" + huge.substr(0, CommandLogger::kMaxLineLength - 3) +
                                        "][(tab)][(space)][][(no line end)]");
    std::ofstream("gap.txt") << "1 \t(a)\n\n3 \t(c)\n";  // a line without its number ends it
    EXPECT_EQ(replayAll("gap.txt"), "[(a)]");
}

}  // namespace
