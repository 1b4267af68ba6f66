// The agent's own skills on fieldsim's physics model, judged from the truth
// log against what they do on the real server: the stand-up gets the robot
// up from its front and from its back in a few seconds, the walk carries it
// forward at about half a metre per second.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/JoinInOrder.h"
#include "support/TruthLog.h"

namespace {

const std::string kBin = BIN_DIR;
const int kWait = 110000;

struct Pose {
    double time = 0, x = 0, y = 0;
    std::string state;
};

// The one robot's torso, cycle by cycle, once it has joined.
std::vector<Pose> robotTrack(const std::string& path) {
    std::vector<Pose> track;
    for (const TruthCycle& c : readTruthLog(path))
        if (const TruthRobot* r = c.robot("")) track.push_back({c.time, r->x, r->y, r->state});
    return track;
}

// fieldsim's physics model in lockstep with a scenario, and one skillrun.
std::vector<Pose> runSkill(const std::string& scenario, const std::vector<std::string>& skill) {
    TempDir dir;
    std::ofstream(dir.file("scenario.txt")) << scenario;
    ChildProcess sim, tool;
    EXPECT_TRUE(sim.start(kBin + "/fieldsim",
                          {"--model", "physics", "--pace", "lockstep", "--lockstep-timeout", "30", "--wait-for", "1", "--wait-timeout", std::to_string(kWait / 1000),
                           "--kickoff-after", "-1", "--duration", "12", "--truth", dir.file("truth.jsonl"),
                           "--scenario", dir.file("scenario.txt")},
                          dir.path()));
    // No cycle until the tool has joined: a tool slow to start (a busy
    // machine) would otherwise meet the scenario's events late, or miss them.
    JoinInOrder joining(sim, 3100, kWait);
    EXPECT_TRUE(joining.serverHeld()) << sim.out() << sim.err();
    std::vector<std::string> args = skill;
    args.insert(args.end(), {"--seconds", "11", "--beam", "-2", "0", "0"});
    // A folder of its own: each program's console goes to its working folder.
    const std::string toolDir = dir.file("skillrun");
    ::mkdir(toolDir.c_str(), 0755);
    EXPECT_TRUE(tool.start(kBin + "/skillrun", args, toolDir));
    EXPECT_TRUE(joining.add(tool)) << "skillrun did not connect";
    EXPECT_TRUE(joining.release()) << sim.out();
    EXPECT_EQ(sim.wait(kWait), 0) << sim.out() << sim.err();
    EXPECT_EQ(tool.wait(10000), 0) << tool.err();
    std::vector<Pose> track = robotTrack(dir.file("truth.jsonl"));
    // From the first cycle after the beam.
    while (track.size() > 1 && std::hypot(track[0].x + 2.0, track[0].y) > 0.05) track.erase(track.begin());
    return track;
}

}  // namespace

// On the real server the stand-up is up 4 to 5 s after the fall is detected.
TEST(PhysicsSkills, TheAgentsStandUpGetsUpFromTheFrontAndFromTheBack) {
    for (const char* way : {"front", "back"}) {
        SCOPED_TRACE(way);
        const std::vector<Pose> track = runSkill(std::string("1.0 knock-over left 1 ") + way + "\n", {"standup"});
        ASSERT_GT(track.size(), 400u);
        const Pose *down = nullptr, *up = nullptr;
        for (const Pose& p : track) {
            if (!down && p.state == way) down = &p;
            if (down && !up && p.state == "upright") up = &p;
        }
        ASSERT_NE(down, nullptr) << "the push did not topple it";
        EXPECT_LT(down->time, 2.0);
        ASSERT_NE(up, nullptr) << "never got up";
        EXPECT_GT(up->time - down->time, 1.5) << "a stand-up takes its time";
        EXPECT_LT(up->time - down->time, 6.5);
    }
}

// On the real server the walk makes about 0.5 m/s (0.28 to 0.57) while it
// stays up.
TEST(PhysicsSkills, TheWalkGoesForwardAtTheRealServersPace) {
    // In play: before kick-off the referee would send it back from the middle line.
    const std::vector<Pose> track = runSkill("0.5 playmode PlayOn\n", {"walk"});
    ASSERT_GT(track.size(), 400u);
    const Pose* last = &track.front();
    for (const Pose& p : track) {
        if (p.state != "upright") break;
        last = &p;
    }
    const double seconds = last->time - track.front().time;
    ASSERT_GT(seconds, 4.0) << "fell within 4 s";
    // The walk ramps up over its first two seconds.
    const double speed = (last->x - track.front().x) / seconds;
    EXPECT_GT(speed, 0.3);
    EXPECT_LT(speed, 0.72);
    EXPECT_LT(std::fabs(last->y), 0.3 * (last->x + 2.0) + 0.1) << "walks ahead, not sideways";
}
