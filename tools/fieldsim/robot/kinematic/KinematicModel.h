// The kinematic robot model: bodies placed by geometry and rules, robots and
// the ball pushed out of each other by simple outlines (see Contacts).
#pragma once

#include "game/FieldGeometry.h"
#include "robot/BodyModel.h"

class KinematicModel : public BodyModel {
public:
    explicit KinematicModel(const FieldGeometry& field) : field_(field) {}

    std::unique_ptr<RobotBody> createBody() override;
    StepContacts step(std::map<int, Robot>& robots, Ball& ball, double dt, bool gamePaused) override;

private:
    FieldGeometry field_;
};
