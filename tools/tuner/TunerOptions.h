// Command line of the tuner.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

struct TunerOptions {
    static constexpr int kMaxBudget = 1000000;

    std::string paramsPath;
    int budget = 20;
    std::uint64_t seed = 1;
    int lambda = 0;  // 0: the usual 4 + 3 ln n
    std::string host = "127.0.0.1";
    int port = 4100;
    double waitSeconds = 120.0;
    std::string csvPath = "tuner.csv";
    std::string bestPath = "tuner-best.params";
};

enum class TunerParse { Run, Help, Error };

TunerParse parseTunerOptions(int argc, char** argv, TunerOptions& options, std::string& error);

void printTunerHelp(std::ostream& out);
