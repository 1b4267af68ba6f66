// Tunes the walk as the agent runs it: the robot is beamed into its own half
// far from the centre line and the ball (where no referee rule moves it),
// stands in the standing posture through the opening, then the walk starts
// from standstill with its speed ramp (TFSWalk::run()), walks straight for
// eight seconds and is stopped as the behaviours stop it. The vector under
// test reaches the walk through the skill's values under its file's names,
// so the walk runs exactly as it runs in the agent, and the tuner's best
// vector can be copied over params/walk.params as it is.
//
// Fitness (the optimiser minimises the negative): ten points a metre
// forward along the beamed heading, twelve a metre sideways and a tenth a
// degree of turning taken off; a fall costs fifty points and up to thirty
// more the earlier it came, so a gait that falls never beats one that
// stands.
#pragma once

#include <memory>

#include "ai/learning/MotionLearning.h"

class TFSWalk;

class TFSWalkingLearning : public MotionLearning {
public:
    // The walk's ten gait values, its two forward ramp times and the heading
    // hold's gain.
    static constexpr unsigned kParamCount = 13;
    // Where the episode beams the robot: own half, 4 m from the centre line,
    // walking along it toward the far side line (rot is counter-clockwise
    // degrees, as the beam takes it).
    static constexpr double kBeamX = -4.0;
    static constexpr double kBeamY = -3.5;
    static constexpr double kBeamRot = 90.0;
    static constexpr unsigned kBeamStep = 3;
    static constexpr double kWalkTime = 8.0;
    static constexpr double kStopTime = 2.0;
    static constexpr double kFallCost = 50.0;
    static constexpr double kEarlyFallCost = 30.0;
    static constexpr double kTurnCost = 0.1;

    explicit TFSWalkingLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                                std::unique_ptr<Communicator> optimiser = nullptr);

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    // The walk all walking learners of the process drive, made on first use.
    static TFSWalk& getSharedWalk();
    // Hands the vector under test to the walk's values, by name.
    void applyParams() const;

private:
    double startDir;
    double fallTime;
};
