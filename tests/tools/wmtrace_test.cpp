// The wmtrace program, run as a user runs it, on composed and real traces.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "../utils/VisionComposer.h"

namespace {

const char* const kHeader =
    "time,play_mode,side,x,y,z,roll,pitch,yaw,ball_x,ball_y,ball_z,teammates,opponents";

std::string wmtraceBin() {
    const std::string agent = AGENT_BIN;
    return agent.substr(0, agent.rfind('/')) + "/wmtrace";
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun wmtrace(const TempDir& dir, const std::vector<std::string>& args,
                const std::string& program = wmtraceBin()) {
    ChildProcess child;
    EXPECT_TRUE(child.start(program, args, dir.path()));
    const int status = child.wait(20000);
    return {status, child.out(), child.err()};
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, by)) parts.push_back(part);
    return parts;
}

// CSV lines without the header, each split into its 14 fields.
std::vector<std::vector<std::string>> rows(const std::string& out) {
    const std::vector<std::string> lines = split(out, '\n');
    if (lines.empty() || lines[0] != kHeader) return {};
    std::vector<std::vector<std::string>> result;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        result.push_back(split(lines[i], ','));
        EXPECT_EQ(result.back().size(), 14u) << lines[i];
    }
    return result;
}

double num(const std::string& field) { return std::strtod(field.c_str(), nullptr); }

const compose::Pose kPose{-2.0, 1.5, 0.5, 60.0};
const compose::Vec kBall{-1.0, 2.0, 0.042};

// Three messages of one robot of team VOR, number 2: a vision with a
// team-mate, an opponent and the robot's own arm; a message without vision;
// a second vision after a head turn.
std::string composedTrace(const std::string& gs) {
    const std::string players =
        " (P (team VOR) (id 3) (head (pol 4 10 1)))"
        " (P (team Rival) (id 5) (head (pol 6 -10 1)) (rfoot (pol 6 -9 -5)))"
        " (P (team VOR) (id 2) (rlowerarm (pol 0.19 -36 -22)))";
    return compose::perception(1.0, gs, 0, 0, compose::see(kPose, compose::kCorners, 0, 0, &kBall, players)) +
           "\n\n" + compose::perception(1.02, gs, 0, 0, "") + "\n\n" +
           compose::perception(1.04, gs, 25, -10, compose::see(kPose, compose::kCorners, 25, -10, &kBall, players)) +
           "\n\n";
}

void expectComposedPose(const std::vector<std::string>& row, bool right) {
    const double s = right ? -1.0 : 1.0;
    EXPECT_EQ(row[2], right ? "SIDE_RIGHT" : "SIDE_LEFT");
    EXPECT_NEAR(num(row[3]), s * kPose.x, 2e-3);
    EXPECT_NEAR(num(row[4]), s * kPose.y, 2e-3);
    EXPECT_NEAR(num(row[5]), kPose.height, 2e-3);
    const double yaw = right ? 180.0 - kPose.heading : -kPose.heading;
    EXPECT_NEAR(num(row[8]), yaw, 0.02);
    EXPECT_NEAR(num(row[9]), s * kBall.x, 3e-3);
    EXPECT_NEAR(num(row[10]), s * kBall.y, 3e-3);
}

TEST(Wmtrace, ComposedTraceOnBothSidesWithSideAndNumberFromGameStateOrCommandLine) {
    // The agent's own traces start after its start-up, so their game
    // states name neither side nor number.
    const struct {
        std::string gs;
        std::vector<std::string> args;
        bool right;
    } cases[] = {{compose::gameState("left"), {"Msg.txt"}, false},
                 {compose::gameState("right"), {"Msg.txt"}, true},
                 {"(GS (t 0.00) (pm PlayOn))", {"--side", "right", "--unum", "2", "Msg.txt"}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gs);
        TempDir dir;
        writeFile(dir.file("Msg.txt"), composedTrace(c.gs));
        const ToolRun run = wmtrace(dir, c.args);
        EXPECT_EQ(run.status, 0) << run.err;
        const auto r = rows(run.out);
        ASSERT_EQ(r.size(), 3u);
        EXPECT_EQ(r[1][0], "1.020");
        for (const auto& row : r) {
            expectComposedPose(row, c.right);
            EXPECT_EQ(row[12], "1") << "our own arm (our number) is no team-mate";
            EXPECT_EQ(row[13], "1");
        }
    }
    // Unknown side: the values of a team on the left; the team named on the
    // command line is ours.
    TempDir dir;
    writeFile(dir.file("Msg.txt"), composedTrace("(GS (t 0.00) (pm PlayOn))"));
    const auto r = rows(wmtrace(dir, {"--teamname", "Rival", "Msg.txt"}).out);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][2], "SIDE_UNKNOWN");
    EXPECT_NEAR(num(r[0][3]), kPose.x, 2e-3);
    EXPECT_EQ(r[0][13], "2");
}

TEST(Wmtrace, StandardInputGivesTheSameLines) {
    TempDir dir;
    writeFile(dir.file("Msg.txt"), composedTrace(compose::gameState("left")));
    const ToolRun fromFile = wmtrace(dir, {"Msg.txt"});
    const ToolRun fromDash = wmtrace(dir, {"-c", "exec \"$0\" - < Msg.txt", wmtraceBin()}, "/bin/sh");
    EXPECT_EQ(fromDash.status, 0);
    EXPECT_EQ(fromDash.out, fromFile.out);
    // Nothing on standard input: just the header.
    EXPECT_EQ(wmtrace(dir, {}).out, std::string(kHeader) + "\n");
}

TEST(Wmtrace, RealCapture) {
    TempDir dir;
    const ToolRun run = wmtrace(dir, {std::string(CAPTURE_DIR) + "/real-12x8-standing.txt"});
    EXPECT_EQ(run.status, 0);
    const auto r = rows(run.out);
    ASSERT_EQ(r.size(), 60u);
    EXPECT_EQ(r[59][0], "6.980");
    // Number and side come with the third message's game state.
    EXPECT_EQ(r[1][2], "SIDE_UNKNOWN");
    EXPECT_EQ(r[2][2], "SIDE_LEFT");
    EXPECT_EQ(r[59][1], "PM_BEFORE_KICK_OFF");
    EXPECT_EQ(r[59][12], "0") << "the robot's own arms are no team-mate";
}

TEST(Wmtrace, MessageLongerThanTheServerSends) {
    TempDir dir;
    std::string padding;
    while (padding.size() < 5000) padding += " (X9 (pol 1.000 2.000 3.000))";
    const std::string vision = compose::see(kPose, compose::kCorners, 0, 0, &kBall, padding);
    const std::string message = compose::perception(1.0, compose::gameState("left"), 0, 0, vision);
    writeFile(dir.file("Msg.txt"), message + "\n\n");
    const ToolRun run = wmtrace(dir, {"Msg.txt"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("message 1 has"), std::string::npos) << run.err;
    const auto r = rows(run.out);
    ASSERT_EQ(r.size(), 1u);
    expectComposedPose(r[0], false);
}

TEST(Wmtrace, BadArguments) {
    TempDir dir;
    ToolRun run = wmtrace(dir, {"no-such-trace.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot open no-such-trace.txt"), std::string::npos);
    EXPECT_EQ(wmtrace(dir, {"a.txt", "b.txt"}).status, 2);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--bogus"}, {"--side", "middle"}, {"--unum", "100"}}) {
        run = wmtrace(dir, args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_NE(run.err.find(args[0]), std::string::npos) << run.err;
    }
}

}  // namespace
