// Tunes the turn's seven oscillator values: the robot turns on the spot for
// fifteen seconds; the headings it passes through add up, wandering away
// from the spot and abnormal postures cost.
#pragma once

#include <memory>

#include "ai/learning/MotionLearning.h"

class TurnSkill;

class TurnLearning : public MotionLearning {
public:
    static constexpr unsigned kParamCount = 7;

    explicit TurnLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                          std::unique_ptr<Communicator> optimiser = nullptr);

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    // A heading in degrees taken into [0, 360).
    static double normalAngle(double a);

    // The turn of this process; nullptr before the first measured run.
    static TurnSkill* getSharedTurn();
    double getSumDir() const { return sumDir; }
    double getBeginDir() const { return bDir; }

protected:
    double bDir;
    double sumDir;

private:
    static std::unique_ptr<TurnSkill>& turnSlot();
};
