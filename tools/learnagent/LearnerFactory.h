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
    static std::unique_ptr<LearningBase> create(const std::string& name,
                                                std::unique_ptr<SimulatorControl> simulator);
};
