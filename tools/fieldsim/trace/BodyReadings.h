// What a perception says about the robot's own body, read from its text:
// the game state, the 22 joint angles, the gyro, the accelerometer and the
// foot pressure sensors. fieldsim's own messages and the real server's are
// read by the same code, so the comparison judges the numbers, not the forms.
#pragma once

#include <array>
#include <string>

#include "robot/NaoModel.h"
#include "util/Vec3.h"

struct FootReading {
    bool present = false;
    Vec3 c;  // contact point, foot frame, m
    Vec3 f;  // force, foot frame, N
};

class BodyReadings {
public:
    static BodyReadings parse(const std::string& perception);

    double now = 0.0;
    bool hasNow = false;
    std::string playMode;                                // empty when there is no game state
    std::array<double, NaoModel::kJointCount> joints{};  // deg
    std::array<bool, NaoModel::kJointCount> hasJoint{};
    bool hasGyro = false;
    Vec3 gyro;  // deg/s
    bool hasAcc = false;
    Vec3 acc;  // m/s^2
    FootReading right, left;
    int malformed = 0;  // expressions that could not be read
};
