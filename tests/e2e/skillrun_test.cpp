// skillrun against a small framed server on the agent's port 3100: the
// start-up exchange, one command and one CSV line per cycle until the asked
// span of server time has passed, every skill driving joints.
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
// The real server's joint names; their effectors have an "e" for the "j".
const char* const kJoints[22] = {"hj1",  "hj2",  "raj1", "raj2", "raj3", "raj4", "laj1", "laj2",
                                 "laj3", "laj4", "rlj1", "rlj2", "rlj3", "rlj4", "rlj5", "rlj6",
                                 "llj1", "llj2", "llj3", "llj4", "llj5", "llj6"};

// A perception reporting all 22 joints (their names followed by `suffix`),
// joint i at angle i + 0.5.
std::string fullPerception(double time, const std::string& suffix = "") {
    char text[128];
    std::snprintf(text, sizeof text, "(time (now %.2f))(GS (t 0.00) (pm BeforeKickOff))", time);
    std::string out = text;
    for (int i = 0; i < 22; ++i) {
        std::snprintf(text, sizeof text, "(HJ (n %s%s) (ax %.2f))", kJoints[i], suffix.c_str(),
                      i + 0.5);
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
        for (int i = 0; i < cycles; ++i)
            replies.push_back(replyTo(server, fullPerception(0.04 + 0.02 * i)));
        server.sendFrame(fullPerception(0.04 + 0.02 * cycles));
        EXPECT_FALSE(server.readFrame(1000).has_value());
        EXPECT_EQ(tool.wait(kWait), 0) << tool.err();
    }
};

}  // namespace

// Each skill drives joints every cycle, with nothing undefined in its
// commands; "stand" also shows the options' identity and beam, and joint
// names taken from the start-up's last perception, made CSV-safe.
TEST(SkillRun, StartUpThenOneCommandAndOneCsvLinePerCycleUntilTheTimeIsUp) {
    for (const std::string skill : {"stand", "zero", "restart", "walk", "turn", "besidewalk",
                                    "kick", "backkick", "naokick2", "standup"}) {
        SCOPED_TRACE(skill);
        ToolRun r;
        std::vector<std::string> args = {skill, "--seconds", "0.1", "--speed",
                                         "0.5", "--turn",    "10"};
        if (skill == "stand") args.insert(args.end(), {"--unum", "7", "--beam", "1", "-2", "90"});
        r.run(args, 5, skill == "stand" ? ",x" : "");
        const auto rows = readCsv(r.dir.file("skillrun.csv"));
        ASSERT_EQ(rows.size(), 6u) << "a header and one line per cycle";
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(r.replies[i].find("nan"), std::string::npos) << r.replies[i];
            ASSERT_EQ(rows[i + 1].size(), 45u);
            // Each speed cell is that cycle's command for the effector, or empty.
            for (int e = 0; e < 22; ++e) {
                std::string effector = kJoints[e];
                effector[effector.find('j')] = 'e';
                EXPECT_EQ(rows[i + 1][23 + e], valueIn(r.replies[i], effector));
            }
        }
        if (skill != "stand") continue;
        EXPECT_EQ(r.sent,
                  (std::vector<std::string>{
                      "(scene /usr/local/share/rcssserver3d/rsg/agent/nao/nao.rsg)",
                      "(init (unum 7)(teamname VOR))", "(beam 1.000000 -2.000000 90.000000)"}));
        EXPECT_EQ(rows[0][13], "rlj3_x");
        EXPECT_EQ(rows[0][23 + 12], "rle3");
        EXPECT_EQ(rows[5][0], "0.120");
        EXPECT_EQ(rows[5][13], "12.500");  // rlj3, reported as the 13th joint
        EXPECT_NE(r.tool.out().find("skillrun: 5 cycles of stand written to skillrun.csv"),
                  std::string::npos);
    }
}
