// Shared by the motion tests: sensing a posture, the gyro and the ball's
// delta time through the world model, running one cycle of a skill and
// reading the speeds it commanded.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "skills/SkillBase.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace motiontest {

using Sent = std::vector<std::pair<std::string, double>>;

constexpr double kLimit = 6.1395447;  // the followers' speed clip
const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};

inline WorldModel* wm() { return WorldModel::getUniqueInstance(); }
inline CommandCreator* cc() { return CommandCreator::getUniqueInstance(); }

// The server reports the shoulder X joints 90 degrees off.
inline void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    wm()->setAHingeJoint(hj, i);
}

inline void sense(const double* angles) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angles[i]);
}

inline void senseAll(double angle) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angle);
}

inline void senseGyro(double x, double y, double z) {
    Gyro g;
    g.setRate(Point(x, y, z));
    wm()->setGyro(g);
}

// The world model's delta time is the time since the ball was last seen.
inline void setBallUnseenFor(double seconds) {
    Ball b;
    b.setLastTimeSeenBall(wm()->getTime() - seconds);
    wm()->setBall(b);
    wm()->setLastTime();
    wm()->setDeltaTime();
}

// One cycle: the command text the skill composed (console lines swallowed
// if `quiet`).
inline std::string cycle(SkillBase& s, bool* result = nullptr, bool quiet = false) {
    cc()->reset();
    if (quiet) testing::internal::CaptureStdout();
    const bool r = s.run();
    if (quiet) testing::internal::GetCapturedStdout();
    if (result != nullptr) *result = r;
    return cc()->getPreparedCommand();
}

// Every "(effector value)" of a command text, in order.
inline Sent parseCommand(const std::string& text) {
    Sent out;
    std::size_t pos = 0;
    while ((pos = text.find('(', pos)) != std::string::npos) {
        const std::size_t space = text.find(' ', pos);
        const std::size_t close = text.find(')', pos);
        if (space == std::string::npos || close == std::string::npos) break;
        out.emplace_back(text.substr(pos + 1, space - pos - 1),
                         std::strtod(text.c_str() + space + 1, nullptr));
        pos = close;
    }
    return out;
}

inline std::map<std::string, double> speeds(const std::string& text) {
    std::map<std::string, double> out;
    for (const auto& e : parseCommand(text)) out[e.first] = e.second;
    return out;
}

// The speeds of a text, whatever their order.
inline void expectSent(const std::string& text, const Sent& expected) {
    auto sent = speeds(text);
    EXPECT_EQ(sent.size(), expected.size()) << text;
    for (const auto& [name, value] : expected) EXPECT_NEAR(sent[name], value, 2e-5) << name;
}

// The aligner's speed for a joint at `current` aimed at `target` (default gains).
inline double toward(double current, double target) {
    const double e = current - target;
    return e / -18.0 - (e > 0 ? 0.05 : -0.05);
}

// No speed in the text is "nan" or "inf".
inline bool allFinite(const std::string& text) {
    return text.find("nan") == std::string::npos && text.find("inf") == std::string::npos;
}

}  // namespace motiontest
