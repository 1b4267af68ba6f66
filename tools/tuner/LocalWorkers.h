// The learnagents `tuner --workers N` starts on this machine: each in a
// working directory of its own (DIR/wK: its learning.log, fieldsim.log and
// console), each with its own learning-link port and simulator port, so
// that they run side by side and next to anything else on the machine.
// They are stopped by their process ids when the tuner ends.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "WorkerPool.h"

class LocalWorkers {
public:
    // `program`: the learnagent to run; `args`: the learner and any further
    // learnagent options; `baseDir`: where the working directories go.
    LocalWorkers(std::string program, std::vector<std::string> args, std::string baseDir);
    ~LocalWorkers();
    LocalWorkers(const LocalWorkers&) = delete;
    LocalWorkers& operator=(const LocalWorkers&) = delete;

    // Starts `count` learnagents and adds where each listens to `endpoints`.
    // False with `error` when one cannot be started (those already started
    // keep running until stop()).
    bool start(int count, std::vector<WorkerEndpoint>& endpoints, std::string& error);
    // Waits kStopWaitMs for them to end by themselves (they do once their
    // link is closed), then SIGTERM (learnagent stops its simulator on it),
    // then SIGKILL after kStopWaitMs more; every one is reaped.
    void stop();

    // For a signal handler: passes SIGTERM to every worker still running.
    // Only async-signal-safe calls are made.
    static void terminateAll();

    static constexpr int kStopWaitMs = 5000;

private:
    std::string program;
    std::vector<std::string> args;
    std::string baseDir;
    std::vector<pid_t> pids;
};
