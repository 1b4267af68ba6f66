// Tunes the walk as the agent runs it, from the two ways the agent starts
// it. The robot stands in the standing posture through the opening, is
// beamed into its own half far from the centre line and the ball (where no
// referee rule moves it) and at once walks from the beam's drop (the walk
// starting from standstill with its speed ramp, TFSWalk::run()), straight
// for eight seconds, and is stopped as the behaviours stop it; it stands
// for two seconds, then walks and stops once more from that settled stance.
// The vector under test reaches the walk through the skill's values under
// its file's names, so the walk runs exactly as it runs in the agent, and
// the tuner's best vector can be copied over params/walk.params as it is.
//
// Beams are taken only before the kick-off: run the simulator without one
// (fieldsim --kickoff-after -1), or with it later than the beam.
//
// Fitness (the optimiser minimises the negative): over both walks, ten
// points a metre along the beamed heading, twelve a metre across it and a
// tenth a degree each walk turned taken off; a fall ends the episode and
// costs fifty points and up to thirty more the earlier it came, so a gait
// that falls never beats one that stands.
#pragma once

#include <memory>

#include "ai/learning/MotionLearning.h"
#include "geometry/Point.h"

class TFSWalk;

class TFSWalkingLearning : public MotionLearning {
public:
    // The walk's ten gait values, its two forward ramp times and the heading
    // hold's gain.
    static constexpr unsigned kParamCount = 13;
    // Where the episode beams the robot: own half, 4 m from the centre line,
    // walking along it toward the far side line (rot is counter-clockwise
    // degrees, as the beam takes it), just before the measured run.
    static constexpr double kBeamX = -4.0;
    static constexpr double kBeamY = -3.5;
    static constexpr double kBeamRot = 90.0;
    static constexpr unsigned kBeamStep = kIdleStep - 1;
    static constexpr double kWalkTime = 8.0;
    static constexpr double kStopTime = 1.5;
    static constexpr double kStandTime = 2.0;
    // The second walk starts here and the episode ends at kEndTime (seconds
    // of the measured run).
    static constexpr double kSecondStart = kWalkTime + kStopTime + kStandTime;
    static constexpr double kEndTime = kSecondStart + kWalkTime + kStopTime;
    // When the first walk's heading is read: vision comes every third
    // cycle, and the beam shows in it a cycle later still.
    static constexpr double kHeadingReadAt = 0.2;
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
    // One walk of the episode, `t` seconds after its start: walking, then
    // stopping, then standing.
    void walkFor(double t);
    // Ten points a metre along the beamed heading, twelve across, a tenth
    // a degree turned, from `from` (facing `fromDir`) to here.
    double score(const Point& from, double fromDir) const;

    double startDir;
    double fallTime;
    bool headingRead;
    bool secondStarted;
    Point secondFrom;
    double secondDir;
    double firstScore;
};
