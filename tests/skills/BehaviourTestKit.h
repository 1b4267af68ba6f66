// Shared by the behaviour tests: scripted world states (own pose, ball and
// landmark sightings, team-mates), one behaviour call with its console
// output caught, and what that call asked the skill manager for.
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
// Landmark slots of a team on the left.
constexpr int kOurPost1 = 1, kOurPost2 = 0, kOppPost1 = 2, kOppPost2 = 3;

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

// The default aligner's standing posture: a transition aligner finishes at
// once in it, so skill changes take their fewest cycles.
const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};
// The preparation posture: straight joints, arms down.
const double kPrepared[DOF_COUNT] = {0, 0, 0, -10, 90, 0, 0, 10, -90, 0, 0,
                                     0, 0, 0, 0,   0,  0, 0, 0,  0,   0, 0};

inline void sense(const double* angles) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angles[i]);
}

// The ball seen now at body-relative distance ro and bearing teta (degrees,
// counter-clockwise), head centred.
inline void seeBall(double ro, double teta, double seenAt = kNow) {
    Ball b;
    b.setPolarPos(Point(ro, 0, teta));
    b.setLastTimeSeenBall(seenAt);
    wm()->setBall(b);
}

// The ball seen now at body-relative (x, y).
inline void seeBallAt(double x, double y) { seeBall(std::hypot(x, y), std::atan2(y, x) * kDeg); }

inline void seeFlagAt(int index, double x, double y) {
    Flag f = wm()->getAFlagByIndex(index);
    f.setPolarPos(Point(std::hypot(x, y), 0, std::atan2(y, x) * kDeg));
    f.setLastTimeSeenFlag(kNow, index);
    wm()->setAFlag(f, index);
}

// A goal whose middle lies at body-relative (x, y), posts 0.7 m either side.
inline void oppGoalAt(double x, double y) {
    seeFlagAt(kOppPost1, x, y + 0.7);
    seeFlagAt(kOppPost2, x, y - 0.7);
}
inline void ourGoalAt(double x, double y) {
    seeFlagAt(kOurPost1, x, y + 0.7);
    seeFlagAt(kOurPost2, x, y - 0.7);
}

// Global pose; yaw grows clockwise, 0 facing the opponent goal.
inline void standAt(double x, double y, double yaw) {
    wm()->setMyCartPos(Point(x, y, 0.35));
    wm()->setDir(Point(180, 0, yaw));
}

// A team on the left at time kNow, standing at the origin facing the
// opponent goal ten metres ahead, our goal behind, the ball two metres ahead.
inline void freshWorld() {
    wm()->setOurSide(SIDE_LEFT);
    wm()->setTime(kNow);
    wm()->setGSTime(kNow);
    sense(kStanding);
    standAt(0, 0, 0);
    oppGoalAt(10, 0);
    ourGoalAt(-6, 0);
    seeBall(2, 0);
    wm()->setGlobalPosOfBall(Point(2, 0, 0.04));
}

inline bool hasNonFinite(const std::string& text) {
    return text.find("nan") != std::string::npos || text.find("inf") != std::string::npos;
}

inline int countOf(const std::string& text, const std::string& word) {
    int n = 0;
    for (std::size_t p = text.find(word); p != std::string::npos; p = text.find(word, p + 1)) ++n;
    return n;
}

// What one behaviour call asked for, read before the skill is handed to
// the manager (which may delete it at once).
struct Request {
    SkillID id = SKILL_NOTHING;
    bool none = true;      // the call returned null
    bool running = false;  // the call returned the running skill itself
    double degree = NAN;   // walk: turning degree, positive turns clockwise
    double speed = NAN;    // walk: requested speed
    double heading = NAN;  // turn: target heading
    RotateDirection rot = Clock_Wise;
    std::string printed;  // console output of the call
    std::string command;  // command text the call composed
};

// One behaviour call as the decision layer makes it: the result goes to the
// skill manager, which owns it from then on.
inline Request ask(const std::function<SkillBase*()>& behaviour) {
    Request r;
    cc()->reset();
    testing::internal::CaptureStdout();
    SkillBase* s = behaviour();
    r.command = cc()->getPreparedCommand();
    if (s != nullptr) {
        r.none = false;
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

// Runs the manager for one cycle, quietly; the running skill afterwards.
inline SkillBase* runManager() {
    testing::internal::CaptureStdout();
    sm()->runSkills();
    testing::internal::GetCapturedStdout();
    return sm()->getRunningSkill();
}

// A walk already running, as after a few cycles of walking.
inline TFSWalk* walkRunning() {
    auto* w = new TFSWalk();
    testing::internal::CaptureStdout();
    sm()->putSkillInQ(w);
    testing::internal::GetCapturedStdout();
    return w;
}

// The waiting point a " Keep Point = " line names.
inline bool keepPoint(const std::string& printed, double& x, double& y) {
    const std::size_t at = printed.find(" Keep Point = ");
    if (at == std::string::npos) return false;
    return std::sscanf(printed.c_str() + at, " Keep Point = X= %lf Y= %lf", &x, &y) == 2;
}

}  // namespace behaviourtest
