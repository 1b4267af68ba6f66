// One robot in the game: who it is (connection, team, number), its body, and
// the commands it has sent that have not taken effect yet.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "game/PlayMode.h"
#include "net/RobotAction.h"
#include "robot/RobotBody.h"
#include "util/Vec3.h"

struct QueuedAction {
    long long effectiveCycle = 0;
    RobotAction action;
};

struct Robot {
    static constexpr size_t kMaxQueuedActions = 4096;
    static constexpr size_t kMaxCycleCommands = 256;  // characters kept for the truth log

    int clientId = 0;
    bool joined = false;  // init accepted
    std::string team;
    TeamSide side = TeamSide::Left;
    int unum = 0;
    bool identityPending = false;  // the next game state names unum and team

    std::unique_ptr<RobotBody> bodyPtr;  // made by the world's robot model
    RobotBody& body() { return *bodyPtr; }
    const RobotBody& body() const { return *bodyPtr; }
    long long perceptions = 0;  // sent so far
    // Cycles it still steps before its first perception: the real server's
    // new robot has fallen two steps from where it is built when its first
    // perception comes (gyro and accelerometer show it), one more than the
    // cycle that builds it.
    int quietCycles = 0;
    // Where its init puts it, in the cycle the init takes effect (-1: no
    // placement waiting): the start spot and the heading.
    long long startCycle = -1;
    Vec3 startSpot;
    double startHeading = 0.0;
    // Its init was accepted: side and number are its own, whether or not the
    // init has taken effect yet.
    bool claimed() const { return joined || startCycle >= 0; }
    std::deque<QueuedAction> pending;
    std::string cycleCommands;  // what it sent since the last cycle, cut for the truth log
    Vec3 visionCalibration;     // fixed offset of its camera when noise is on
    int hearTokens[2] = {2, 2};  // team-mates, opponents
};
