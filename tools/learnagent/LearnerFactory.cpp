#include "LearnerFactory.h"

#include <utility>

#include "ai/learning/BSWLearning.h"
#include "ai/learning/KickLearning.h"
#include "ai/learning/MotionLearning.h"
#include "ai/learning/NaoWalkingLearning.h"
#include "ai/learning/TFSCurveLearning.h"
#include "ai/learning/TFSWalkingLearning.h"
#include "ai/learning/TurnLearning.h"
#include "ai/learning/WalkingLearning.h"

namespace {
const char* const kNames[] = {"tfswalk", "bsw", "turn", "curve", "kick", "naowalk", "walk"};
}  // namespace

bool LearnerFactory::isKnown(const std::string& name) {
    for (const char* known : kNames) {
        if (name == known) return true;
    }
    return false;
}

std::string LearnerFactory::namesText() {
    std::string text;
    for (const char* known : kNames) {
        if (!text.empty()) text += ", ";
        text += known;
    }
    return text;
}

std::string LearnerFactory::teamNameOf(const std::string& name) {
    return name == "kick" ? KickLearning::kTeamName : MotionLearning::kTeamName;
}

std::unique_ptr<LearningBase> LearnerFactory::create(const std::string& name,
                                                     std::unique_ptr<SimulatorControl> simulator,
                                                     std::unique_ptr<Communicator> optimiser) {
    auto sim = std::move(simulator);
    auto link = std::move(optimiser);
    if (name == "tfswalk")
        return std::make_unique<TFSWalkingLearning>(std::move(sim), std::move(link));
    if (name == "bsw") return std::make_unique<BSWLearning>(std::move(sim), std::move(link));
    if (name == "turn") return std::make_unique<TurnLearning>(std::move(sim), std::move(link));
    if (name == "curve") return std::make_unique<TFSCurveLearning>(std::move(sim), std::move(link));
    if (name == "kick") return std::make_unique<KickLearning>(std::move(sim), std::move(link));
    if (name == "naowalk")
        return std::make_unique<NaoWalkingLearning>(std::move(sim), std::move(link));
    if (name == "walk") return std::make_unique<WalkingLearning>(std::move(sim), std::move(link));
    return nullptr;
}
