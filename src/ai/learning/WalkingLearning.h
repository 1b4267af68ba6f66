// The oldest walking experiment: as NaoWalkingLearning, but the robot is
// measured where it stands (no beam), and turning more than 45 degrees away
// from its start heading ends the episode ("out of angle").
#pragma once

#include <memory>

#include "ai/learning/NaoWalkingLearning.h"

class WalkingLearning : public NaoWalkingLearning {
public:
    explicit WalkingLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                             std::unique_ptr<Communicator> optimiser = nullptr);
};
