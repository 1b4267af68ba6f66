// A whole match in lockstep: two teams of three walk, turn, fall, get up
// and play the ball for two halves of 300 s. The truth log stays sound (one
// valid line per cycle, no number that is not finite) and the simulation
// does not grow in memory. Under the sanitizers the halves are shortened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>
#include <fstream>
#include <random>
#include <unistd.h>

#include "FieldsimTestKit.h"
#include "support/ChildProcess.h"

namespace {

#ifdef FIELDSIM_SANITIZED
constexpr double kHalfTime = 20.0;
#else
constexpr double kHalfTime = 300.0;
#endif

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A simple player: beams to its place when it may, walks with a gait that
// turns now and then, and gets up after a fall by flexing its hips and then
// taking the standing posture.
class Player {
public:
    Player(int id, int unum, std::mt19937& rng) : id_(id), unum_(unum), rng_(rng) { newGait(); }

    std::string answer(const std::string& perception, PlayMode mode, const RobotBody& body, double now) {
        const Posture angles = anglesIn(perception);
        std::string out;
        if (mode == PlayMode::BeforeKickOff || mode == PlayMode::GoalLeft || mode == PlayMode::GoalRight) {
            out += "(beam " + std::to_string(-1.0 - unum_) + " " + std::to_string(unum_ - 2.0) + " 0)";
        }
        if (body.state() != BodyState::Upright) {
            if (!body.isFalling()) {
                ++lyingCycles_;
                Posture target = standingPosture();
                if (lyingCycles_ < 25) target[12] = target[18] = 90.0;  // hips flexed first
                out += commandsToward(target, angles);
            }
            gaitStart_ = now;
            return out;
        }
        lyingCycles_ = 0;
        if (flailing_ > 0) {
            --flailing_;  // the speeds of the flail stay in force
            return out;
        }
        if (now - gaitStart_ > 10.0) {
            newGait();
            gaitStart_ = now;
        }
        // Now and then a flail of the legs, as a confused agent might send.
        if (rng_() % 400 == 0) {
            flailing_ = 20;
            return out + "(rle3 6)(lle5 -6)(rle2 -3)(lle2 -3)(rae1 3)";
        }
        out += commandsToward(gait_.at(now - gaitStart_), angles);
        return out;
    }

    int id() const { return id_; }

private:
    void newGait() {
        gait_ = Gait();
        gait_.amplitude = 4.0 + static_cast<double>(rng_() % 7);
        gait_.yawRight = (rng_() % 3 == 0) ? 12.0 : 0.0;
        gait_.yawLeft = (rng_() % 3 == 1) ? 12.0 : 0.0;
    }

    int id_;
    int unum_;
    std::mt19937& rng_;
    Gait gait_;
    double gaitStart_ = 0.0;
    int lyingCycles_ = 0;
    int flailing_ = 0;
};

}  // namespace

TEST(LongMatch, TwoHalvesWithSixRobotsStaySoundAndDoNotGrow) {
    TempDir dir;
    SimOptions o = testOptions();
    o.kickoffAfter = 1.0;
    o.halfTime = kHalfTime;
    o.truthFile = dir.file("truth.jsonl");
    std::ostream quiet(nullptr);  // the console of a long match is not kept
    Simulation sim(o, quiet);
    std::string error;
    ASSERT_TRUE(sim.openTruthLog(error)) << error;

    std::mt19937 rng(3);
    std::vector<Player> players;
    std::map<int, std::string> lastPerception;
    for (int id = 1; id <= 6; ++id) {
        const int unum = (id - 1) % 3 + 1;
        sim.clientConnected(id, "test");
        ASSERT_TRUE(sim.receive(id, "(scene rsg/agent/nao/nao.rsg)(init (unum " + std::to_string(unum) +
                                        ")(teamname " + (id <= 3 ? "VOR" : "OPP") + "))"));
        players.emplace_back(id, unum, rng);
    }

    long cycles = 0;
    long memoryAtStart = 0;
    int fallsSeen = 0, standsSeen = 0;
    std::map<int, BodyState> lastState;
    while (sim.rules().playMode() != PlayMode::GameOver && cycles < 60000) {
        sim.step();
        ++cycles;
        for (Outgoing& out : sim.takeOutbox()) {
            if (out.perception) lastPerception[out.clientId] = std::move(out.text);
        }
        for (Player& p : players) {
            const Robot* robot = sim.world().robot(p.id());
            ASSERT_NE(robot, nullptr);
            const BodyState state = robot->body.state();
            if (lastState.count(p.id()) && lastState[p.id()] != state) {
                (state == BodyState::Upright ? standsSeen : fallsSeen) += 1;
            }
            lastState[p.id()] = state;
            sim.receive(p.id(), p.answer(lastPerception[p.id()], sim.rules().playMode(), robot->body, sim.now()));
        }
        if (cycles == 3000) memoryAtStart = residentKiB();
    }
    ASSERT_EQ(sim.rules().playMode(), PlayMode::GameOver);
    EXPECT_NEAR(sim.rules().gameTime(), 2 * kHalfTime, 1e-6);
    EXPECT_GT(fallsSeen, 0);
    EXPECT_GT(standsSeen, 0) << "fallen robots got up again";
#ifndef FIELDSIM_SANITIZED
    EXPECT_LT(residentKiB() - memoryAtStart, 2048) << "KiB grown over the match";
#endif

    // One valid line per cycle, every number finite, the last one the end.
    std::ifstream in(o.truthFile);
    std::string line, last;
    long lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_FALSE(hasNonFinite(line)) << "line " << lines;
        ASSERT_EQ(line.front(), '{');
        ASSERT_EQ(line.back(), '}');
        last.swap(line);
    }
    EXPECT_EQ(lines, cycles);
    EXPECT_NE(last.find("\"play_mode\":\"GameOver\""), std::string::npos);
}
