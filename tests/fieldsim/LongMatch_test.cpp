// A whole match in lockstep: two teams of three walk, turn, flail (with
// values that are not numbers now and then), fall and get up for two halves
// of 300 s. No pose ever breaks, no standing robot leans beyond 45 degrees,
// the truth log has one sound line per cycle, and memory does not grow.
// Under the sanitizers the halves are shortened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <random>
#include <unistd.h>

#include "FieldsimTestKit.h"
#include "support/ChildProcess.h"
#include "support/TruthLog.h"

namespace {

#ifdef FIELDSIM_SANITIZED
constexpr double kHalfTime = 20.0;
constexpr bool kMeasureMemory = false;  // the sanitizers keep memory of their own
#else
constexpr double kHalfTime = 300.0;
constexpr bool kMeasureMemory = true;
#endif

long residentKiB() {
    long size = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Beams when it may, walks a gait that changes every 10 s, flails now and
// then, and after a fall flexes its hips and then takes the standing posture.
struct Player {
    Gait gait;
    double since = 0.0;
    int lying = 0, flailing = 0;

    std::string answer(const std::string& seen, int unum, PlayMode mode, const KinematicBody& body, double now,
                       std::mt19937& rng) {
        const bool beam = mode == PlayMode::BeforeKickOff || mode == PlayMode::GoalLeft || mode == PlayMode::GoalRight;
        const std::string out = beam ? "(beam " + std::to_string(-1.0 - unum) + " " + std::to_string(unum - 2.0) + " 0)" : "";
        if (body.state() != BodyState::Upright) {
            Posture p = standingPosture();
            if (++lying < 25) p[NaoModel::RLJ3] = p[NaoModel::LLJ3] = 90.0;
            since = now;
            return out + (body.isFalling() ? "" : commandsToward(p, anglesIn(seen)));
        }
        lying = 0;
        if (flailing > 0 && --flailing > 0) return out;  // the flail's speeds stay in force
        if (rng() % 400 == 0) {
            flailing = 20;
            return out + "(rle3 6)(lle5 -6)(rle2 -3)(lle2 nan)(lle4 inf)(rae1 1e400)";
        }
        if (now - since > 10.0) {
            gait = Gait();
            gait.amplitude = 4.0 + rng() % 7;
            gait.yawRight = rng() % 3 == 0 ? 12.0 : 0.0;
            since = now;
        }
        return out + commandsToward(gait.at(now - since), anglesIn(seen));
    }
};

}  // namespace

TEST(LongMatch, TwoHalvesWithSixRobotsStaySoundAndDoNotGrow) {
    TempDir dir;
    SimOptions o = testOptions();
    o.kickoffAfter = 1.0;
    o.halfTime = kHalfTime;
    o.truthFile = dir.file("truth.jsonl");
    std::ostream quiet(nullptr);
    Simulation sim(o, quiet);
    std::string error;
    ASSERT_TRUE(sim.openTruthLog(error)) << error;
    for (int id = 1; id <= 6; ++id) {
        sim.clientConnected(id, "test");
        ASSERT_TRUE(sim.receive(id, "(scene rsg/agent/nao/nao.rsg)(init (unum " + std::to_string((id - 1) % 3 + 1) +
                                        ")(teamname " + (id <= 3 ? "VOR" : "OPP") + "))"));
    }
    std::mt19937 rng(3);
    std::map<int, Player> players;
    std::map<int, std::string> seen;
    long cycles = 0, memoryAtStart = 0;
    int getUps = 0;
    while (sim.rules().playMode() != PlayMode::GameOver && cycles < 60000) {
        sim.step();
        ++cycles;
        for (Outgoing& out : sim.takeOutbox()) seen[out.clientId] = std::move(out.text);
        for (auto& [id, robot] : sim.world().robots()) {
            const KinematicBody& b = dynamic_cast<const KinematicBody&>(robot.body());
            ASSERT_TRUE(b.torso().pos.isFinite() && b.gyro().isFinite() && b.accelerometer().isFinite()) << cycles;
            ASSERT_TRUE(b.state() != BodyState::Upright || b.torso().rot.column(2).z >= std::cos(M_PI / 4) - 1e-9)
                << "upright but leaning beyond 45 degrees, cycle " << cycles;
            getUps += b.state() == BodyState::Upright && players[id].lying > 0;
            sim.receive(id, players[id].answer(seen[id], robot.unum, sim.rules().playMode(), b, sim.now(), rng));
        }
        if (cycles == 3000) memoryAtStart = residentKiB();
    }
    ASSERT_EQ(sim.rules().playMode(), PlayMode::GameOver);
    EXPECT_NEAR(sim.rules().gameTime(), 2 * kHalfTime, 1e-6);
    EXPECT_GT(getUps, 0) << "robots fell and got up again";
    if (kMeasureMemory) {
        EXPECT_LT(residentKiB() - memoryAtStart, 2048) << "KiB grown over the match";
    }
    // One whole cycle per line: a number that is not finite is not JSON and
    // fails the reading (a robot's own commands, kept as text, may say "nan").
    const std::vector<TruthCycle> log = readTruthLog(o.truthFile);
    EXPECT_EQ(static_cast<long>(log.size()), cycles);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().mode, "GameOver");
}
