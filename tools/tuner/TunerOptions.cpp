#include "TunerOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#include "ToolCommandLine.h"
#include "WorkerEndpoint.h"

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
    ToolCommandLine line({"--help", "-h"});
    line.unknownOption = [](const std::string& word) { return "unknown option '" + word + "'"; };
    // A whole number within its range; `rule` completes "--NAME must be".
    auto whole = [&line](const std::string& name, long long low, long long high,
                         const std::string& rule, auto& to) {
        line.option(name, 1, name + " needs a value", name + " must be " + rule,
                    [low, high, &to](const std::vector<std::string>& v) {
                        long long number = 0;
                        if (!parseInt(v[0], low, high, number)) return false;
                        to = static_cast<std::remove_reference_t<decltype(to)>>(number);
                        return true;
                    });
    };
    whole("--budget", 1, TunerOptions::kMaxBudget,
          "a whole number from 1 to " + std::to_string(TunerOptions::kMaxBudget), options.budget);
    whole("--seed", 0, INT64_MAX, "a whole number of at least 0", options.seed);
    whole("--lambda", 2, 10000, "a whole number from 2 to 10000", options.lambda);
    line.option("--wait", 1, "--wait needs a value", "--wait must be seconds from 0 to 86400",
                [&options](const std::vector<std::string>& v) {
                    return parseSeconds(v[0], options.waitSeconds);
                });
    line.option("--episode-timeout", 1, "--episode-timeout needs a value",
                "--episode-timeout must be seconds above 0, at most 86400",
                [&options](const std::vector<std::string>& v) {
                    return parseSeconds(v[0], options.episodeTimeout) && options.episodeTimeout > 0;
                });
    whole("--workers", 1, 64, "a whole number from 1 to 64", options.localWorkers);
    line.option("--worker", 1, "--worker needs HOST:PORT",
                "--worker must be HOST:PORT with a port from 1 to 65535",
                [&options](const std::vector<std::string>& v) {
                    WorkerEndpoint endpoint;
                    if (!WorkerEndpoint::parse(v[0], endpoint)) return false;
                    options.workers.push_back(v[0]);
                    return true;
                });
    line.rawOption("--learnagent-arg", "--learnagent-arg needs a value",
                   [&options](const std::vector<std::string>& v) {
                       options.learnagentArgs.push_back(v[0]);
                       return true;
                   });
    auto text = [&line](const std::string& name, std::string& to) {
        line.option(name, 1, name + " needs a value", "", [&to](const std::vector<std::string>& v) {
            to = v[0];
            return true;
        });
    };
    text("--csv", options.csvPath);
    text("--best", options.bestPath);
    text("--learner", options.learner);
    text("--learnagent", options.learnagentPath);
    text("--work-dir", options.workDir);

    switch (line.read(argc, argv, error)) {
        case CommandLineOutcome::Help:
            return TunerParse::Help;
        case CommandLineOutcome::Error:
            return TunerParse::Error;
        case CommandLineOutcome::Run:
            break;
    }
    for (const std::string& word : line.freeWords()) {
        if (!options.paramsPath.empty()) {
            error = "only one parameter file ('" + options.paramsPath + "' and '" + word + "')";
            return TunerParse::Error;
        }
        options.paramsPath = word;
    }
    if (options.paramsPath.empty()) {
        error = "no parameter file named";
        return TunerParse::Error;
    }
    if (options.localWorkers > 0 && options.learner.empty()) {
        error = "--workers starts learnagents and needs the learner they run (--learner NAME)";
        return TunerParse::Error;
    }
    if (options.localWorkers == 0 && (!options.learner.empty() || !options.learnagentArgs.empty() ||
                                      !options.learnagentPath.empty())) {
        error = "--learner, --learnagent and --learnagent-arg need --workers N";
        return TunerParse::Error;
    }
    return TunerParse::Run;
}

void printTunerHelp(std::ostream& out) {
    out << "Usage: tuner PARAMS [--budget N] [--seed N] [--lambda N] [--wait S]\n"
           "             [--csv FILE] [--best FILE] [--episode-timeout S]\n"
           "             [--workers N --learner NAME [--learnagent-arg ARG]... [--learnagent "
           "PATH]\n"
           "              [--work-dir DIR]] [--worker HOST:PORT]...\n"
           "\n"
           "Tunes the parameters of a learnagent run with CMA-ES. Connects to the learning\n"
           "link of one or more learnagents (workers), sends one parameter vector per episode\n"
           "and reads back the episode's fitness, which it minimises (learnagent sends\n"
           "smaller values for better episodes). A generation's vectors run in parallel on\n"
           "the free workers; the search moves once all of them are in, so a seed gives the\n"
           "same vectors whatever the number of workers. Without --workers or --worker it\n"
           "connects to the one learnagent on 127.0.0.1:4100.\n"
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
           "  --wait S      seconds to wait for the workers to listen (default 120)\n"
           "  --episode-timeout S\n"
           "                wall-clock seconds an episode may take (default 600); a worker\n"
           "                that takes longer, or closes its link, is dropped and its vector\n"
           "                goes to another worker. With none left the tuner stops (status 1)\n"
           "  --workers N   start N learnagents on this machine, each with its own fieldsim\n"
           "                and ports, in DIR/w1 ... DIR/wN; stopped when the tuner ends\n"
           "  --learner NAME\n"
           "                the learner they run (tfswalk, turn, kick, ...)\n"
           "  --learnagent-arg ARG\n"
           "                one more learnagent option for them (repeat for more; default\n"
           "                --simulator fieldsim)\n"
           "  --learnagent PATH\n"
           "                the learnagent to start (default: the one beside the tuner)\n"
           "  --work-dir DIR\n"
           "                where their working folders go (default workers)\n"
           "  --worker HOST:PORT\n"
           "                a learnagent started elsewhere (learnagent --link-port PORT);\n"
           "                repeat for more\n"
           "  --csv FILE    one line per episode: episode, generation, fitness, best\n"
           "                fitness so far, the values (default tuner.csv)\n"
           "  --best FILE   the best vector so far, as a parameter file that can start the\n"
           "                next run (default tuner-best.params)\n"
           "  --help        this text\n";
}
