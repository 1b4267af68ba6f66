// Composes perception texts in the server's form from a known pose, so that
// localisation can be checked against exact geometry.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace compose {

struct Vec {
    double x, y, z;
};

// Where a robot stands, in the field frame of a team on the left: camera
// position (metres) and heading (degrees, counter-clockwise from +x).
struct Pose {
    double x, y, height, heading;
};

// Landmark positions on the 12 x 8 field with a 1.4 m goal, as the server
// places them: "G1L" (-6, 0.7, 0.8) ... "F2R" (6, -4, 0); the "1" post of
// either goal stands at +y, like the "1" corner flags.
inline Vec landmark(const std::string& n) {
    const double x = n[2] == 'L' ? -6 : 6;
    if (n[0] == 'F') return {x, n[1] == '1' ? 4.0 : -4.0, 0};
    return {x, n[1] == '1' ? 0.7 : -0.7, 0.8};
}

inline std::string number(double v) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

// "(pol distance horizontal vertical)" of a field point seen from the pose
// with the head turned by pan (to the left) and tilt (upwards), degrees.
inline std::string pol(const Pose& pose, Vec target, double pan, double tilt) {
    const double k = 3.14159265358979323846 / 180.0;
    const double vx = target.x - pose.x;
    const double vy = target.y - pose.y;
    const double vz = target.z - pose.height;
    const double a = pose.heading * k;
    const double bx = vx * std::cos(a) + vy * std::sin(a);
    const double by = -vx * std::sin(a) + vy * std::cos(a);
    const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
    const double horizontal = std::atan2(by, bx) / k - pan;
    const double vertical = std::asin(vz / r) / k - tilt;
    return "(pol " + number(r) + " " + number(horizontal) + " " + number(vertical) + ")";
}

// A vision expression with the named landmarks and, when given, the ball.
inline std::string see(const Pose& pose, const std::vector<std::string>& names, double pan,
                       double tilt, const Vec* ball = nullptr, const std::string& players = "") {
    std::string text = "(See";
    for (const std::string& n : names) text += " (" + n + " " + pol(pose, landmark(n), pan, tilt) + ")";
    if (ball != nullptr) text += " (B " + pol(pose, *ball, pan, tilt) + ")";
    text += players;
    return text + ")";
}

// One whole perception in the real server's order: time, game state, gyro,
// the head joints, the vision, the other twenty joints.
inline std::string perception(double time, const std::string& gameState, double pan, double tilt,
                              const std::string& vision) {
    static const char* const kBodyJoints[] = {
        "raj1", "raj2", "raj3", "raj4", "laj1", "laj2", "laj3", "laj4", "rlj1", "rlj2",
        "rlj3", "rlj4", "rlj5", "rlj6", "llj1", "llj2", "llj3", "llj4", "llj5", "llj6"};
    std::string text = "(time (now " + number(time) + "))" + gameState +
                       "(GYR (n torso) (rt 0.000 0.000 0.000))" + "(HJ (n hj1) (ax " +
                       number(pan) + "))(HJ (n hj2) (ax " + number(tilt) + "))" + vision;
    for (const char* j : kBodyJoints) text += std::string("(HJ (n ") + j + ") (ax 0.000))";
    return text;
}

inline std::string gameState(const char* team) {
    return std::string("(GS (unum 2) (team ") + team + ") (t 0.00) (pm PlayOn))";
}

const std::vector<std::string> kCorners = {"F1L", "F2L", "F1R", "F2R"};

}  // namespace compose
