// Everything on the field: the robots (by connection id, so iteration order
// is the order of arrival), the ball, and the robot model that moves them.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "game/Ball.h"
#include "game/FieldGeometry.h"
#include "game/Robot.h"
#include "robot/BodyModel.h"

class World {
public:
    World(const FieldGeometry& field, ModelKind model);
    ~World();

    ModelKind modelKind() const { return kind_; }

    const FieldGeometry& field() const { return field_; }
    Ball& ball() { return ball_; }
    const Ball& ball() const { return ball_; }

    Robot& addRobot(int clientId);
    void removeRobot(int clientId);
    Robot* robot(int clientId);
    const Robot* robot(int clientId) const;
    Robot* findRobot(TeamSide side, int unum);
    std::map<int, Robot>& robots() { return robots_; }
    const std::map<int, Robot>& robots() const { return robots_; }
    std::vector<const Robot*> joinedRobots() const;

    // Moves every robot and the ball by one cycle through the robot model.
    void step(double dt, bool gamePaused);
    // Who touched the ball and whom in the last step.
    const StepContacts& contacts() const { return contacts_; }

private:
    FieldGeometry field_;
    ModelKind kind_;
    // Declared before the robots: their bodies may belong to the model's
    // world, so they must go first.
    std::unique_ptr<BodyModel> model_;
    Ball ball_;
    std::map<int, Robot> robots_;
    StepContacts contacts_;
};
