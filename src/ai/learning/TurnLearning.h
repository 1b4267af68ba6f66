// Tunes the turn as the agent runs it: from a standing start the robot turns
// to six headings in a row (a quarter turn, most of a half turn and an eighth,
// each way), each given a fixed span of time. The episode is scored by the
// heading error at the end of each span, the time it took to come within
// ten degrees, how far the robot wandered from its spot, and heavily by a
// fall. The vector reaches the turn through the skill's parameter values, by
// the names of params/turn.params, so a tuned vector runs in the agent
// exactly as it ran here.
#pragma once

#include <memory>
#include <vector>

#include "ai/learning/MotionLearning.h"

class TurnSkill;

class TurnLearning : public MotionLearning {
public:
    // The turns of one episode, degrees, clockwise positive; each target is
    // the previous target turned by the next of these.
    static const std::vector<double>& turns();
    // Seconds of standing before the first turn, and for each turn.
    static constexpr double kSettleTime = 1.0;
    static constexpr double kSpanTime = 4.5;
    // Heading error, degrees, that counts as having arrived.
    static constexpr double kArrived = 10.0;
    // What each part of the score costs: a second to arrive, a metre
    // wandered, a fall, and each turn a fall left undone.
    static constexpr double kSecondCost = 10.0;
    static constexpr double kMetreCost = 100.0;
    static constexpr double kFallCost = 2000.0;
    static constexpr double kUndoneCost = 300.0;
    // Where the robot is beamed for the episode: inside its own half, facing
    // the opponent goal.
    static constexpr double kBeamX = -2.0;
    static constexpr double kBeamY = 0.0;

    explicit TurnLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                          std::unique_ptr<Communicator> optimiser = nullptr);
    ~TurnLearning() override;

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    // The turn of the span running now; nullptr between spans.
    TurnSkill* getTurn() const { return turn.get(); }
    // The spans finished so far in this episode: final error (degrees,
    // absolute) and seconds until it stayed within kArrived.
    const std::vector<double>& getFinalErrors() const { return finalErrors; }
    const std::vector<double>& getArrivalTimes() const { return arrivalTimes; }

private:
    // Hands the episode's vector to the turn's parameter values.
    void loadParams() const;
    void startSpan(unsigned span);
    void closeSpan();
    double distanceWandered() const;

    std::unique_ptr<TurnSkill> turn;
    unsigned span = 0;       // the span running (1-based); 0 before the first
    double target = 0.0;     // its target heading
    double spanStart = 0.0;  // server time it began
    double lastAway = 0.0;   // the last time its error exceeded kArrived
    double lastError = 0.0;
    std::vector<double> finalErrors;
    std::vector<double> arrivalTimes;
};
