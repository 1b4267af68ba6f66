#include "TunerOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool parseInt(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= low && value <= high;
}

bool parseSeconds(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value) && value >= 0 && value <= 86400.0;
}

}  // namespace

TunerParse parseTunerOptions(int argc, char** argv, TunerOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--help" || word == "-h") return TunerParse::Help;
        if (word.rfind("--", 0) != 0) {
            if (!options.paramsPath.empty()) {
                error = "only one parameter file ('" + options.paramsPath + "' and '" + word + "')";
                return TunerParse::Error;
            }
            options.paramsPath = word;
            continue;
        }
        std::string value;
        const std::size_t eq = word.find('=');
        if (eq != std::string::npos) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = word + " needs a value";
            return TunerParse::Error;
        }
        long long number = 0;
        if (word == "--budget") {
            if (!parseInt(value, 1, TunerOptions::kMaxBudget, number)) {
                error = "--budget must be a whole number from 1 to " +
                        std::to_string(TunerOptions::kMaxBudget);
                return TunerParse::Error;
            }
            options.budget = static_cast<int>(number);
        } else if (word == "--seed") {
            if (!parseInt(value, 0, INT64_MAX, number)) {
                error = "--seed must be a whole number of at least 0";
                return TunerParse::Error;
            }
            options.seed = static_cast<std::uint64_t>(number);
        } else if (word == "--lambda") {
            if (!parseInt(value, 2, 10000, number)) {
                error = "--lambda must be a whole number from 2 to 10000";
                return TunerParse::Error;
            }
            options.lambda = static_cast<int>(number);
        } else if (word == "--wait") {
            if (!parseSeconds(value, options.waitSeconds)) {
                error = "--wait must be seconds from 0 to 86400";
                return TunerParse::Error;
            }
        } else if (word == "--csv") {
            options.csvPath = value;
        } else if (word == "--best") {
            options.bestPath = value;
        } else {
            error = "unknown option '" + word + "'";
            return TunerParse::Error;
        }
    }
    if (options.paramsPath.empty()) {
        error = "no parameter file named";
        return TunerParse::Error;
    }
    return TunerParse::Run;
}

void printTunerHelp(std::ostream& out) {
    out << "Usage: tuner PARAMS [--budget N] [--seed N] [--lambda N] [--wait S]\n"
           "             [--csv FILE] [--best FILE]\n"
           "\n"
           "Tunes the parameters of a learnagent run with CMA-ES. Connects to the learning\n"
           "link on 127.0.0.1:4100, sends one parameter vector per episode and reads back\n"
           "the episode's fitness, which it minimises (learnagent sends smaller values for\n"
           "better episodes).\n"
           "\n"
           "PARAMS is a text file with one parameter per line: NAME START STEP [MIN MAX]\n"
           "('#' starts a comment line). START is where the search begins, STEP how far it\n"
           "first looks around that value; MIN and MAX bound every vector sent. The\n"
           "numbers must be in the order the learner expects (tools/tuner/tfswalk.params\n"
           "holds the walk's default gait).\n"
           "\n"
           "Options:\n"
           "  --budget N    episodes to run (default 20)\n"
           "  --seed N      seed of the search (default 1): the same seed and fitness values\n"
           "                give the same vectors\n"
           "  --lambda N    vectors per generation (default 4 + 3 ln n)\n"
           "  --wait S      seconds to wait for learnagent to listen (default 120)\n"
           "  --csv FILE    one line per episode: episode, generation, fitness, best\n"
           "                fitness so far, the values (default tuner.csv)\n"
           "  --best FILE   the best vector so far, as a parameter file that can start the\n"
           "                next run (default tuner-best.params)\n"
           "  --help        this text\n";
}
