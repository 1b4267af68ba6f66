#include "ReplayFixture.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

std::string number(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

double wrap(double deg) {
    const double r = std::remainder(deg, 360.0);
    return r <= -180.0 ? r + 360.0 : r;
}

const char* playMode(double t) {
    if (t < 1.0) return "BeforeKickOff";
    if (t < 2.0) return "KickOff_Left";
    if (t < 7.0) return "PlayOn";
    if (t < 8.0) return "Goal_Left";
    return "KickOff_Right";
}

std::string robotJson(const char* team, bool right, int unum, double t) {
    const FixturePose p = ReplayFixture::truth(right, unum, t);
    std::string joints;
    for (const char* j : {"hj1", "hj2", "raj1", "laj1", "rlj1", "llj1", "rlj6", "llj6"}) {
        joints += std::string(joints.empty() ? "" : ",") + "\"" + j + "\":" + number(10 * std::sin(t), 3);
    }
    return std::string("{\"team\":\"") + team + "\",\"side\":\"" + (right ? "right" : "left") + "\",\"unum\":" +
           std::to_string(unum) + ",\"x\":" + number(p.x, 4) + ",\"y\":" + number(p.y, 4) + ",\"z\":0.3850,\"yaw\":" +
           number(p.yaw, 3) + ",\"pitch\":0.000,\"roll\":0.000,\"state\":\"" + ReplayFixture::state(right, unum, t) +
           "\",\"joints\":{" + joints + "},\"commands\":\"(he1 0.000000)(he2 0.100000)\"}";
}

// One row as wmtrace writes it: the team's own frame, the yaw clockwise.
std::string beliefRow(bool right, int unum, double t, bool missColumns) {
    const FixturePose p = ReplayFixture::belief(right, unum, t);
    const FixturePose b = ReplayFixture::believedBall(t);
    const double m = right ? -1.0 : 1.0;
    const double yaw = wrap(right ? 180.0 - p.yaw : -p.yaw);
    std::string row = number(t, 3) + ",PM_PLAY_ON," + (right ? "SIDE_RIGHT" : "SIDE_LEFT") + ",";
    if (!missColumns) row += number(m * p.x, 4) + ",";
    row += number(m * p.y, 4) + ",0.5000,-180.000,0.000,";
    if (!missColumns) row += number(yaw, 3) + ",";
    return row + number(m * b.x, 4) + "," + number(m * b.y, 4) + ",0.0420,1,2";
}

}  // namespace

FixturePose ReplayFixture::truth(bool right, int unum, double t) {
    if (!right && unum == 1) return {-5.5, 0.3 * std::sin(t), 0.0};
    if (!right) return {-3.0 + 0.3 * t, 1.0, 30.0 + 10.0 * t};
    if (unum == 1) return {5.5, -0.2, 180.0};
    return {2.0 - 0.2 * t, -1.0 + 0.1 * t, wrap(150.0 - 5.0 * t)};
}

FixturePose ReplayFixture::belief(bool right, int unum, double t) {
    const FixturePose p = truth(right, unum, t);
    // Ants 2 is off by 0.5 m (0.4 along x, -0.3 along y) and 12 degrees to
    // the left all the time; Bees 3 wanders around where it is.
    if (!right) return {p.x + 0.4, p.y - 0.3, wrap(p.yaw + 12.0)};
    return {p.x + 0.3 + 0.3 * std::sin(1.1 * t), p.y + 0.25 * std::cos(0.9 * t), wrap(p.yaw - 20.0 * std::sin(0.5 * t))};
}

FixturePose ReplayFixture::ball(double t) { return {0.2 * t, 0.1 * t, 0.0}; }

FixturePose ReplayFixture::believedBall(double t) { return {0.2 * t + 0.25, 0.1 * t + 0.1, 0.0}; }

const char* ReplayFixture::state(bool right, int unum, double t) {
    return right && unum == 3 && t >= 6.0 && t < 8.0 ? "front" : "upright";
}

void ReplayFixture::write(const std::string& dir, const Faults& faults) {
    std::ofstream truth(dir + "/truth.jsonl", std::ios::binary);
    std::string last;
    for (int c = 0; c < kCycles; ++c) {
        const double t = timeOf(c);
        const int scoreLeft = t >= 7.0 ? 1 : 0;
        const FixturePose b = ball(t);
        std::string line = "{\"cycle\":" + std::to_string(c) + ",\"time\":" + number(t, 3) +
                           ",\"game_time\":" + number(t < 1.0 ? 0.0 : t - 1.0, 3) + ",\"play_mode\":\"" +
                           playMode(t) + "\",\"score\":{\"left\":" + std::to_string(scoreLeft) +
                           ",\"right\":0},\"ball\":{\"x\":" + number(b.x, 4) + ",\"y\":" + number(b.y, 4) +
                           ",\"z\":0.0420,\"vx\":0.2000,\"vy\":0.1000},\"robots\":[" + robotJson("Ants", false, 1, t) +
                           "," + robotJson("Ants", false, 2, t) + "," + robotJson("Bees", true, 1, t) + "," +
                           robotJson("Bees", true, 3, t) + "]}";
        if (faults.garbageLine && c == 100) line.insert(1, "#");
        if (faults.cutLastLine && c == kCycles - 1) {
            truth << line.substr(0, line.size() / 2);
        } else {
            truth << line << '\n';
        }
    }
    for (const char* folder : {"/Ants", "/Ants/p1", "/Ants/p2", "/Bees", "/Bees/p3"}) ::mkdir((dir + folder).c_str(), 0755);
    std::ofstream(dir + "/Ants/p1/Msg.txt") << "(time (now 0.02))\n\n";
    if (faults.noBeliefs) return;
    const std::string full = "time,play_mode,side,x,y,z,roll,pitch,yaw,ball_x,ball_y,ball_z,teammates,opponents\n";
    const std::string missing = "time,play_mode,side,y,z,roll,pitch,ball_x,ball_y,ball_z,teammates,opponents\n";
    std::ofstream ants(dir + "/Ants/p2/beliefs.csv");
    std::ofstream bees(dir + "/Bees/p3/beliefs.csv");
    ants << full;
    bees << (faults.beliefsMissColumns ? missing : full);
    // The players' traces begin a little after the log, as they join later.
    for (int c = 5; c < kCycles; ++c) {
        ants << beliefRow(false, 2, timeOf(c), false) << '\n';
        bees << beliefRow(true, 3, timeOf(c), faults.beliefsMissColumns) << '\n';
    }
}
