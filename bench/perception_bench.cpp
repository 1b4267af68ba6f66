// The perception update on real-sized messages: time per message, bytes per
// second, and heap allocations per message (counted by replacing the global
// operator new of this program).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "utils/WorldModelUpdater.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

std::vector<std::string> captureMessages() {
    return benchkit::traceMessages(std::string(CAPTURE_DIR) + "/real-12x8-standing.txt");
}

// A crowded scene as a match has it: all eight landmarks, the ball and
// eight players with all their parts (about 2.5 kB).
std::string crowdedMessage(const std::string& withoutVision) {
    std::string see = "(See";
    const char* flags[] = {"G1L", "G2L", "G2R", "G1R", "F1L", "F2L", "F1R", "F2R"};
    for (int i = 0; i < 8; ++i) {
        char one[80];
        std::snprintf(one, sizeof one, " (%s (pol %.3f %.3f %.3f))", flags[i], 3.0 + i,
                      -40.0 + 10 * i, -5.0 + i * 0.5);
        see += one;
    }
    see += " (B (pol 2.345 -12.345 -10.123))";
    const char* parts[] = {"head", "rlowerarm", "llowerarm", "rfoot", "lfoot"};
    for (int p = 0; p < 8; ++p) {
        char one[80];
        std::snprintf(one, sizeof one, " (P (team %s) (id %d)", p % 2 ? "VOR" : "Rival", p + 1);
        see += one;
        for (const char* part : parts) {
            std::snprintf(one, sizeof one, " (%s (pol %.3f %.3f %.3f))", part, 4.0 + p, 5.0 * p,
                          -3.0);
            see += one;
        }
        see += ")";
    }
    see += ")";
    // In the real order: behind the head joints.
    const std::size_t at = withoutVision.find("(HJ (n raj1)");
    return withoutVision.substr(0, at) + see + withoutVision.substr(at);
}

void prepare() {
    GameConf::getUniqueInstance()->init();
    WorldModel::getUniqueInstance()->setTeamName("VOR");
}

// Runs `messages` in turn, one per iteration. Without vision the agent adds
// itself to the team-mate list on every message and only a vision empties
// it, so for vision-less runs the list is emptied now and then outside the
// measurement, as the next vision would.
void runMessages(benchmark::State& state, std::vector<std::string> messages, bool clearLists) {
    if (messages.empty()) {
        state.SkipWithError("no capture to read");
        return;
    }
    benchkit::QuietConsole quiet;
    prepare();
    std::vector<std::vector<char>> buffers;
    std::size_t totalBytes = 0;
    for (const std::string& m : messages) {
        buffers.emplace_back(m.begin(), m.end());
        buffers.back().push_back('\0');
        totalBytes += m.size();
    }
    // One pass to reach the steady state (list capacities and the like).
    for (std::vector<char>& b : buffers) {
        char* cursor = b.data();
        WorldModelUpdater updater;
        updater.setMessage(&cursor);
        updater.parseMessage();
    }

    const long before = benchkit::allocations();
    std::size_t next = 0;
    long count = 0;
    for (auto _ : state) {
        char* cursor = buffers[next].data();
        WorldModelUpdater updater;
        updater.setMessage(&cursor);
        updater.parseMessage();
        benchmark::DoNotOptimize(cursor);
        next = (next + 1) % buffers.size();
        if (clearLists && ++count % 256 == 0) {
            state.PauseTiming();
            WorldModel::getUniqueInstance()->resetOppAndTmtVec();
            state.ResumeTiming();
        }
    }
    const long made = benchkit::allocations() - before;
    const double perPass = static_cast<double>(totalBytes) / static_cast<double>(buffers.size());
    state.SetBytesProcessed(
        static_cast<int64_t>(perPass * static_cast<double>(state.iterations())));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["bytes_per_msg"] = perPass;
    state.counters["allocs_per_msg"] =
        static_cast<double>(made) / static_cast<double>(std::max<int64_t>(1, state.iterations()));
}

void BM_PerceptionWithoutVision(benchmark::State& state) {
    const std::vector<std::string> all = captureMessages();
    runMessages(state, all.size() > 1 ? std::vector<std::string>{all[1]} : all, true);
}

void BM_PerceptionRealVision(benchmark::State& state) {
    const std::vector<std::string> all = captureMessages();
    runMessages(state, all.size() > 3 ? std::vector<std::string>{all[3]} : all, false);
}

void BM_PerceptionCrowdedVision(benchmark::State& state) {
    const std::vector<std::string> all = captureMessages();
    runMessages(state, all.size() > 1 ? std::vector<std::string>{crowdedMessage(all[1])} : all,
                false);
}

// The recorded sequence as it came: vision on every third message.
void BM_PerceptionCaptureSequence(benchmark::State& state) {
    runMessages(state, captureMessages(), false);
}

}  // namespace

BENCHMARK(BM_PerceptionWithoutVision);
BENCHMARK(BM_PerceptionRealVision);
BENCHMARK(BM_PerceptionCrowdedVision);
BENCHMARK(BM_PerceptionCaptureSequence);
