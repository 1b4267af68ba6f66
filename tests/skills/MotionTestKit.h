// Shared by the walking-skill tests: setting the sensed joints and the
// ball's delta time in the world model, running a skill for one cycle with
// its console output swallowed, and reading the command text back.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace motiontest {

using Sent = std::vector<std::pair<std::string, double>>;

inline WorldModel* wm() { return WorldModel::getUniqueInstance(); }
inline CommandCreator* cc() { return CommandCreator::getUniqueInstance(); }

// The shoulder X joints are reported 90 degrees off.
inline void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    wm()->setAHingeJoint(hj, i);
}

inline void senseAllJointsAt(double angle) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angle);
}

// The world model's delta time is the time since the ball was last seen.
inline void setBallUnseenFor(double seconds) {
    Ball b;
    b.setLastTimeSeenBall(wm()->getTime() - seconds);
    wm()->setBall(b);
    wm()->setLastTime();
    wm()->setDeltaTime();
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

template <typename Skill>
std::string runOnce(Skill& skill, bool* result = nullptr) {
    cc()->reset();
    testing::internal::CaptureStdout();
    const bool r = skill.run();
    testing::internal::GetCapturedStdout();
    if (result != nullptr) *result = r;
    return cc()->getPreparedCommand();
}

inline void expectSent(const std::string& text, const Sent& expected, double tol = 2e-5) {
    const Sent sent = parseCommand(text);
    ASSERT_EQ(sent.size(), expected.size()) << text;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sent[i].first, expected[i].first) << i;
        EXPECT_NEAR(sent[i].second, expected[i].second, tol) << expected[i].first;
    }
}

}  // namespace motiontest
