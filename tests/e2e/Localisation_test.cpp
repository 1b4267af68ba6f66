// Two agents (one per team) against fieldsim in real time: the positions the
// agents computed from their own message traces (through wmtrace) must agree
// with fieldsim's ground truth.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>

#include "support/ChildProcess.h"

namespace {

const std::string kBin = BIN_DIR;
const int kWait = 60000;

struct Pose {
    double x, y, yaw;
};

double numberAfter(const std::string& text, size_t from, const std::string& key) {
    const size_t at = text.find("\"" + key + "\":", from);
    return at == std::string::npos ? NAN : std::stod(text.substr(at + key.size() + 3));
}

// Truth poses of one team's robot by server time in ms (world frame, yaw
// counter-clockwise from +x).
std::map<long, Pose> truthPoses(const std::string& path, const std::string& team) {
    std::map<long, Pose> poses;
    std::istringstream lines(readWholeFile(path));
    for (std::string line; std::getline(lines, line);) {
        const size_t robot = line.find("\"team\":\"" + team + "\"");
        if (robot == std::string::npos) continue;
        poses[std::lround(numberAfter(line, 0, "time") * 1000)] = {
            numberAfter(line, robot, "x"), numberAfter(line, robot, "y"), numberAfter(line, robot, "yaw")};
    }
    return poses;
}

TEST(LocalisationEndToEnd, BothTeamsAgreeWithTheTruthLog) {
    TempDir simDir, leftDir, rightDir, traceDir;
    ChildProcess sim, left, right;
    ASSERT_TRUE(sim.start(kBin + "/fieldsim", {"--pace", "realtime", "--duration", "3", "--full-view",
                                              "--kickoff-after", "-1", "--truth", simDir.file("truth.jsonl")},
                          simDir.path()));
    for (int i = 0; i < 100 && sim.out().find("listening") == std::string::npos; ++i) usleep(20000);
    ASSERT_TRUE(left.start(AGENT_BIN, {"--teamname", "Lefts", "--unum", "2"}, leftDir.path()));
    usleep(200000);  // the first team name to arrive plays on the left
    ASSERT_TRUE(right.start(AGENT_BIN, {"--teamname", "Rights", "--unum", "2"}, rightDir.path()));
    EXPECT_EQ(sim.wait(kWait), 0) << sim.out();
    EXPECT_EQ(left.wait(kWait), 0);
    EXPECT_EQ(right.wait(kWait), 0);

    for (const bool onRight : {false, true}) {
        const std::string team = onRight ? "Rights" : "Lefts";
        SCOPED_TRACE(team);
        ChildProcess trace;
        ASSERT_TRUE(trace.start(kBin + "/wmtrace",
                                {"--side", onRight ? "right" : "left", (onRight ? rightDir : leftDir).file("Msg.txt")},
                                traceDir.path()));
        ASSERT_EQ(trace.wait(kWait), 0) << trace.err();
        const std::map<long, Pose> truth = truthPoses(simDir.file("truth.jsonl"), team);
        const double mirror = onRight ? -1.0 : 1.0;
        int compared = 0;
        std::istringstream rows(trace.out());
        std::string row;
        std::getline(rows, row);  // header
        for (double t, x, y, yaw; std::getline(rows, row);) {
            // time,play_mode,side,x,y,z,roll,pitch,yaw,...
            std::istringstream cells(row);
            std::string c[9];
            for (std::string& cell : c) std::getline(cells, cell, ',');
            t = std::stod(c[0]), x = std::stod(c[3]), y = std::stod(c[4]), yaw = std::stod(c[8]);
            const auto real = truth.find(std::lround(t * 1000));
            // The agent sees every third cycle, so right after a beam its
            // belief lags: compare where the robot has stood still for 0.2 s.
            const auto before = truth.find(std::lround(t * 1000) - 200);
            if (real == truth.end() || before == truth.end() ||
                std::fabs(before->second.x - real->second.x) > 1e-6 ||
                std::fabs(before->second.y - real->second.y) > 1e-6) {
                continue;
            }
            // The own-team frame mirrors x and y for the right team; the
            // agent's yaw grows clockwise, the truth's counter-clockwise.
            EXPECT_NEAR(x, mirror * real->second.x, 0.05) << "t=" << t;
            EXPECT_NEAR(y, mirror * real->second.y, 0.05) << "t=" << t;
            const double trueYawOwn = onRight ? real->second.yaw - 180.0 : real->second.yaw;
            EXPECT_LT(std::fabs(std::fmod(yaw + trueYawOwn + 540.0, 360.0) - 180.0), 2.0) << "t=" << t;
            ++compared;
        }
        EXPECT_GT(compared, 60);
    }
}

}  // namespace
