// Everything on the field: the robots (by connection id, so iteration order
// is the order of arrival) and the ball.
#pragma once

#include <map>
#include <vector>

#include "game/Ball.h"
#include "robot/kinematic/Contacts.h"
#include "game/FieldGeometry.h"
#include "game/Robot.h"

class World {
public:
    explicit World(const FieldGeometry& field);

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

    // Moves every robot's joints and body, lets bodies push each other and
    // the ball, then rolls the ball.
    void step(double dt);
    // Who touched the ball in the last step, if anyone did.
    const BallTouch& touch() const { return touch_; }

private:
    FieldGeometry field_;
    Ball ball_;
    std::map<int, Robot> robots_;
    BallTouch touch_;
};
