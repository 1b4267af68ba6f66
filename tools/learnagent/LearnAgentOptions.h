// Command line of learnagent: which learner to run and which simulator to
// restart between episodes.
#pragma once

#include <cstdint>
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
    // The learning link's port and the simulator's: other ones than 4100
    // and 3100 let several learnagents (a tuner's workers) share a machine.
    unsigned linkPort = 4100;
    unsigned serverPort = 3100;
    // fieldsim: how the game goes on after the start. By default it stays
    // before the kick-off for one second once the robot has joined (the
    // learners beam to their start in the episode's second cycle, which the
    // server accepts only then) and goes straight to PlayOn: a game that is
    // on, as the skills meet it in a match, where no referee clearing moves
    // a lone robot that walks far (a kick-off moves one of ours that crosses
    // the halfway line outside the centre circle, and 15 s into it every
    // robot near the ball). playOnAfter < 0: a kick-off after kickoffAfter
    // seconds instead (-1: never), the game's own sequence.
    double playOnAfter = 1.0;
    double kickoffAfter = -1.0;
    // The other skills' tuned values, loaded as the agent loads them.
    std::string paramsDir;
    bool designParams = false;
};

enum class LearnAgentParse { Run, Help, Error };

// Fills `options`; on Error `error` says in one line what was wrong.
LearnAgentParse parseLearnAgentOptions(int argc, char** argv, LearnAgentOptions& options,
                                       std::string& error);

void printLearnAgentHelp(std::ostream& out);
