// A simulator that the agent starts itself as a child process and stops by
// its process id: no terminal program and no killall needed, and no other
// program on the machine is touched.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "ai/learning/SimulatorControl.h"

class ChildSimulator : public SimulatorControl {
public:
    // The child's standard output and error are appended to `logPath`
    // ("" leaves them on the agent's own). `stopSignal` is the polite
    // request to end.
    ChildSimulator(std::string program, std::vector<std::string> args, std::string logPath,
                   int stopSignal = SIGTERM);
    // Any simulator started by a shell command line ("server --port 3100"):
    // /bin/sh runs it as "exec COMMAND", so quoting and the search path work
    // as in a terminal and the process id is the simulator's own. Real
    // servers shut down cleanly on SIGINT, as after Ctrl-C.
    static std::unique_ptr<ChildSimulator> fromCommand(const std::string& command,
                                                       std::string logPath);
    // Stops a child that still runs, so no simulator outlives its agent.
    ~ChildSimulator() override;

    // Politely first (the stop signal), then for sure (SIGKILL, after
    // kStopWaitMs); the child is reaped.
    void killSimulator() override;
    // A child that still runs is stopped first: a fresh episode needs a fresh
    // simulator, and a second one could not take the port anyway.
    void startSimulator() override;

    // A line the simulator prints once it takes agents (fieldsim: "listening
    // on"). With it, waitUntilUp() watches the console file for that text
    // instead of sleeping the whole pause; without it, it sleeps.
    void setReadyText(std::string text) { readyText = std::move(text); }
    // Returns once the child has been reaped: nothing is left to wait for.
    void waitUntilDown(unsigned seconds) override;
    // With a ready text: until the text appears in what this start wrote, the
    // child ends, or kReadyWaitMs pass (then the engine goes on anyway, as it
    // would after a plain pause).
    void waitUntilUp(unsigned seconds) override;

    bool isRunning();
    pid_t getPid() const { return pid; }
    const std::string& getProgram() const { return program; }

    // For a signal handler: passes the child started last, if any, its stop
    // signal. Only async-signal-safe calls are made.
    static void stopRunningChild();

    static constexpr int kStopWaitMs = 3000;
    static constexpr int kReadyWaitMs = 20000;

private:
    std::string program;
    std::vector<std::string> args;
    std::string logPath;
    int stopSignal;
    pid_t pid = -1;
    std::string readyText;
    // Size of the console file when the running child was started: what it
    // prints lies beyond.
    long long logStart = 0;
};
