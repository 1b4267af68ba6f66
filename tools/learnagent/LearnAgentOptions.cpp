#include "LearnAgentOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
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

bool parsePort(const std::string& text, unsigned& port) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > 65535) return false;
    port = static_cast<unsigned>(value);
    return true;
}

bool parseSeconds(const std::string& text, double& seconds) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < -1.0 || value > 3600.0) return false;
    seconds = value;
    return true;
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
    auto port = [&line](const std::string& name, unsigned& to) {
        line.option(name, 1, name + " needs a value", name + " must be a port from 1 to 65535",
                    [&to](const std::vector<std::string>& v) { return parsePort(v[0], to); });
    };
    port("--link-port", options.linkPort);
    port("--server-port", options.serverPort);
    bool kickoffGiven = false;
    line.option("--kickoff-after", 1, "--kickoff-after needs a value",
                "--kickoff-after must be seconds from -1 to 3600",
                [&options, &kickoffGiven](const std::vector<std::string>& v) {
                    kickoffGiven = true;
                    options.playOnAfter = -1.0;
                    return parseSeconds(v[0], options.kickoffAfter);
                });
    bool playOnGiven = false;
    line.option("--play-on-after", 1, "--play-on-after needs a value",
                "--play-on-after must be seconds from 0 to 3600",
                [&options, &playOnGiven](const std::vector<std::string>& v) {
                    playOnGiven = true;
                    return parseSeconds(v[0], options.playOnAfter) && options.playOnAfter >= 0;
                });
    line.option("--params", 1, "--params needs a folder", "",
                [&options](const std::vector<std::string>& v) {
                    options.paramsDir = v[0];
                    return true;
                });
    line.flag("--design-params", [&options](const std::vector<std::string>&) {
        options.designParams = true;
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
    if (options.simulator != LearnAgentOptions::Simulator::Fieldsim && kickoffGiven) {
        error = "--kickoff-after needs --simulator fieldsim";
        return LearnAgentParse::Error;
    }
    if (options.simulator != LearnAgentOptions::Simulator::Fieldsim && playOnGiven) {
        error = "--play-on-after needs --simulator fieldsim";
        return LearnAgentParse::Error;
    }
    if (kickoffGiven && playOnGiven) {
        error = "--kickoff-after and --play-on-after exclude each other";
        return LearnAgentParse::Error;
    }
    if (options.linkPort == options.serverPort) {
        error = "--link-port and --server-port must differ";
        return LearnAgentParse::Error;
    }
    return LearnAgentParse::Run;
}

void printLearnAgentHelp(std::ostream& out) {
    out << "Usage: learnagent LEARNER [--simulator shell|fieldsim[=PATH]|command='CMD ARGS']\n"
           "                  [--fieldsim-arg ARG]... [--kickoff-after S | --play-on-after S]\n"
           "                  [--link-port N]"
           "                  [--server-port N] [--params DIR | --design-params]\n"
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
           "                             start fieldsim --pace lockstep --full-view --wait-for 1\n"
           "                             as a child process and stop it by its process id;\n"
           "                             PATH defaults to the fieldsim beside learnagent. Its\n"
           "                             console goes to fieldsim.log in the working directory.\n"
           "  --simulator command='CMD ARGS'\n"
           "                             start any simulator with this shell command line (run\n"
           "                             as 'exec CMD ARGS' by /bin/sh) and stop it by its\n"
           "                             process id: SIGINT, then SIGKILL after 3 s. Its\n"
           "                             console goes to simulator.log in the working\n"
           "                             directory.\n"
           "  --fieldsim-arg ARG         one more option for every fieldsim started\n"
           "                             (repeat for more, e.g. --fieldsim-arg=--noise)\n"
           "  --play-on-after S          fieldsim: the game goes to PlayOn S seconds after the\n"
           "                             robot joined, with no kick-off (default 1). Learners\n"
           "                             beam to their start before it\n"
           "  --kickoff-after S          fieldsim: a kick-off S seconds after the robot joined\n"
           "                             instead (-1: never), the game's own sequence\n"
           "  --link-port N              listen for the optimiser on port N (default 4100);\n"
           "                             every interface, so a tuner on another machine can\n"
           "                             connect\n"
           "  --server-port N            the simulator's port (default 3100); fieldsim is\n"
           "                             started on it. Ports of their own let several\n"
           "                             learnagents share a machine\n"
           "  --params DIR               the other skills' tuned values (default ./params, else\n"
           "                             the params folder beside learnagent), as the agent\n"
           "                             loads them; the learner's own vector overrides its\n"
           "                             skill's\n"
           "  --design-params            every skill on its design values\n"
           "  --help                     this text\n"
           "\n"
           "learnagent stops when the optimiser closes the link or the simulator closes the\n"
           "connection in the middle of an episode.\n";
}
