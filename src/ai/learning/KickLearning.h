// Tunes the oscillator kick's nine values: after an opening the kick steps
// up to the ball and kicks; the fitness is how far the ball went along the
// field's x axis. A fall ends the episode at once.
#pragma once

#include <memory>
#include <ostream>

#include "ai/learning/LearningBase.h"
#include "geometry/Point.h"
#include "skills/lowLevelSkills/NaoKick.h"

class KickLearning : public LearningBase {
public:
    static constexpr unsigned kParamCount = 9;
    static constexpr const char* kTeamName = "VOR_LEARNING_KICK";
    static constexpr double kEpisodeTime = 4.0;
    static constexpr unsigned kStallSampleStep = 15;
    static constexpr unsigned kStallCheckStep = 50;
    // The fall detector judges half-second windows; the first window of an
    // episode may have begun in the previous one, so falls count after it.
    static constexpr unsigned kFallWindowSteps = 25;
    static constexpr double kFatalFitness = -40000.0;

    explicit KickLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                          std::unique_ptr<Communicator> optimiser = nullptr);

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    bool hadFault() const { return fault; }
    bool hadFatalError() const { return fatalError; }
    Point getFirstPos() const { return firstPos; }
    Point getLastPos() const { return lastPos; }
    float getPastTime() const { return pastTime; }

protected:
    std::ostream& console() const;

    bool fault;
    bool fatalError;
    double testTime;
    double bTime;
    float pastTime;
    float time;
    float walkTime;
    Point lastPos;
    Point firstPos;
    unsigned idleStep;
    NaoKick obj;
    // This cycle's finding of the fall detector, which must be asked once
    // per cycle only.
    bool fallen;
};
