// What the four learners that drive a locomotion skill share: the episode's
// opening (init command, standing still, aligning to the start posture), the
// start of the measured run at the idle step, the end tests (abnormal
// posture, fall, time, a simulator whose clock stands still) and the
// bookkeeping the fitness formulas read.
#pragma once

#include <memory>
#include <ostream>

#include "ai/learning/LearningBase.h"

class MotionLearning : public LearningBase {
public:
    static constexpr unsigned kIdleStep = 150;
    static constexpr const char* kTeamName = "VOR_Learning";
    static constexpr double kFallHeight = 0.27;
    static constexpr double kLearningTime = 15.0;
    // The stall test samples the server time at one step and compares it at
    // a later one.
    static constexpr unsigned kStallSampleStep = 30;
    static constexpr unsigned kStallCheckStep = 140;
    static constexpr double kFatalFitness = -40000.0;
    // Where every locomotion episode starts unless the learner says
    // otherwise (beamAtStart): well inside the own half, a metre in front of
    // the own goal and off the centre line, facing the opponent goal. Not
    // where the init command puts the robot, which differs between servers
    // (the real one: (-5.2, 3.2), by the side line; fieldsim has used
    // (-0.5, -3.5), by the halfway line, where the referee moves a robot
    // that walks on). Fifteen seconds of walking forward, stepping to the
    // left or curving to the left stay on the field from here.
    static constexpr double kStartX = -5.0;
    static constexpr double kStartY = -1.0;
    static constexpr double kStartDir = 0.0;

    MotionLearning(unsigned count, std::unique_ptr<SimulatorControl> simulator,
                   std::unique_ptr<Communicator> optimiser);

    bool hadFault() const { return fault; }
    bool hadFatalError() const { return fatalError; }
    double getStartX() const { return startX; }
    double getStartY() const { return startY; }

protected:
    // Seconds of server time since the measured run began; 0 until the idle
    // step of this episode has passed, so a start time left over from the
    // previous episode (and its simulator's clock) is never used.
    double runTime() const;
    // Whether the measured run of this episode has begun. An episode that
    // ends before it is scored without any movement: the start place held
    // then is still the previous episode's.
    bool runStarted() const { return stepCount > kIdleStep; }
    // Prints one line per leg joint outside its limits; true when any is.
    bool legLimitsViolated() const;
    // The walking learners' end test, given this cycle's abnormal finding.
    bool walkingEvalDone(bool abnormal);
    // Samples the server time at the sample step and, at the check step,
    // ends the episode as fatal when it has not moved since.
    bool simulatorStalled();
    // The last word on an end test's `done`: never during the opening (the
    // robot may still be settling), always once the simulator has stalled
    // (which is checked every cycle).
    bool finalJudgement(bool done);
    // Where the learner's console lines go: standard output, or nowhere for
    // a quiet learner.
    std::ostream& console() const;
    // Position and step lines printed every cycle.
    void printProgress() const;
    // The opening of an episode before the idle step: init command in the
    // first cycle, joints stopped, then the start posture.
    void runOpening();
    // The idle step: joints stopped, the run's start time and place recorded.
    void beginRun();

    bool fault;
    bool fatalError;
    double testTime;
    double bTime;
    double startX;
    double startY;
    bool quiet = false;
};
