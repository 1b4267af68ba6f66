// How bodies meet without dynamics: robots that overlap are pushed apart
// (half each), a foot that moves into the ball sends it along the foot's
// velocity, and the ball is pushed out of feet and bodies. Every robot's
// outline on the ground is its Footprint: a circle when standing, a capsule
// from head to feet when lying.
#pragma once

#include <map>
#include <vector>

#include "game/Ball.h"
#include "game/FieldGeometry.h"
#include "game/Robot.h"
#include "robot/BodyModel.h"
#include "robot/kinematic/KinematicBody.h"

class Contacts {
public:
    // The ball leaves a kicking foot along the foot's velocity at this
    // fraction of its speed. The real server's ball contact is very soft
    // (most of the swing's speed is lost); a quarter brings the agent's
    // forward kick to the distance it reaches there (about 1.1 m; a full
    // push, 1.0, sends it about 4.7 m).
    static constexpr double kKickGain = 0.25;
    // Bodies taller than this above the ground's contact do not meet the ball.
    static constexpr double kUprightReach = 0.6;  // m
    static constexpr double kLyingReach = 0.15;   // m
    // Outlines this close still count as touching (the robots were pushed
    // apart to exactly touching, up to rounding).
    static constexpr double kTouchTolerance = 1e-6;  // m

    // Pushes overlapping robots apart and keeps them inside the walls;
    // returns the pairs that touched (outlines overlapping or just touching).
    static std::vector<RobotContact> separateRobots(std::map<int, Robot>& robots, const FieldGeometry& field);
    // Pushes the ball out of the robots; returns the robots that touched it.
    static std::vector<int> pushBall(Ball& ball, const std::map<int, Robot>& robots);

    // Closest points between the segments p1-q1 and p2-q2 (in the ground plane).
    static void closestPoints(const Vec3& p1, const Vec3& q1, const Vec3& p2, const Vec3& q2, Vec3& c1, Vec3& c2);

    // The bodies of this model's robots (it made them all).
    static KinematicBody& kinematic(Robot& robot);
    static const KinematicBody& kinematic(const Robot& robot);

private:
    static bool pushOutOfFoot(Ball& ball, const KinematicBody& body, int foot);
    static bool pushOutOfFootprint(Ball& ball, const KinematicBody& body);
};
