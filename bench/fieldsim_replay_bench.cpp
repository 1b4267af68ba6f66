// fieldsim --replay: how long a recorded game takes to load, and a seek. The
// game is five minutes of three against three (15000 cycles), each truth-log
// line as long as fieldsim writes them (22 joint angles and the commands of
// every robot), with a belief CSV for every player. Loading is timed once
// per iteration from the files; the counters give the log's size.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "monitor/MonitorRequest.h"
#include "replay/ReplayRecording.h"
#include "replay/ReplayService.h"

namespace {

constexpr int kCycles = 15000;

const char* const kJoints[] = {"hj1",  "hj2",  "raj1", "raj2", "raj3", "raj4", "laj1", "laj2",
                               "laj3", "laj4", "rlj1", "rlj2", "rlj3", "rlj4", "rlj5", "rlj6",
                               "llj1", "llj2", "llj3", "llj4", "llj5", "llj6"};

std::string fixed(double v, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// A run folder as scripts/run.sh leaves it, written once for all benchmarks.
const std::string& game() {
    static const std::string dir = [] {
        char name[] = "/tmp/replay_bench_XXXXXX";
        const std::string d = ::mkdtemp(name);
        std::ofstream truth(d + "/truth.jsonl");
        std::ofstream beliefs[2][3];
        for (int s = 0; s < 2; ++s) {
            for (int n = 1; n <= 3; ++n) {
                const std::string player = d + (s ? "/Rivals/p" : "/Pitchbot/p") + std::to_string(n);
                std::filesystem::create_directories(player);
                beliefs[s][n - 1].open(player + "/beliefs.csv");
                beliefs[s][n - 1] << "time,play_mode,side,x,y,z,roll,pitch,yaw,ball_x,ball_y,ball_z,teammates,opponents\n";
            }
        }
        std::string commands;
        for (const char* j : kJoints) commands += std::string("(") + j + " 0.123456)";
        commands = commands.substr(0, 256);
        for (int c = 0; c < kCycles; ++c) {
            const double t = c * 0.02;
            std::string line = "{\"cycle\":" + std::to_string(c) + ",\"time\":" + fixed(t, 3) +
                               ",\"game_time\":" + fixed(t, 3) +
                               ",\"play_mode\":\"PlayOn\",\"score\":{\"left\":0,\"right\":0},\"ball\":{\"x\":" +
                               fixed(std::sin(t), 4) + ",\"y\":0.0000,\"z\":0.0420,\"vx\":0.0000,\"vy\":0.0000},\"robots\":[";
            for (int s = 0; s < 2; ++s) {
                for (int n = 1; n <= 3; ++n) {
                    const double x = (s ? 1 : -1) * (1.0 + n) + 0.1 * std::sin(t + n);
                    line += std::string(s || n > 1 ? "," : "") + "{\"team\":\"" + (s ? "Rivals" : "Pitchbot") +
                            "\",\"side\":\"" + (s ? "right" : "left") + "\",\"unum\":" + std::to_string(n) +
                            ",\"x\":" + fixed(x, 4) + ",\"y\":0.5000,\"z\":0.3850,\"yaw\":12.000,\"pitch\":0.000,"
                            "\"roll\":0.000,\"state\":\"upright\",\"joints\":{";
                    for (int j = 0; j < 22; ++j) line += std::string(j ? "," : "") + "\"" + kJoints[j] + "\":" + fixed(-12.345 + j, 3);
                    line += "},\"commands\":\"" + commands + "\"}";
                    beliefs[s][n - 1] << fixed(t, 3) << ",PM_PLAY_ON," << (s ? "SIDE_RIGHT," : "SIDE_LEFT,")
                                      << fixed((s ? -x : x) + 0.05, 4) << ",0.5000,0.5000,-180.000,0.000,-12.000,"
                                      << fixed(std::sin(t), 4) << ",0.0000,0.0420,2,3\n";
                }
            }
            truth << line << "]}\n";
        }
        return d;
    }();
    return dir;
}

// The game loaded once, for the benchmarks of what comes after loading.
struct Loaded {
    ReplayRecording recording;
    std::string error;
    bool ok = recording.load(game(), error);
    ReplayService service{recording};
};

void BM_LoadFiveMinuteGame(benchmark::State& state) {
    const std::string& dir = game();
    for (auto _ : state) {
        ReplayRecording recording;
        std::string error;
        if (!recording.load(dir, error)) state.SkipWithError(error.c_str());
        const ReplayService service(recording);
        benchmark::DoNotOptimize(service.indexJson().size());
    }
    state.counters["truth_MiB"] = static_cast<double>(std::filesystem::file_size(dir + "/truth.jsonl")) / (1 << 20);
    state.counters["cycles"] = kCycles;
}
BENCHMARK(BM_LoadFiveMinuteGame)->Unit(benchmark::kMillisecond)->Iterations(3);

// A seek: the drawn state at a time anywhere in the game, as /state?t= answers it.
void BM_SeekStateAtTime(benchmark::State& state) {
    const Loaded loaded;
    const ReplayService& service = loaded.service;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> anywhere(0.0, kCycles * 0.02);
    for (auto _ : state) {
        MonitorRequest request;
        request.parse("GET /state?t=" + fixed(anywhere(random), 3) + " HTTP/1.1\r\n\r\n", 8192);
        MonitorReply reply;
        service.answer(request, reply);
        benchmark::DoNotOptimize(reply.body.size());
    }
}
BENCHMARK(BM_SeekStateAtTime)->Unit(benchmark::kMicrosecond);

// What the page fetches while it plays: 250 cycles (5 s) at once.
void BM_BatchOf250Cycles(benchmark::State& state) {
    const Loaded loaded;
    const ReplayService& service = loaded.service;
    std::mt19937 random(7);
    std::uniform_int_distribution<size_t> anywhere(0, kCycles - 250);
    for (auto _ : state) benchmark::DoNotOptimize(service.statesJson(anywhere(random), 250).size());
}
BENCHMARK(BM_BatchOf250Cycles)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(game());
    return 0;
}
