// Command line of the tuner.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct TunerOptions {
    static constexpr int kMaxBudget = 1000000;

    std::string paramsPath;
    int budget = 20;
    std::uint64_t seed = 1;
    int lambda = 0;  // 0: the usual 4 + 3 ln n
    // Learnagents started elsewhere, "HOST:PORT" each; with none and no
    // local workers, the one learnagent on 127.0.0.1:4100.
    std::vector<std::string> workers;
    // --workers N: learnagents this tuner starts, running `learner`.
    int localWorkers = 0;
    std::string learner;
    std::vector<std::string> learnagentArgs;
    std::string learnagentPath;  // empty: the learnagent beside the tuner
    std::string workDir = "workers";
    double waitSeconds = 120.0;
    // Wall-clock seconds one episode may take before its worker counts as
    // hung (a lockstep walking episode takes seconds, one on a real-time
    // server some 25 s).
    double episodeTimeout = 600.0;
    std::string csvPath = "tuner.csv";
    std::string bestPath = "tuner-best.params";
};

enum class TunerParse { Run, Help, Error };

TunerParse parseTunerOptions(int argc, char** argv, TunerOptions& options, std::string& error);

void printTunerHelp(std::ostream& out);
