// Replays a real-server trace open loop in an in-process fieldsim: the
// trace's scene first, then its replies, each as the answer to fieldsim's
// perception of the same number, in lockstep with no network in between.
// Every reply on the real server arrived within its cycle, so fieldsim gets
// exactly the input the real server got; what differs is fieldsim's doing.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "game/SimOptions.h"
#include "robot/physics/NaoBuild.h"
#include "trace/RealTrace.h"
#include "trace/TraceComparison.h"
#include "util/Vec3.h"

class TracePlayer {
public:
    // Tolerances: about ten times the last printed digit of each reading
    // (joints, gyro, accelerometer to 0.001 in the message), and twice the
    // truth's 5 mm resolution for positions.
    static constexpr double kJointTolerance = 0.01;     // deg
    static constexpr double kGyroTolerance = 0.01;      // deg/s
    static constexpr double kAccTolerance = 0.01;       // m/s^2
    static constexpr double kForceTolerance = 0.05;     // N
    static constexpr double kContactTolerance = 0.002;  // m
    static constexpr double kPositionTolerance = 0.01;  // m
    static constexpr double kYawTolerance = 2.0;        // deg
    static constexpr double kBallTolerance = 0.01;      // m

    // The real server's moves and falls, read from its truth: a torso that
    // jumps this far between two looks while it stays upright was moved by
    // the referee; one whose up axis drops below kFallen has fallen (as
    // fieldsim's robot counts as lying beyond 60 degrees of tilt), and one
    // back above kRisen, with its centre at least kRisenHeight high, is up
    // again. fieldsim's side comes from its own records.
    static constexpr double kMoveJump = 0.3;  // m
    static constexpr double kFallen = 0.5;
    static constexpr double kRisen = 0.82;        // 35 degrees from upright
    static constexpr double kRisenHeight = 0.25;  // m

    // Cycles from the first beam's effect until the robot stands on the ground.
    static constexpr long long kLanding = 3;

    // The robot whose trace it is.
    static constexpr int kUnum = 1;

    // `options`: the model (and a latency when one was asked for); the rest
    // is set as the trace's server was.
    TracePlayer(const RealTrace& trace, const SimOptions& options);

    TraceComparison run(const std::string& tracePath);

private:
    // fieldsim's robot and ball after one cycle.
    struct SimSample {
        bool valid = false;
        Vec3 torso;
        double yaw = 0.0;
        double upright = 1.0;
        Vec3 ball;
        // The centres of the parts with a collider, in the model's order of
        // parts (the others left at zero).
        std::array<Vec3, NaoBuild::kPartCount> parts{};
    };

    void comparePerception(long long cycle, const std::string& real, const std::string& sim,
                           TraceComparison& out);
    void compareTruth(TraceComparison& out) const;
    // The largest distance of a real part's centre from fieldsim's at the
    // best of cycles from..to, and which part; -1 when nothing compares.
    double partsDifference(const TraceRobotTruth& real, long long from, long long to,
                           std::string& worstPart) const;
    void realEvents(TraceComparison& out) const;
    // Cycles in which the robot placed itself (its init and its beams): a jump
    // then is its own doing.
    bool ownMove(long long cycle, long long before, long long after) const;
    // The cycle of a real move first seen in the truth sample of cycle
    // `seen`, the one before at `before`.
    long long moveCycle(long long before, long long seen) const;

    const RealTrace& trace_;
    SimOptions options_;
    std::vector<SimSample> samples_;   // by cycle
    std::vector<long long> ownMoves_;  // cycles in which an init or beam took effect
};
