#include "ai/learning/WalkingLearning.h"

#include <utility>

WalkingLearning::WalkingLearning(std::unique_ptr<SimulatorControl> simulator,
                                 std::unique_ptr<Communicator> optimiser)
    : NaoWalkingLearning(std::move(simulator), std::move(optimiser), false, true) {}
