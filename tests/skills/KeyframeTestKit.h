// Shared by the keyframe skill tests: sense a posture through the world
// model, run one cycle of a skill and read the speeds it commanded.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "objects/HingeJoint.h"
#include "skills/SkillBase.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace kit {

const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};

// Posture convention: the server reports the shoulder X joints 90 degrees off.
inline void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    WorldModel::getUniqueInstance()->setAHingeJoint(hj, i);
}

inline void sense(const double* angles) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angles[i]);
}

// One cycle: the command text the skill composed.
inline std::string cycle(SkillBase& s) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    s.run();
    return cc->getPreparedCommand();
}

inline std::map<std::string, double> speeds(const std::string& text) {
    std::map<std::string, double> out;
    const char* c = text.c_str();
    char name[16];
    double value = 0;
    int used = 0;
    while (std::sscanf(c, "(%15s %lf)%n", name, &value, &used) == 2) {
        out[name] = value;
        c += used;
    }
    return out;
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

}  // namespace kit
