// A simulator that the agent starts itself as a child process and stops by
// its process id: no terminal program and no killall needed, and no other
// program on the machine is touched.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "ai/learning/SimulatorControl.h"

class ChildSimulator : public SimulatorControl {
public:
    // The child's standard output and error are appended to `logPath`
    // ("" leaves them on the agent's own).
    ChildSimulator(std::string program, std::vector<std::string> args, std::string logPath);
    // Stops a child that still runs, so no simulator outlives its agent.
    ~ChildSimulator() override;

    // Politely first (SIGTERM), then for sure (SIGKILL); the child is reaped.
    void killSimulator() override;
    // A child that still runs is stopped first: a fresh episode needs a fresh
    // simulator, and a second one could not take the port anyway.
    void startSimulator() override;

    bool isRunning();
    pid_t getPid() const { return pid; }
    const std::string& getProgram() const { return program; }

    // For a signal handler: passes `sig` to the child started last, if any.
    // Only async-signal-safe calls are made.
    static void signalRunningChild(int sig);

private:
    std::string program;
    std::vector<std::string> args;
    std::string logPath;
    pid_t pid = -1;
};
