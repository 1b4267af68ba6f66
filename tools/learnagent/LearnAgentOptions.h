// Command line of learnagent: which learner to run and which simulator to
// restart between episodes.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct LearnAgentOptions {
    enum class Simulator { Shell, Fieldsim, Command };

    std::string learner;
    Simulator simulator = Simulator::Shell;
    // The fieldsim program; empty means the one beside learnagent.
    std::string fieldsimPath;
    // Further options handed to every fieldsim started.
    std::vector<std::string> fieldsimArgs;
    // Simulator::Command: the shell command line that starts the simulator.
    std::string command;
};

enum class LearnAgentParse { Run, Help, Error };

// Fills `options`; on Error `error` says in one line what was wrong.
LearnAgentParse parseLearnAgentOptions(int argc, char** argv, LearnAgentOptions& options,
                                       std::string& error);

void printLearnAgentHelp(std::ostream& out);
