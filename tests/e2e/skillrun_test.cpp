// skillrun against a small framed server on the agent's port 3100: the
// start-up exchange, one command and one CSV line per cycle until the asked
// span of server time has passed, every skill driving joints, the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FakeServer.h"

namespace {

const int kWait = 10000;
const std::string kBin = std::string(BIN_DIR) + "/skillrun";
const char* const kEffectors[22] = {
    "he1",  "he2",  "rae1", "rae2", "rae3", "rae4", "lae1", "lae2", "lae3", "lae4", "rle1",
    "rle2", "rle3", "rle4", "rle5", "rle6", "lle1", "lle2", "lle3", "lle4", "lle5", "lle6"};

// A perception reporting all 22 joints under `names` (the real server's
// when empty), joint i at angle i + 0.5.
std::string fullPerception(double time, const std::string& suffix = "") {
    const char* const names[22] = {"hj1",  "hj2",  "raj1", "raj2", "raj3", "raj4", "laj1", "laj2",
                                   "laj3", "laj4", "rlj1", "rlj2", "rlj3", "rlj4", "rlj5", "rlj6",
                                   "llj1", "llj2", "llj3", "llj4", "llj5", "llj6"};
    char text[128];
    std::snprintf(text, sizeof text, "(time (now %.2f))(GS (t 0.00) (pm BeforeKickOff))", time);
    std::string out = text;
    for (int i = 0; i < 22; ++i) {
        std::snprintf(text, sizeof text, "(HJ (n %s%s) (ax %.2f))", names[i], suffix.c_str(), i + 0.5);
        out += text;
    }
    return out;
}

// Rows of cells; a trailing empty cell is kept.
std::vector<std::vector<std::string>> readCsv(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(readWholeFile(path));
    for (std::string line; std::getline(lines, line);) {
        rows.emplace_back();
        std::istringstream cells(line + ",");
        for (std::string cell; std::getline(cells, cell, ',');) rows.back().push_back(cell);
    }
    return rows;
}

// The value text of `effector` in a command text; "" when it is not there.
std::string valueIn(const std::string& command, const std::string& effector) {
    const size_t at = command.rfind("(" + effector + " ");
    if (at == std::string::npos) return "";
    const size_t from = at + effector.size() + 2;
    return command.substr(from, command.find(')', from) - from);
}

struct ToolRun {
    FakeServer server;
    ChildProcess tool;
    TempDir dir;
    std::vector<std::string> sent, replies;

    // Starts skillrun, plays the start-up and `cycles` cycles, then sends the
    // perception at which the asked time is up.
    void run(const std::vector<std::string>& args, int cycles, const std::string& suffix = "") {
        ASSERT_TRUE(server.listenOn(3100)) << "port 3100 busy";
        ASSERT_TRUE(tool.start(kBin, args, dir.path()));
        ASSERT_TRUE(server.acceptClient(kWait)) << tool.err();
        sent = playStartUp(server, fullPerception(0.02, suffix));
        for (int i = 0; i < cycles; ++i) replies.push_back(replyTo(server, fullPerception(0.04 + 0.02 * i)));
        server.sendFrame(fullPerception(0.04 + 0.02 * cycles));
        EXPECT_FALSE(server.readFrame(1000).has_value());
        EXPECT_EQ(tool.wait(kWait), 0) << tool.err();
    }
};

}  // namespace

TEST(SkillRun, StartUpThenOneCommandAndOneCsvLinePerCycleUntilTheTimeIsUp) {
    ToolRun r;
    r.run({"stand", "--seconds", "0.2"}, 10);
    EXPECT_EQ(r.sent, (std::vector<std::string>{"(scene /usr/local/share/rcssserver3d/rsg/agent/nao/nao.rsg)",
                                                 "(init (unum 0)(teamname VOR))",
                                                 "(beam -0.500000 4.000000 0.600000)"}));
    const auto rows = readCsv(r.dir.file("skillrun.csv"));
    ASSERT_EQ(rows.size(), 11u) << "a header and one line per cycle";
    ASSERT_EQ(rows[0].size(), 45u);
    EXPECT_EQ(rows[0][13], "rlj3");
    EXPECT_EQ(rows[0][23 + 12], "rle3");
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(rows[i + 1].size(), 45u) << i;
        EXPECT_EQ(rows[i + 1][13], "12.500");  // rlj3, reported as the 13th joint
        EXPECT_EQ(rows[i + 1][23 + 12], valueIn(r.replies[i], "rle3"));
    }
    EXPECT_EQ(rows[10][0], "0.220");
    EXPECT_NE(r.tool.out().find("skillrun: 10 cycles of stand written to skillrun.csv"), std::string::npos);
}

TEST(SkillRun, IdentityBeamAndJointNamesMadeCsvSafe) {
    ToolRun r;
    r.run({"--unum", "7", "zero", "--teamname", "Robo", "--beam", "1", "-2", "90", "--seconds", "0.06",
           "--csv", "z.csv"}, 3, ",x");
    EXPECT_EQ(r.sent[1], "(init (unum 7)(teamname Robo))");
    EXPECT_EQ(r.sent[2], "(beam 1.000000 -2.000000 90.000000)");
    const auto rows = readCsv(r.dir.file("z.csv"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][1], "hj1_x");
    EXPECT_EQ(rows[0][22], "llj6_x");
}

TEST(SkillRun, EverySkillDrivesJointsEveryCycle) {
    for (const char* skill : {"stand", "zero", "restart", "walk", "turn", "besidewalk", "kick",
                              "backkick", "naokick2", "standup"}) {
        SCOPED_TRACE(skill);
        ToolRun r;
        r.run({skill, "--seconds", "0.1", "--speed", "0.5", "--turn", "10"}, 5);
        const auto rows = readCsv(r.dir.file("skillrun.csv"));
        ASSERT_EQ(rows.size(), 6u);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(r.replies[i].find("nan"), std::string::npos) << r.replies[i];
            ASSERT_EQ(rows[i + 1].size(), 45u);
            // Each speed cell is that cycle's command for the effector, or empty.
            for (int e = 0; e < 22; ++e) EXPECT_EQ(rows[i + 1][23 + e], valueIn(r.replies[i], kEffectors[e]));
        }
    }
}

TEST(SkillRun, CommandLine) {
    TempDir dir;
    ChildProcess help;
    ASSERT_TRUE(help.start(kBin, {"kick", "--help"}, dir.path()));
    EXPECT_EQ(help.wait(kWait), 0);
    for (const char* word : {"besidewalk", "standup", "--seconds", "--beam", "--csv"}) {
        EXPECT_NE(help.out().find(word), std::string::npos) << word;
    }
    // Refused before any connection is tried: exit status 2 and a reason.
    for (const auto& [args, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"dance"}, "unknown skill dance"},
             {{"walk", "--seconds", "nan"}, "--seconds"},
             {{"walk", "--teamname", "a b"}, "--teamname"},
             {{"walk", "--beam", "1", "2"}, "--beam needs 3 values"}}) {
        ChildProcess tool;
        ASSERT_TRUE(tool.start(kBin, args, dir.path()));
        EXPECT_EQ(tool.wait(kWait), 2) << reason;
        EXPECT_NE(tool.err().find(reason), std::string::npos) << tool.err();
    }
    ChildProcess tool;  // a CSV that cannot be created: status 1, still before connecting
    ASSERT_TRUE(tool.start(kBin, {"stand", "--csv", "no/such/dir/x.csv"}, dir.path()));
    EXPECT_EQ(tool.wait(kWait), 1);
    EXPECT_NE(tool.err().find("cannot write no/such/dir/x.csv"), std::string::npos);
}
