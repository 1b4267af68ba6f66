// Tunes the walk's ten gait values: after the opening the walk runs on the
// vector under test for fifteen seconds; forward progress scores, sideways
// drift and abnormal postures cost.
#pragma once

#include <memory>

#include "ai/learning/MotionLearning.h"

class TFSWalk;

class TFSWalkingLearning : public MotionLearning {
public:
    static constexpr unsigned kParamCount = 10;

    explicit TFSWalkingLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                                std::unique_ptr<Communicator> optimiser = nullptr);

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    // The walk all walking learners of the process drive, made on first use.
    static TFSWalk& getSharedWalk();
};
