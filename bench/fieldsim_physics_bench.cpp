// fieldsim's physics model: one whole server cycle (commands applied, every
// robot and the ball stepped, perceptions written) with six robots on the
// field, three a side, every joint moving as a walking robot's do. The
// median and the 99th percentile per cycle are reported as counters, since
// a cycle that now and then takes long is what stalls a real-time game. They
// count the thread's CPU time, so other work on the machine does not inflate
// them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "game/Simulation.h"

namespace {

double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Hip, knee and ankle pitch of both legs swing as in a step cycle of 0.4 s,
// the arms against them; a quarter of the time the hips also yaw (turning).
std::string stepCommands(double t, int robot) {
    const double w = 2.0 * M_PI / 0.4;
    const double s = std::sin(w * t + robot), c = std::cos(w * t + robot);
    std::string out;
    auto add = [&out](const char* effector, double v) {
        out += '(';
        out += effector;
        out += ' ';
        out += std::to_string(v);
        out += ')';
    };
    add("rle3", 1.5 * s);
    add("lle3", -1.5 * s);
    add("rle4", -2.0 * c);
    add("lle4", 2.0 * c);
    add("rle5", 1.0 * s);
    add("lle5", -1.0 * s);
    add("rae1", -1.0 * s);
    add("lae1", 1.0 * s);
    add("he1", 0.5 * c);
    if (static_cast<int>(t) % 4 == robot % 4) {
        add("rle1", 0.8 * s);
        add("lle1", 0.8 * s);
    }
    return out;
}

void PhysicsCycleSixRobots(benchmark::State& state) {
    SimOptions o;
    o.model = ModelKind::Physics;
    o.kickoffAfter = 1.0;
    std::ostream quiet(nullptr);
    Simulation sim(o, quiet);
    for (int id = 1; id <= 6; ++id) {
        sim.clientConnected(id, "bench");
        sim.receive(id, "(scene rsg/agent/nao/nao.rsg)(init (unum " + std::to_string((id - 1) % 3 + 1) +
                            ")(teamname " + (id <= 3 ? "A" : "B") + "))");
    }
    sim.step();
    sim.takeOutbox();
    for (int id = 1; id <= 6; ++id) {
        const int n = (id - 1) % 3;
        sim.receive(id, "(beam " + std::to_string(-1.0 - 1.5 * n) + " " + std::to_string(n - 1.0) + " 0)");
    }
    std::vector<double> micros;
    micros.reserve(1 << 16);
    long long cycle = 0;
    for (auto _ : state) {
        const double t = static_cast<double>(cycle++) * 0.02;
        for (int id = 1; id <= 6; ++id) sim.receive(id, stepCommands(t, id));
        const double start = threadSeconds();
        sim.step();
        benchmark::DoNotOptimize(sim.takeOutbox());
        const double spent = threadSeconds() - start;
        micros.push_back(spent * 1e6);
        state.SetIterationTime(spent);
    }
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
        state.counters["per_robot_us"] = micros[micros.size() / 2] / 6.0;
    }
}

}  // namespace

// 3000 cycles: a minute of play, long enough for robots to walk, fall and lie.
BENCHMARK(PhysicsCycleSixRobots)->Iterations(3000)->UseManualTime()->Unit(benchmark::kMicrosecond);
