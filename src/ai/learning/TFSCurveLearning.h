// Tunes two values of the walk's curve: the robot walks straight for
// walkTime seconds, turns until it faces 90 degrees, and walks on. The
// target is as far to the right of the first leg's end as that leg was long;
// the fitness is ten times the distance left to it (smaller is better, so
// it is sent as it is).
#pragma once

#include <memory>

#include "ai/learning/MotionLearning.h"
#include "geometry/Point.h"

class TFSWalk;

class TFSCurveLearning : public MotionLearning {
public:
    static constexpr unsigned kParamCount = 2;
    static constexpr double kAlignedWithin = 5.0;
    static constexpr double kFaultCost = 15.0;
    static constexpr double kFatalCost = 40000.0;

    explicit TFSCurveLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                              std::unique_ptr<Communicator> optimiser = nullptr);

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    // Where the run should end, from where it began and the first leg.
    Point targetPoint() const;
    bool inTurn() const { return isInTurn; }

protected:
    double turnAngle;
    double walkTime;
    Point step1Pos;
    Point beginPos;
    // Set while the run may still turn; cleared for good once the robot has
    // faced the new direction after the first leg.
    bool isInTurn;
};
