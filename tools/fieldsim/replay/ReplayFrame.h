// One cycle of a recorded game as the replay draws it: the truth log's line
// without the joint angles and commands, which the page does not show.
#pragma once

#include <cmath>
#include <string>
#include <vector>

struct ReplayRobot {
    std::string team;
    bool right = false;  // plays on the right (defends +x)
    int unum = 0;
    // Torso centre in the world frame, metres; yaw counter-clockwise from +x,
    // pitch and roll in degrees, as in the truth log.
    double x = NAN, y = NAN, z = NAN;
    double yaw = NAN, pitch = NAN, roll = NAN;
    std::string state;  // upright, front or back
};

struct ReplayFrame {
    long long cycle = 0;
    double time = 0.0;  // server time, s
    double gameTime = NAN;
    std::string playMode;
    int scoreLeft = 0;
    int scoreRight = 0;
    double ballX = NAN, ballY = NAN, ballZ = NAN;
    std::vector<ReplayRobot> robots;
};
