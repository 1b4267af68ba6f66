// The robot model behind one small interface: it makes the bodies of the
// robots that join and moves all of them, and the ball, by one cycle. The
// simulation loop talks to this interface only, so a model is swapped by one
// option.
#pragma once

#include <map>
#include <memory>

#include "game/Ball.h"
#include "game/PlayMode.h"
#include "robot/RobotBody.h"

struct Robot;

struct BallTouch {
    bool touched = false;  // in this step
    TeamSide side = TeamSide::Left;
    int unum = 0;
};

enum class ModelKind { Kinematic, Physics };

const char* modelKindName(ModelKind kind);

class BodyModel {
public:
    virtual ~BodyModel() = default;

    virtual std::unique_ptr<RobotBody> createBody() = 0;
    // One cycle of `dt` seconds for every robot and the ball. `gamePaused` is
    // true while the referee has stopped the game (before kick-off, after a
    // goal), when the real server stops some of its per-robot rules.
    // Returns the last robot that touched the ball in this cycle, if any.
    virtual BallTouch step(std::map<int, Robot>& robots, Ball& ball, double dt, bool gamePaused) = 0;
};
