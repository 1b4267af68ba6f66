// skillrun against a small framed server on the agent's port 3100: the
// start-up exchange with the options' identity and beam, one command and one
// CSV line per cycle until the asked span of server time has passed, the
// CSV's columns, every skill driving joints, and the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FakeServer.h"

namespace {

const char* const kScene = "(scene /usr/local/share/rcssserver3d/rsg/agent/nao/nao.rsg)";
const int kWait = 10000;

const char* const kJointNames[22] = {
    "hj1",  "hj2",  "raj1", "raj2", "raj3", "raj4", "laj1", "laj2", "laj3", "laj4", "rlj1",
    "rlj2", "rlj3", "rlj4", "rlj5", "rlj6", "llj1", "llj2", "llj3", "llj4", "llj5", "llj6"};
const char* const kEffectors[22] = {
    "he1",  "he2",  "rae1", "rae2", "rae3", "rae4", "lae1", "lae2", "lae3", "lae4", "rle1",
    "rle2", "rle3", "rle4", "rle5", "rle6", "lle1", "lle2", "lle3", "lle4", "lle5", "lle6"};

std::string skillrunBin() {
    return (std::filesystem::path(AGENT_BIN).parent_path() / "skillrun").string();
}

// A perception reporting all 22 joints as the real server names them, joint
// i at angle i + 0.5.
std::string fullPerception(double time) {
    char head[160];
    std::snprintf(head, sizeof head,
                  "(time (now %.2f))(GS (t 0.00) (pm BeforeKickOff))"
                  "(GYR (n torso) (rt 0.00 0.00 0.00))",
                  time);
    std::string text = head;
    for (int i = 0; i < 22; ++i) {
        char hj[48];
        std::snprintf(hj, sizeof hj, "(HJ (n %s) (ax %.2f))", kJointNames[i], i + 0.5);
        text += hj;
    }
    return text;
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
    const std::string key = "(" + effector + " ";
    const size_t at = command.rfind(key);
    if (at == std::string::npos) return "";
    const size_t from = at + key.size();
    return command.substr(from, command.find(')', from) - from);
}

struct ToolRun {
    FakeServer server;
    ChildProcess tool;
    TempDir dir;

    void start(const std::vector<std::string>& args) {
        ASSERT_TRUE(std::filesystem::exists(skillrunBin()))
            << "build the skillrun target first: " << skillrunBin();
        ASSERT_TRUE(server.listenOn(3100)) << "port 3100 busy";
        ASSERT_TRUE(tool.start(skillrunBin(), args, dir.path()));
        ASSERT_TRUE(server.acceptClient(kWait)) << tool.err();
    }

    // Plays the start-up exchange; returns scene, init and beam as received.
    std::vector<std::string> startUp(const std::string& second = perceptionAt(0.02)) {
        std::vector<std::string> sent;
        sent.push_back(server.readFrame(kWait).value_or("<none>"));
        server.sendFrame(perceptionAt(0.0));
        sent.push_back(server.readFrame(kWait).value_or("<none>"));
        server.sendFrame(second);
        sent.push_back(server.readFrame(kWait).value_or("<none>"));
        return sent;
    }

    // One perception, one reply.
    std::string cycle(const std::string& perception) {
        server.sendFrame(perception);
        return server.readFrame(kWait).value_or("<none>");
    }
};

}  // namespace

TEST(SkillRun, StartUpThenOneCommandAndOneCsvLinePerCycleUntilTheTimeIsUp) {
    ToolRun r;
    r.start({"stand", "--seconds", "0.2"});
    const std::vector<std::string> sent = r.startUp();
    EXPECT_EQ(sent[0], kScene);
    EXPECT_EQ(sent[1], "(init (unum 0)(teamname VOR))");
    EXPECT_EQ(sent[2], "(beam -0.500000 4.000000 0.600000)");

    std::vector<std::string> replies;
    for (int i = 0; i < 10; ++i) replies.push_back(r.cycle(fullPerception(0.04 + 0.02 * i)));
    // 0.2 s after the first cycle's perception: no reply, the tool leaves.
    r.server.sendFrame(fullPerception(0.24));
    EXPECT_FALSE(r.server.readFrame(1000).has_value());
    EXPECT_EQ(r.tool.wait(kWait), 0) << r.tool.err();

    const auto rows = readCsv(r.dir.file("skillrun.csv"));
    ASSERT_EQ(rows.size(), 11u) << "a header and one line per cycle";
    // The start-up perceptions named only hj1 and hj2; the other columns
    // take the usual names.
    std::vector<std::string> header = {"time"};
    for (const char* n : kJointNames) header.push_back(n);
    for (const char* e : kEffectors) header.push_back(e);
    EXPECT_EQ(rows[0], header);

    for (int i = 0; i < 10; ++i) {
        const auto& row = rows[i + 1];
        ASSERT_EQ(row.size(), 45u) << i;
        char time[16];
        std::snprintf(time, sizeof time, "%.3f", 0.04 + 0.02 * i);
        EXPECT_EQ(row[0], time);
        EXPECT_EQ(row[13], "12.500");   // rlj3, reported as the 13th joint
        EXPECT_EQ(row[23 + 12], valueIn(replies[i], "rle3"));
    }
    EXPECT_NE(r.tool.out().find("skillrun: 10 cycles of stand written to skillrun.csv"),
              std::string::npos);
}

TEST(SkillRun, IdentityBeamAndReportedJointNames) {
    ToolRun r;
    r.start({"--unum", "7", "zero", "--teamname", "Robo", "--beam", "1", "-2", "90", "--seconds",
             "0.06", "--csv", "z.csv"});
    // A server naming its joints otherwise (with a comma, even): the header
    // follows the names of the start-up's last perception, made CSV-safe.
    std::string renamed = "(time (now 0.02))(GS (t 0.00) (pm BeforeKickOff))";
    for (int i = 0; i < 22; ++i) renamed += "(HJ (n j" + std::to_string(i) + ",x) (ax 1.00))";
    const std::vector<std::string> sent = r.startUp(renamed);
    EXPECT_EQ(sent[1], "(init (unum 7)(teamname Robo))");
    EXPECT_EQ(sent[2], "(beam 1.000000 -2.000000 90.000000)");

    const std::string first = r.cycle(perceptionAt(0.04));
    r.cycle(perceptionAt(0.06));
    r.cycle(perceptionAt(0.08));
    r.server.sendFrame(perceptionAt(0.10));
    EXPECT_EQ(r.tool.wait(kWait), 0) << r.tool.err();

    const auto rows = readCsv(r.dir.file("z.csv"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][1], "j0_x");
    EXPECT_EQ(rows[0][22], "j21_x");
    // The aligner to the all-zero posture drives the right knee back from
    // the 1 degree it was last reported at.
    EXPECT_EQ(rows[1][14], "1.000");
    EXPECT_EQ(rows[1][23 + 13], valueIn(first, "rle4"));
    EXPECT_EQ(rows[1][23 + 13], "-0.105556");
}

TEST(SkillRun, EverySkillDrivesJointsEveryCycle) {
    for (const char* skill : {"stand", "zero", "restart", "walk", "turn", "besidewalk", "kick",
                              "backkick", "naokick2", "standup"}) {
        SCOPED_TRACE(skill);
        ToolRun r;
        r.start({skill, "--seconds", "0.1", "--speed", "0.5", "--turn", "10"});
        r.startUp();
        std::vector<std::string> replies;
        for (int i = 0; i < 5; ++i) replies.push_back(r.cycle(fullPerception(0.04 + 0.02 * i)));
        r.server.sendFrame(fullPerception(0.14));
        EXPECT_EQ(r.tool.wait(kWait), 0) << r.tool.err();
        const auto rows = readCsv(r.dir.file("skillrun.csv"));
        ASSERT_EQ(rows.size(), 6u);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(replies[i].find("nan"), std::string::npos) << replies[i];
            ASSERT_EQ(rows[i + 1].size(), 45u);
            // Each speed cell is that cycle's command for the effector, or
            // empty where none was sent (the walk leaves the head alone).
            for (int e = 0; e < 22; ++e) {
                EXPECT_EQ(rows[i + 1][23 + e], valueIn(replies[i], kEffectors[e]));
            }
        }
        if (std::string(skill) == "walk") {
            EXPECT_EQ(rows[1][23], "");
        }
    }
}

TEST(SkillRun, ServerClosingEarlyKeepsTheLinesSoFar) {
    ToolRun r;
    r.start({"kick"});
    r.startUp();
    for (int i = 0; i < 3; ++i) EXPECT_NE(r.cycle(fullPerception(0.04 + 0.02 * i)), "<none>");
    r.server.closeClient();
    EXPECT_EQ(r.tool.wait(kWait), 1);
    EXPECT_NE(r.tool.err().find("closed the connection after 3 cycles"), std::string::npos)
        << r.tool.err();
    EXPECT_EQ(readCsv(r.dir.file("skillrun.csv")).size(), 4u);
}

TEST(SkillRun, CommandLine) {
    TempDir dir;
    {
        ChildProcess help;
        ASSERT_TRUE(help.start(skillrunBin(), {"kick", "--help"}, dir.path()));
        EXPECT_EQ(help.wait(kWait), 0);
        const std::string text = help.out();
        for (const char* word : {"besidewalk", "naokick2", "standup", "--seconds", "--unum",
                                 "--teamname", "--host", "--heading", "--beam", "--csv"}) {
            EXPECT_NE(text.find(word), std::string::npos) << word;
        }
    }
    // Refused before any connection is tried: exit status 2 and a reason.
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{}, "no skill"},
        {{"dance"}, "unknown skill dance"},
        {{"walk", "kick"}, "one skill at a time"},
        {{"walk", "--speed", "2"}, "--speed"},
        {{"walk", "--seconds", "nan"}, "--seconds"},
        {{"walk", "--teamname", "a b"}, "--teamname"},
        {{"walk", "--beam", "1", "2"}, "--beam needs 3 values"},
        {{"walk", "--port", "3200"}, "unknown option --port"},
    };
    for (const auto& [args, reason] : bad) {
        ChildProcess tool;
        ASSERT_TRUE(tool.start(skillrunBin(), args, dir.path()));
        EXPECT_EQ(tool.wait(kWait), 2) << reason;
        EXPECT_NE(tool.err().find(reason), std::string::npos) << tool.err();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("skillrun.csv")));

    // A CSV that cannot be created: status 1, still before connecting.
    ChildProcess tool;
    ASSERT_TRUE(tool.start(skillrunBin(), {"stand", "--csv", "no/such/dir/x.csv"}, dir.path()));
    EXPECT_EQ(tool.wait(kWait), 1);
    EXPECT_NE(tool.err().find("cannot write no/such/dir/x.csv"), std::string::npos);
}
