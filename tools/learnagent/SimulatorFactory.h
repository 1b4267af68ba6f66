// The simulator a learnagent restarts between episodes, as its command line
// says: the classic shell commands, fieldsim as a child process, or any
// command line as a child process, on the simulator port asked for.
#pragma once

#include <memory>

#include "LearnAgentOptions.h"
#include "ai/learning/SimulatorControl.h"

class SimulatorFactory {
public:
    // `argv0`: learnagent's own path, to find the fieldsim beside it.
    static std::unique_ptr<SimulatorControl> make(const LearnAgentOptions& options,
                                                  const char* argv0);
};
