// The classic way of restarting the simulator: shell commands that open a
// terminal window running the simulator, and one that kills every simulator
// of the machine. Neither result is checked; the engine's pauses are the
// only synchronisation.
#pragma once

#include <string>

#include "ai/learning/SimulatorControl.h"

class ShellSimulator : public SimulatorControl {
public:
    static constexpr const char* kKillCommand = "xterm -e \"killall -9 simspark \" &";
    static constexpr const char* kStartCommand = "xterm -e \"simspark\" &";

    ShellSimulator();
    // Other commands, for machines whose simulator is started differently.
    ShellSimulator(std::string killCommand, std::string startCommand);

    void killSimulator() override;
    void startSimulator() override;

private:
    static void runCommand(const std::string& command);

    std::string killCommand;
    std::string startCommand;
};
