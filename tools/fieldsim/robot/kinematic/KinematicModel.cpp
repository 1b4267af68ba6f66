#include "robot/kinematic/KinematicModel.h"

#include "game/Robot.h"
#include "robot/kinematic/Contacts.h"
#include "robot/kinematic/KinematicBody.h"

std::unique_ptr<RobotBody> KinematicModel::createBody() { return std::make_unique<KinematicBody>(); }

StepContacts KinematicModel::step(std::map<int, Robot>& robots, Ball& ball, double dt, bool /*gamePaused*/) {
    for (auto& [id, r] : robots) {
        KinematicBody& body = Contacts::kinematic(r);
        body.stepJoints(dt);
        body.update(dt);
    }
    StepContacts met;
    met.robots = Contacts::separateRobots(robots, field_);
    met.ballTouchers = Contacts::pushBall(ball, robots);
    ball.step(dt);
    ball.confine(field_.halfLength() + FieldGeometry::kBorder, field_.halfWidth() + FieldGeometry::kBorder);
    return met;
}
