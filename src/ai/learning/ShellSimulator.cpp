#include "ai/learning/ShellSimulator.h"

#include <cstdlib>
#include <utility>

ShellSimulator::ShellSimulator() : ShellSimulator(kKillCommand, kStartCommand) {}

ShellSimulator::ShellSimulator(std::string killCommand, std::string startCommand)
    : killCommand(std::move(killCommand)), startCommand(std::move(startCommand)) {}

void ShellSimulator::killSimulator() { runCommand(killCommand); }

void ShellSimulator::startSimulator() { runCommand(startCommand); }

void ShellSimulator::runCommand(const std::string& command) {
    // The commands go to the background themselves; whatever they report is
    // theirs to show, and a missing terminal program must not stop learning.
    const int ignored = std::system(command.c_str());
    (void)ignored;
}
