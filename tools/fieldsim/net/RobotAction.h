// One effector command of a robot, decoded and checked, waiting for the cycle
// in which it takes effect.
#pragma once

#include <string>

struct RobotAction {
    enum class Kind { Joint, Beam, Say };
    Kind kind = Kind::Joint;
    int joint = -1;
    double value = 0.0;                // joint velocity, rad/s (not yet clamped)
    double beam[3] = {0.0, 0.0, 0.0};  // x, y in the team frame, rotation in degrees
    std::string text;                  // say
};
