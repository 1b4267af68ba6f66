// How fast the scanning primitives get through one perception message of the
// real server (the longest of a recorded standing sequence: vision, both foot
// force sensors, 22 joints), walked the way the perception update walks it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "utils/Parser.h"

namespace {

const char* const kPerception =
    "(time (now 5.920))(GS (sl 0) (sr 0) (t 0.000) (pm BeforeKickOff))(GYR (n torso) (rt 0.19"
    "3 0.000 0.000))(ACC (n torso) (a 0.000 -0.000 0.020))(HJ (n hj1) (ax 0.000))(HJ (n hj2) "
    "(ax -0.000))(See (G2R (pol 6.515 -12.160 2.269)) (G1R (pol 6.512 -0.039 2.300)) (F1R (po"
    "l 7.606 25.972 -4.150)) (F2R (pol 7.618 -37.805 -4.238)) (B (pol 0.680 -7.303 -46.974)) "
    "(P (team VOR) (id 1) (rlowerarm (pol 0.189 -36.352 -23.209)) (llowerarm (pol 0.184 33.47"
    "9 -23.676))))(HJ (n raj1) (ax -0.000))(HJ (n raj2) (ax -0.000))(HJ (n raj3) (ax 0.000))("
    "HJ (n raj4) (ax -0.000))(HJ (n laj1) (ax -0.000))(HJ (n laj2) (ax 0.000))(HJ (n laj3) (a"
    "x 0.000))(HJ (n laj4) (ax 0.000))(HJ (n rlj1) (ax -0.000))(HJ (n rlj2) (ax -0.000))(HJ ("
    "n rlj3) (ax 0.000))(HJ (n rlj4) (ax 0.000))(HJ (n rlj5) (ax 0.000))(FRP (n rf) (c 0.000 "
    "-0.008 -0.013) (f 0.001 -0.096 106.876))(HJ (n rlj6) (ax -0.000))(HJ (n llj1) (ax -0.000"
    "))(HJ (n llj2) (ax -0.000))(HJ (n llj3) (ax 0.000))(HJ (n llj4) (ax 0.000))(HJ (n llj5) "
    "(ax 0.000))(FRP (n lf) (c -0.000 -0.008 -0.013) (f -0.001 -0.097 106.876))(HJ (n llj6) ("
    "ax 0.000))";

// One pass over the message: every expression head, then the numbers that
// follow the heads the agent reads. Returns a checksum so nothing is dropped.
double scanMessage(char* message) {
    double sum = 0.0;
    char word[Parser::kWordSize];
    char* cursor = message;
    while (Parser::gotoFirstOccurenceOf('(', &cursor) >= 0) {
        ++cursor;
        Parser::parseFirstWord(&cursor, word);
        if (std::strcmp(word, "now") == 0 || std::strcmp(word, "t") == 0 ||
            std::strcmp(word, "ax") == 0) {
            sum += Parser::parseFirstDouble(&cursor);
        } else if (std::strcmp(word, "sl") == 0 || std::strcmp(word, "sr") == 0) {
            sum += Parser::parseFirstInt(&cursor);
        } else if (std::strcmp(word, "pol") == 0 || std::strcmp(word, "rt") == 0 ||
                   std::strcmp(word, "a") == 0 || std::strcmp(word, "c") == 0 ||
                   std::strcmp(word, "f") == 0) {
            for (int i = 0; i < 3; ++i) {
                sum += Parser::parseFirstDouble(&cursor);
            }
        } else if (std::strcmp(word, "n") == 0 || std::strcmp(word, "pm") == 0 ||
                   std::strcmp(word, "team") == 0) {
            Parser::parseFirstWord(&cursor, word);
        }
    }
    return sum;
}

void BM_ScanPerception(benchmark::State& state) {
    std::string message(kPerception);
    for (auto _ : state) {
        benchmark::DoNotOptimize(scanMessage(&message[0]));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(message.size()));
}
BENCHMARK(BM_ScanPerception);

void BM_ParseFirstDouble(benchmark::State& state) {
    std::string numbers = "(pol 7.606 25.972 -4.150)";
    for (auto _ : state) {
        char* cursor = &numbers[0];
        double sum = Parser::parseFirstDouble(&cursor);
        sum += Parser::parseFirstDouble(&cursor);
        sum += Parser::parseFirstDouble(&cursor);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ParseFirstDouble);

}  // namespace
