// The learners learnagent can run, by command-line name.
#pragma once

#include <memory>
#include <string>

#include "ai/learning/LearningBase.h"

class LearnerFactory {
public:
    static bool isKnown(const std::string& name);
    // "tfswalk, bsw, ..." for messages.
    static std::string namesText();
    // The team name the learner's init command carries.
    static std::string teamNameOf(const std::string& name);
    // Creates the learner, which waits for the optimiser before returning.
    // nullptr for an unknown name.
    // A connected `optimiser` link is used as it is (learnagent listens on
    // its own port); without one the learner waits on port 4100.
    static std::unique_ptr<LearningBase> create(const std::string& name,
                                                std::unique_ptr<SimulatorControl> simulator,
                                                std::unique_ptr<Communicator> optimiser = nullptr);
};
