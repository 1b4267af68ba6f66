#include "LearnAgentOptions.h"

#include <vector>

#include "LearnerFactory.h"
#include "ToolCommandLine.h"

namespace {

const char* const kSimulatorOption = "--simulator";
const char* const kFieldsimArgOption = "--fieldsim-arg";

bool setSimulator(const std::string& value, LearnAgentOptions& options, std::string& error) {
    if (value == "shell") {
        options.simulator = LearnAgentOptions::Simulator::Shell;
        options.fieldsimPath.clear();
        return true;
    }
    if (value.rfind("command=", 0) == 0) {
        options.simulator = LearnAgentOptions::Simulator::Command;
        options.command = value.substr(8);
        if (options.command.find_first_not_of(" \t") == std::string::npos) {
            error = "--simulator command= needs the command that starts the simulator";
            return false;
        }
        return true;
    }
    if (value == "fieldsim" || value.rfind("fieldsim=", 0) == 0) {
        options.simulator = LearnAgentOptions::Simulator::Fieldsim;
        options.fieldsimPath = value.size() > 8 ? value.substr(9) : "";
        if (value.size() > 8 && options.fieldsimPath.empty()) {
            error = "--simulator fieldsim= needs a program path after '='";
            return false;
        }
        return true;
    }
    error = "unknown simulator '" + value + "' (shell, fieldsim[=PATH] or command='CMD ARGS')";
    return false;
}

}  // namespace

LearnAgentParse parseLearnAgentOptions(int argc, char** argv, LearnAgentOptions& options,
                                       std::string& error) {
    ToolCommandLine line({"--help", "-h"});
    line.unknownOption = [](const std::string& word) { return "unknown option '" + word + "'"; };
    // setSimulator words its own complaint about a bad value.
    std::string simulatorError;
    line.option(kSimulatorOption, 1,
                "--simulator needs a value (shell, fieldsim[=PATH] or command='CMD ARGS')", "",
                [&](const std::vector<std::string>& v) {
                    return setSimulator(v[0], options, simulatorError);
                });
    line.rawOption(kFieldsimArgOption, "--fieldsim-arg needs a value",
                   [&options](const std::vector<std::string>& v) {
                       options.fieldsimArgs.push_back(v[0]);
                       return true;
                   });
    switch (line.read(argc, argv, error)) {
        case CommandLineOutcome::Help:
            return LearnAgentParse::Help;
        case CommandLineOutcome::Error:
            if (!simulatorError.empty()) error = simulatorError;
            return LearnAgentParse::Error;
        case CommandLineOutcome::Run:
            break;
    }
    for (const std::string& word : line.freeWords()) {
        if (!options.learner.empty()) {
            error = "only one learner per run ('" + options.learner + "' and '" + word + "')";
            return LearnAgentParse::Error;
        }
        if (!LearnerFactory::isKnown(word)) {
            error = "unknown learner '" + word + "' (" + LearnerFactory::namesText() + ")";
            return LearnAgentParse::Error;
        }
        options.learner = word;
    }
    if (options.learner.empty()) {
        error = "no learner named (" + LearnerFactory::namesText() + ")";
        return LearnAgentParse::Error;
    }
    if (options.simulator != LearnAgentOptions::Simulator::Fieldsim &&
        !options.fieldsimArgs.empty()) {
        error = "--fieldsim-arg needs --simulator fieldsim";
        return LearnAgentParse::Error;
    }
    return LearnAgentParse::Run;
}

void printLearnAgentHelp(std::ostream& out) {
    out << "Usage: learnagent LEARNER [--simulator shell|fieldsim[=PATH]|command='CMD ARGS']\n"
           "                  [--fieldsim-arg ARG]...\n"
           "\n"
           "Tunes one motion skill by trial: listens for an optimiser (for example `tuner`) on\n"
           "port 4100, runs one episode per parameter vector received, each in a freshly\n"
           "started simulator on 127.0.0.1:3100, and sends back each episode's fitness\n"
           "(smaller is better). Every episode is logged in learning.log in the working\n"
           "directory: the parameter values, then the fitness.\n"
           "\n"
           "Learners (parameters):\n"
           "  tfswalk   the walk: gait, ramp, heading hold (13)\n"
           "  bsw       the side step's oscillator (8)\n"
           "  turn      the turn's oscillator (7)\n"
           "  curve     two values of the walk's curve (2)\n"
           "  kick      the oscillator kick (9)\n"
           "  naowalk   older experiment, moves no joint (27)\n"
           "  walk      older experiment, moves no joint (27)\n"
           "\n"
           "Options:\n"
           "  --simulator shell          restart the simulator with the shell commands\n"
           "                             'xterm -e \"killall -9 simspark \" &' and\n"
           "                             'xterm -e \"simspark\" &' (default)\n"
           "  --simulator fieldsim[=PATH]\n"
           "                             start fieldsim --pace lockstep --full-view as a child\n"
           "                             process and stop it by its process id; PATH defaults\n"
           "                             to the fieldsim beside learnagent. Its console goes\n"
           "                             to fieldsim.log in the working directory.\n"
           "  --simulator command='CMD ARGS'\n"
           "                             start any simulator with this shell command line (run\n"
           "                             as 'exec CMD ARGS' by /bin/sh) and stop it by its\n"
           "                             process id: SIGINT, then SIGKILL after 3 s. Its\n"
           "                             console goes to simulator.log in the working\n"
           "                             directory.\n"
           "  --fieldsim-arg ARG         one more option for every fieldsim started\n"
           "                             (repeat for more, e.g. --fieldsim-arg=--noise)\n"
           "  --help                     this text\n"
           "\n"
           "learnagent stops when the optimiser closes the link or the simulator closes the\n"
           "connection in the middle of an episode.\n";
}
