// The wmtrace program, run as a user runs it, on composed and real traces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../utils/VisionComposer.h"
#include "support/ChildProcess.h"

namespace {

struct ToolRun {
    int status;
    std::string err;
    std::vector<std::vector<std::string>> rows;  // the CSV lines after the header, split
};

ToolRun wmtrace(const TempDir& dir, const std::vector<std::string>& args) {
    ChildProcess child;
    EXPECT_TRUE(child.start(std::string(BIN_DIR) + "/wmtrace", args, dir.path()));
    ToolRun run{child.wait(20000), child.err(), {}};
    std::istringstream lines(child.out());
    std::string line;
    if (std::getline(lines, line)) {
        EXPECT_EQ(
            line,
            "time,play_mode,side,x,y,z,roll,pitch,yaw,ball_x,ball_y,ball_z,teammates,opponents");
    }
    while (std::getline(lines, line)) {
        run.rows.emplace_back();
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) run.rows.back().push_back(cell);
        EXPECT_EQ(run.rows.back().size(), 14u) << line;
    }
    return run;
}

double num(const std::string& field) { return std::strtod(field.c_str(), nullptr); }

const compose::Pose kPose{-2.0, 1.5, 0.5, 60.0};
const compose::Vec kBall{-1.0, 2.0, 0.042};

// Three messages of robot 2 of team VOR: a vision with a team-mate, an
// opponent and the robot's own arm (`padding` lengthens it); one without
// vision; a second vision after a head turn.
void writeTrace(const TempDir& dir, const std::string& gs, const std::string& padding = "") {
    const std::string players =
        " (P (team VOR) (id 3) (head (pol 4 10 1)))"
        " (P (team Rival) (id 5) (head (pol 6 -10 1)) (rfoot (pol 6 -9 -5)))"
        " (P (team VOR) (id 2) (rlowerarm (pol 0.19 -36 -22)))";
    std::ofstream(dir.file("Msg.txt"))
        << compose::perception(
               1.0, gs, 0, 0,
               compose::see(kPose, compose::kCorners, 0, 0, &kBall, players + padding))
        << "\n\n"
        << compose::perception(1.02, gs, 0, 0, "") << "\n\n"
        << compose::perception(1.04, gs, 25, -10,
                               compose::see(kPose, compose::kCorners, 25, -10, &kBall, players))
        << "\n\n";
}

// Side and number from the game state (left) or the command line (right):
// the agent's own traces start after its start-up, so their game states name
// neither. The first message is longer than the server sends on the left.
TEST(Wmtrace, ComposedTraceOnBothSidesAndAnOverlongMessage) {
    for (const bool right : {false, true}) {
        TempDir dir;
        std::string padding;
        while (!right && padding.size() < 5000) padding += " (X9 (pol 1.000 2.000 3.000))";
        writeTrace(dir, right ? "(GS (t 0.00) (pm PlayOn))" : compose::gameState("left"), padding);
        const ToolRun run = wmtrace(
            dir, right ? std::vector<std::string>{"--side", "right", "--unum", "2", "Msg.txt"}
                       : std::vector<std::string>{"Msg.txt"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("message 1 has") != std::string::npos, !right) << run.err;
        ASSERT_EQ(run.rows.size(), 3u);
        EXPECT_EQ(run.rows[1][0], "1.020");
        const double s = right ? -1.0 : 1.0;
        for (const auto& row : run.rows) {
            EXPECT_EQ(row[2], right ? "SIDE_RIGHT" : "SIDE_LEFT");
            EXPECT_NEAR(num(row[3]), s * kPose.x, 2e-3);
            EXPECT_NEAR(num(row[4]), s * kPose.y, 2e-3);
            EXPECT_NEAR(num(row[8]), right ? 180.0 - kPose.heading : -kPose.heading, 0.02);
            EXPECT_NEAR(num(row[9]), s * kBall.x, 3e-3);
            EXPECT_NEAR(num(row[10]), s * kBall.y, 3e-3);
            EXPECT_EQ(row[12], "1") << "our own arm (our number) is no team-mate";
        }
    }
}

TEST(Wmtrace, RealCapture) {
    TempDir dir;
    const ToolRun run = wmtrace(dir, {std::string(CAPTURE_DIR) + "/real-12x8-standing.txt"});
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.rows.size(), 60u);
    EXPECT_EQ(run.rows[59][0], "6.980");
    EXPECT_EQ(run.rows[1][2], "SIDE_UNKNOWN");  // side and number come with the third message
    EXPECT_EQ(run.rows[2][2], "SIDE_LEFT");
    EXPECT_EQ(run.rows[59][12], "0") << "the robot's own arms are no team-mate";
}

}  // namespace
