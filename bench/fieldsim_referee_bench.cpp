// fieldsim's referee alone: one cycle of its rules over eleven robots a side,
// without the robots' own motion, on each robot model. Before kick-off it
// works out every robot's rectangle in every cycle; at a kick-off also the
// defenders' boxes; in play it counts and watches for fouls. The robots stand
// in their own halves, so nothing is moved and each cycle costs the same.
#include <benchmark/benchmark.h>

#include "game/GameRules.h"
#include "game/Referee.h"
#include "game/World.h"

namespace {

void RefereeCycle(benchmark::State& state, ModelKind model, PlayMode mode) {
    World world(FieldGeometry(), model);
    GameRulesConfig config;
    config.kickoffAfter = -1.0;
    GameRules rules(config, world.field());
    Referee referee(rules, world, 1);
    for (int id = 1; id <= 22; ++id) {
        Robot& r = world.addRobot(id);
        const bool left = id <= 11;
        r.joined = true;
        r.side = left ? TeamSide::Left : TeamSide::Right;
        r.unum = left ? id : id - 11;
        r.team = left ? "Ants" : "Bees";
        // Spread over the own half, outside the centre circle and apart.
        const int k = r.unum - 1;
        const double x = -(2.6 + 0.9 * (k % 4)), y = -3.0 + 1.5 * (k / 4) + 0.3 * (k % 2);
        r.body().place(left ? x : -x, y, left ? 0.0 : 180.0);
        r.body().refreshSensors();
    }
    rules.setPlayMode(mode, 0.0);
    const StepContacts none;
    double now = 0.0;
    for (auto _ : state) {
        referee.update(now, 0.02, none);
        now += 0.02;
        benchmark::DoNotOptimize(referee.record());
    }
    state.counters["per_robot"] =
        benchmark::Counter(22.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK_CAPTURE(RefereeCycle, kinematic_before_kickoff, ModelKind::Kinematic,
                  PlayMode::BeforeKickOff);
BENCHMARK_CAPTURE(RefereeCycle, kinematic_kickoff, ModelKind::Kinematic, PlayMode::KickOffLeft);
BENCHMARK_CAPTURE(RefereeCycle, kinematic_play_on, ModelKind::Kinematic, PlayMode::PlayOn);
BENCHMARK_CAPTURE(RefereeCycle, physics_before_kickoff, ModelKind::Physics,
                  PlayMode::BeforeKickOff);
BENCHMARK_CAPTURE(RefereeCycle, physics_kickoff, ModelKind::Physics, PlayMode::KickOffLeft);
BENCHMARK_CAPTURE(RefereeCycle, physics_play_on, ModelKind::Physics, PlayMode::PlayOn);
