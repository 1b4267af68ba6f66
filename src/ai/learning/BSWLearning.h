// Tunes the side step's eight oscillator values: the robot steps to its
// left for fifteen seconds; sideways progress scores, forward or backward
// wandering and falls cost.
#pragma once

#include <memory>

#include "ai/learning/MotionLearning.h"

class BSWalk;

class BSWLearning : public MotionLearning {
public:
    static constexpr unsigned kParamCount = 8;

    explicit BSWLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                         std::unique_ptr<Communicator> optimiser = nullptr);

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    // The side step of this process; nullptr before the first measured run.
    static BSWalk* getSharedSideStep();

protected:
    double dir;

private:
    static std::unique_ptr<BSWalk>& sideStepSlot();
};
