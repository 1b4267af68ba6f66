// Shared by the behaviour tests: scripted world states, one behaviour call
// with its console output caught, and what it asked the skill manager for.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/Flag.h"
#include "objects/HingeJoint.h"
#include "objects/Player.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "skills/lowLevelSkills/TurnSkill.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace behaviourtest {

constexpr double kDeg = 57.29577951471995;
constexpr float kNow = 20.0f;

inline WorldModel* wm() { return WorldModel::getUniqueInstance(); }
inline SkillManager* sm() { return SkillManager::getUniqueInstance(); }
inline CommandCreator* cc() { return CommandCreator::getUniqueInstance(); }

// Posture convention: the server reports the shoulder X joints 90 degrees off.
inline void senseJoint(int id, double angle) {
    HingeJoint j;
    const bool shoulderX = (id == DOF_SHOULDER_RX || id == DOF_SHOULDER_LX);
    j.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    wm()->setAHingeJoint(j, id);
}

// The standing posture, in which a transition aligner is done at once;
// with bentLegs false, the preparation posture (legs straight).
inline void senseStanding(bool bentLegs = true) {
    const double b = bentLegs ? 1 : 0;
    const double standing[DOF_COUNT] = {0,   0, 0,      -10,     90,     0,       0,      10,
                                        -90, 0, 0,      0,       11 * b, -29 * b, 18 * b, 0,
                                        0,   0, 11 * b, -29 * b, 18 * b, 0};
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, standing[i]);
}

// The ball seen at body-relative distance ro, bearing teta (degrees,
// counter-clockwise), head centred.
inline void seeBall(double ro, double teta, double seenAt = kNow) {
    Ball b = wm()->getBall();
    b.setPolarPos(Point(ro, 0, teta));
    b.setLastTimeSeenBall(seenAt);
    wm()->setBall(b);
}

inline void seeFlagAt(int index, double x, double y, double seenAt = kNow) {
    Flag f = wm()->getAFlagByIndex(index);
    f.setPolarPos(Point(std::hypot(x, y), 0, std::atan2(y, x) * kDeg));
    f.setLastTimeSeenFlag(seenAt, index);
    wm()->setAFlag(f, index);
}

// A goal whose middle lies at body-relative (x, y); slots of a team on the left.
inline void oppGoalAt(double x, double y) {
    seeFlagAt(2, x, y + 0.7);
    seeFlagAt(3, x, y - 0.7);
}
inline void ourGoalAt(double x, double y) {
    seeFlagAt(1, x, y + 0.7);
    seeFlagAt(0, x, y - 0.7);
}

// Global pose; the yaw grows clockwise, 0 facing the opponent goal.
inline void standAt(double x, double y, double yaw) {
    wm()->setMyCartPos(Point(x, y, 0.35));
    wm()->setDir(Point(180, 0, yaw));
}

// A team on the left at the origin facing the opponent goal 10 m ahead.
inline void freshWorld() {
    wm()->setOurSide(SIDE_LEFT);
    wm()->setTime(kNow);
    senseStanding();
    standAt(0, 0, 0);
    oppGoalAt(10, 0);
    ourGoalAt(-6, 0);
    seeBall(2, 0);
    wm()->setGlobalPosOfBall(Point(2, 0, 0.04));
}

inline int countOf(const std::string& text, const std::string& word) {
    int n = 0;
    for (auto p = text.find(word); p != std::string::npos; p = text.find(word, p + 1)) ++n;
    return n;
}

inline bool has(const std::string& text, const std::string& word) {
    return countOf(text, word) > 0;
}

// One cycle of head control, read back from the composed command.
struct Head {
    std::string text;
    double pan = NAN, tilt = NAN;
};
inline Head headCycle(const std::function<void()>& run) {
    cc()->reset();
    run();
    Head h;
    h.text = cc()->getPreparedCommand();
    const auto he1 = h.text.find("(he1 "), he2 = h.text.find("(he2 ");
    if (he1 != std::string::npos) std::sscanf(h.text.c_str() + he1, "(he1 %lf)", &h.pan);
    if (he2 != std::string::npos) std::sscanf(h.text.c_str() + he2, "(he2 %lf)", &h.tilt);
    return h;
}

// What one behaviour call asked for, read before the manager gets the skill
// (which may delete it at once).
struct Request {
    SkillID id = SKILL_NOTHING;
    bool running = false;  // the running skill itself
    double degree = NAN;   // walk: positive turns clockwise
    double speed = NAN;    // walk
    double heading = NAN;  // turn
    RotateDirection rot = Clock_Wise;
    std::string printed;  // console output
    std::string command;  // command text composed
};

inline Request ask(const std::function<SkillBase*()>& behaviour) {
    Request r;
    cc()->reset();
    testing::internal::CaptureStdout();
    SkillBase* s = behaviour();
    r.command = cc()->getPreparedCommand();
    if (s != nullptr) {
        r.id = s->getSkillID();
        r.running = (s == sm()->getRunningSkill());
        if (auto* walk = dynamic_cast<TFSWalk*>(s)) {
            r.degree = walk->getDegree();
            r.speed = walk->getspeed();
        }
        if (auto* turn = dynamic_cast<TurnSkill*>(s)) {
            r.heading = turn->getDeg();
            r.rot = turn->getRotDir();
        }
    }
    sm()->putSkillInQ(s);
    r.printed = testing::internal::GetCapturedStdout();
    return r;
}

// Hands a skill to the manager quietly.
inline SkillBase* install(SkillBase* s) {
    testing::internal::CaptureStdout();
    sm()->putSkillInQ(s);
    testing::internal::GetCapturedStdout();
    return s;
}

// One cycle of the manager, quietly; the running skill afterwards.
inline SkillBase* runManager() {
    cc()->reset();
    testing::internal::CaptureStdout();
    sm()->runSkills();
    testing::internal::GetCapturedStdout();
    return sm()->getRunningSkill();
}

}  // namespace behaviourtest
