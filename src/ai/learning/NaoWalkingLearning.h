// The older walking experiment: it drives no skill, so the 27 parameters
// move no joint; it only measures what the robot does on its own after the
// opening, in three five-second stages: staying up, going forward, keeping
// the line. Each stage's value is added to the earlier ones'.
#pragma once

#include <memory>

#include "ai/learning/LearningBase.h"

class NaoWalkingLearning : public LearningBase {
public:
    static constexpr unsigned kParamCount = 27;
    static constexpr unsigned kIdleStep = 50;
    static constexpr const char* kTeamName = "VOR_Learning";
    static constexpr double kStageTime = 5.0;
    static constexpr double kFallHeight = 0.27;
    static constexpr double kFaultCost = 10.0;
    // Where the episode starts: well inside the own half, facing the
    // opponent goal. (It once started at (0, 5), on the halfway line and
    // outside the field, where the referee moves a robot away at once and
    // zeroes its velocities: the first episode always ended in a fall.)
    static constexpr double kStartX = -4.0;
    static constexpr double kStartY = 0.0;
    static constexpr double kStartDir = 0.0;

    explicit NaoWalkingLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                                std::unique_ptr<Communicator> optimiser = nullptr);

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    // Stage values: seconds upright in the first stage, ten times the
    // forward progress, twelve times the sideways drift taken off.
    double calcFit1() const;
    double calcFit2() const;
    double calcFit3() const;

    unsigned getCount() const { return count; }

protected:
    // The derived experiment starts where the robot stands and also ends
    // when the robot has turned away from its start heading.
    NaoWalkingLearning(std::unique_ptr<SimulatorControl> simulator,
                       std::unique_ptr<Communicator> optimiser, bool beamFirst, bool watchHeading);

    double elapsed() const;

    unsigned count;
    double fit1;
    double fit2;
    double fit3;
    bool stage1Done;
    bool stage2Done;
    bool fault;
    double bTime;
    double startX;
    double startY;
    double startDir;
    bool beamFirst;
    bool watchHeading;
};
