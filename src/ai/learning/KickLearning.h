// Tunes the forward kick the agent plays (Kick) from the standing posture.
//
// One episode: init, a beam beside the ball (before kick-off: the server
// takes a beam only then), the standing posture held until the robot has
// settled and the game has kicked off (before kick-off the server holds the
// ball on its spot, so a kick then would move nothing), the kick with this
// episode's values, then a watch of the ball and the kicker. The values reach
// the kick the way the agent's reach it: as the "kick" skill's values in
// SkillParams, named and ordered as Kick::paramList(), so the tuner's best
// vector can be copied over params/kick.params as it is.
//
// Fitness (the optimiser minimises what is sent, so -F is sent):
//   F = metres the ball went along the robot's heading at the kick
//       - kAngleCost per degree the ball's path was off that heading
//       - kFallCost when the kicker went down
// A fall ends the episode at once; so does a simulator whose clock stands.
#pragma once

#include <memory>
#include <ostream>

#include "ai/learning/LearningBase.h"
#include "geometry/Point.h"
#include "skills/lowLevelSkills/Kick.h"
#include "skills/lowLevelSkills/PatternAligner.h"

class KickLearning : public LearningBase {
public:
    static constexpr unsigned kParamCount = Kick::P_COUNT;
    static constexpr const char* kTeamName = "VOR_LEARNING_KICK";
    // Where the robot is beamed: the ball lies on the centre spot, 0.20 m in
    // front of the torso and 0.055 m to its left, right before the left foot.
    static constexpr double kBeamX = -0.20;
    static constexpr double kBeamY = -0.055;
    // Cycles of standing (from the first) before the kick may start: the
    // beam's drop has settled by then.
    static constexpr unsigned kSettleSteps = 100;
    // Before kick-off the kick waits; this long at most (cycles), then it
    // kicks anyway (a server that never kicks off scores no ball).
    static constexpr unsigned kLongestWait = 500;
    // Cycles watched after the kick began, while the ball rolls out, and
    // after the kick has played out: the kicker has to stand for 2 s.
    static constexpr unsigned kWatchSteps = 350;
    static constexpr unsigned kAfterSteps = 100;
    static constexpr double kAngleCost = 0.1;  // metres per degree
    static constexpr double kFallCost = 10.0;  // metres
    // The torso counts as down once gravity shows less than this along its
    // long axis (m/s^2: about 60 degrees of tilt) for kDownSteps cycles in a
    // row; single readings jump with every impact.
    static constexpr double kUprightAcc = 4.9;
    static constexpr unsigned kDownSteps = 10;
    static constexpr unsigned kStallSampleStep = 15;
    static constexpr unsigned kStallCheckStep = 50;
    static constexpr double kFatalFitness = -40000.0;

    explicit KickLearning(std::unique_ptr<SimulatorControl> simulator = nullptr,
                          std::unique_ptr<Communicator> optimiser = nullptr);

    bool isEvalDone() override;
    void continueEval() override;
    double calcFitness() override;

    // Hands the episode's vector to the kick through SkillParams.
    void applyParams() const;

    bool hadFault() const { return fault; }
    bool hadFatalError() const { return fatalError; }
    bool hasKicked() const { return kickStep != 0; }
    Point getFirstPos() const { return firstPos; }
    Point getLastPos() const { return lastPos; }
    // Metres along the heading at the kick, and degrees off it.
    double getAlong() const;
    double getAngleError() const;

protected:
    std::ostream& console() const;
    // Counts the cycles the torso has been down; true once it counts as down.
    bool torsoDown();

    bool fault;
    bool fatalError;
    double testTime;
    // The step the kick began in (0: not yet).
    unsigned kickStep;
    // The step the kick had played out in (0: not yet).
    unsigned finishStep;
    unsigned downSteps;
    // The robot's heading at the kick, counter-clockwise degrees.
    double heading;
    Point firstPos;
    Point lastPos;
    std::unique_ptr<Kick> kick;
    PatternAligner stand;
};
