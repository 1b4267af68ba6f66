// One whole cycle of a player in steady play, as the runtime runs it: clear
// the command text, apply the perception to the world model, decide and run
// the skills (DMU::behave()), and hold the command text to send. The input
// is a recorded stretch of a match on fieldsim: the right side's number 2,
// an attacker in the competition build, walking in PlayOn from 2.4 m to
// 1.5 m off the ball (bench/fixtures/README.md). The same program is built
// against both libraries (cycle_bench, cycle_bench_match).
//
// The cycles with a vision report and those without are measured apart;
// each reports the median and the 99th percentile of single cycles and the
// heap allocations per cycle (this program counts every operator new).
// The recording is played over and over with its clock running on, so the
// agent sees time go forward as in a match; each pass puts the robot back
// where the recording started, as a beam would.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "buildMode.h"
#include "dmu/DMU.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "utils/WorldModelUpdater.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

// Who played the recording.
const char* const kTeamName = "Rivals";
constexpr int kUnum = 2;
constexpr Side kSide = SIDE_RIGHT;

// One recorded message with its two clock readings cut out, so that a later
// pass can print later times into it.
struct Recorded {
    std::string beforeNow;  // up to "(time (now "
    double now = 0;
    std::string beforeGame;  // from the end of that number up to "(t "
    double game = 0;
    std::string rest;
    bool vision = false;
};

bool cutNumber(const std::string& text, std::size_t from, const char* opening, std::string& before,
               double& value, std::size_t& end) {
    const std::size_t at = text.find(opening, from);
    if (at == std::string::npos) return false;
    const std::size_t start = at + std::strlen(opening);
    char* stop = nullptr;
    value = std::strtod(text.c_str() + start, &stop);
    before = text.substr(from, start - from);
    end = static_cast<std::size_t>(stop - text.c_str());
    return end > start;
}

bool cutClock(const std::string& text, Recorded& r) {
    std::size_t end = 0;
    if (!cutNumber(text, 0, "(time (now ", r.beforeNow, r.now, end)) return false;
    if (!cutNumber(text, end, "(t ", r.beforeGame, r.game, end)) return false;
    r.rest = text.substr(end);
    r.vision = text.find("(See") != std::string::npos;
    return true;
}

// The agent's state lives in process-wide singletons, so the match is one
// for the whole program: every benchmark plays on where the last one left.
class Match {
public:
    static Match& get() {
        static Match match;
        return match;
    }

    bool ready() const { return !recording.empty() && error.empty(); }
    const std::string& problem() const { return error; }

    bool nextIsVision() const { return recording[next].vision; }

    // One cycle as the runtime runs it; returns the command text's length.
    std::size_t cycle() {
        CC->reset();
        std::memcpy(work.data(), buffers[next].data(), buffers[next].size());
        char* cursor = work.data();
        WorldModelUpdater updater;
        updater.setMessage(&cursor);
        updater.parseMessage();
        const std::string command = dmu->behave();
        benchmark::DoNotOptimize(command.data());
        return command.size();
    }

    // Moves on to the next message; after the last one, prints the next
    // pass's times into the buffers (outside any measurement).
    void advance() {
        if (++next < buffers.size()) return;
        next = 0;
        ++pass;
        fill();
    }

private:
    Match() {
        const std::vector<std::string> messages =
            benchkit::traceMessages(std::string(BENCH_FIXTURE_DIR) + "/playon-walk-to-ball.txt");
        if (messages.size() < 2) {
            error = "cannot read bench/fixtures/playon-walk-to-ball.txt";
            return;
        }
        for (const std::string& m : messages) {
            Recorded r;
            if (!cutClock(m, r)) {
                error = "a recorded message without its clock";
                return;
            }
            recording.push_back(r);
        }
        // The recording's messages come 20 ms apart; the next pass starts
        // one cycle after its last message.
        period = recording.back().now - recording.front().now + 0.02;
        buffers.resize(recording.size());
        fill();

        // The decision layer and the development build write their logs
        // into the working directory: give them one of their own.
        char dir[] = "/tmp/cycle_bench.XXXXXX";
        if (mkdtemp(dir) == nullptr || chdir(dir) != 0) {
            error = "no working directory";
            return;
        }
        benchkit::QuietConsole quiet;
        GameConf::getUniqueInstance()->init();
        WorldModel* wm = WorldModel::getUniqueInstance();
        wm->setTeamName(kTeamName);
        wm->setOurSide(kSide);
        wm->setMyNum(kUnum);
        CC = CommandCreator::getUniqueInstance();
        dmu = DMU::getUniqueInstance();
        // Two passes reach the steady state: skills queued, capacities grown.
        for (std::size_t i = 0; i < 2 * buffers.size(); ++i) {
            cycle();
            advance();
        }
    }

    void fill() {
        const double shift = period * static_cast<double>(pass);
        for (std::size_t i = 0; i < recording.size(); ++i) {
            const Recorded& r = recording[i];
            char now[32];
            char game[32];
            std::snprintf(now, sizeof now, "%.3f", r.now + shift);
            std::snprintf(game, sizeof game, "%.3f", r.game + shift);
            std::string& b = buffers[i];
            b.assign(r.beforeNow).append(now).append(r.beforeGame).append(game).append(r.rest);
            b.push_back('\0');
            if (work.size() < b.size()) work.resize(b.size());
        }
    }

    std::vector<Recorded> recording;
    std::vector<std::string> buffers;
    std::vector<char> work;
    std::size_t next = 0;
    long pass = 0;
    double period = 0;
    std::string error;
    CommandCreator* CC = nullptr;
    DMU* dmu = nullptr;
};

double percentile(std::vector<double>& samples, double p) {
    if (samples.empty()) return 0;
    const std::size_t k = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<long>(k), samples.end());
    return samples[k];
}

// Times the cycles whose message has a vision report (or has none); the
// other cycles run in between, untimed, so the agent sees the whole match.
void runCycles(benchmark::State& state, bool vision) {
    benchkit::QuietConsole quiet;
    Match& match = Match::get();
    if (!match.ready()) {
        state.SkipWithError(match.problem().c_str());
        return;
    }
    std::vector<double> micros;
    micros.reserve(1 << 16);
    long made = 0;
    long cyclesWithAllocation = 0;
    double commandBytes = 0;
    for (auto _ : state) {
        while (match.nextIsVision() != vision) {
            match.cycle();
            match.advance();
        }
        const long before = benchkit::allocations();
        const auto start = std::chrono::steady_clock::now();
        const std::size_t length = match.cycle();
        const auto stop = std::chrono::steady_clock::now();
        const long these = benchkit::allocations() - before;
        match.advance();

        const std::chrono::duration<double> took = stop - start;
        state.SetIterationTime(took.count());
        micros.push_back(took.count() * 1e6);
        made += these;
        cyclesWithAllocation += these > 0 ? 1 : 0;
        commandBytes += static_cast<double>(length);
    }
    const double n = static_cast<double>(std::max<int64_t>(1, state.iterations()));
    state.counters["median_us"] = percentile(micros, 0.5);
    state.counters["p99_us"] = percentile(micros, 0.99);
    state.counters["allocs_per_cycle"] = static_cast<double>(made) / n;
    state.counters["cycles_allocating"] = static_cast<double>(cyclesWithAllocation) / n;
    state.counters["command_bytes"] = commandBytes / n;
}

void BM_CycleWithVision(benchmark::State& state) { runCycles(state, true); }
void BM_CycleWithoutVision(benchmark::State& state) { runCycles(state, false); }

}  // namespace

BENCHMARK(BM_CycleWithVision)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleWithoutVision)->UseManualTime()->Unit(benchmark::kMicrosecond);
