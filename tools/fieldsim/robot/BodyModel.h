// The robot model behind one small interface: it makes the bodies of the
// robots that join and moves all of them, and the ball, by one cycle. The
// simulation loop talks to this interface only, so a model is swapped by one
// option.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "game/Ball.h"
#include "game/PlayMode.h"
#include "robot/RobotBody.h"
#include "util/Vec3.h"

struct Robot;

// Two robots of the game touching each other, by connection id (a < b).
struct RobotContact {
    int a = 0;
    int b = 0;
    Vec3 point;  // world, where they touch
};

// What met in one step: the referee's rules start from these.
struct StepContacts {
    // Connection ids of the robots of the game that touched the ball, in
    // the order of the robots (each once).
    std::vector<int> ballTouchers;
    std::vector<RobotContact> robots;  // each pair once
    // Robots whose joints the self-collision rule froze in this step.
    std::vector<int> selfCollided;
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
    // Returns who touched the ball and whom in this cycle.
    virtual StepContacts step(std::map<int, Robot>& robots, Ball& ball, double dt, bool gamePaused) = 0;
};
