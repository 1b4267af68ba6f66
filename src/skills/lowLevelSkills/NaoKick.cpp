#include "skills/lowLevelSkills/NaoKick.h"

#include <cmath>

#include "control/TFSOscillator.h"
#include "dmu/DMUtil.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kCycleStep = 0.02;
// Server times are kept in single precision, so "exactly 0.6 s later" can
// come out a few microseconds short; half a millisecond is far below one
// cycle.
constexpr double kTimeSlack = 5e-4;

}  // namespace

NaoKick::NaoKick()
    : time1(0), rl2_s1(0), rl3_s1(0), rl4_s1(0), e_hip(0), e_ankle(0), ll2_s1(0), ll4_s1(0),
      time2(0), rl2_s2(0), aK(0), t1(0), t2(0), cK(0), aH(0), bH(0), cH(0), p(0), rM(0), rS(0),
      finishStep1(false), finishWalk(false), beginStep2Time(0), beginStep1Time(0), bTime(0) {
    beginStep1Time = WM->getTime();
    init();
    init2();
}

NaoKick::~NaoKick() = default;

void NaoKick::init() {
    TFSTinyObj.reset();
    beginStep2Time = WM->getTime();
    finishStep1 = false;
}

void NaoKick::init2() { bTime = WM->getTime(); }

void NaoKick::setParameters(double newAK, double newT2, double newCK, double newAH, double newBH,
                            double newCH, double newP, double newRM, double newRS) {
    aK = newAK;
    t2 = newT2;
    cK = newCK;
    aH = newAH;
    bH = newBH;
    cH = newCH;
    p = newP;
    rM = newRM;
    rS = newRS;
}

void NaoKick::setTFSParameters(const double* v) {
    if (v == nullptr) return;
    setParameters(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
}

bool NaoKick::walkBeforeKick(double duration) {
    if (!dmutil->keepHandInBeside(kArmRate)) {
        finishWalk = false;
        init2();
        return false;
    }
    const double elapsed = WM->getTime() - bTime;
    if (elapsed + kTimeSlack >= duration) {
        TFSTinyObj.reset();
        finishWalk = true;
    } else {
        if (!TFSTinyObj) TFSTinyObj.reset(new TFSWalk());
        TFSTinyObj->run();
        finishWalk = false;
    }
    return finishWalk;
}

void NaoKick::fallower() {
    const double t = WM->getTime() - beginStep2Time;
    TFSOscillator kickOsc(t + kCycleStep);
    kickOsc.calcOSC();
}

double NaoKick::predictEffector(float from, float to) {
    const double speed = (static_cast<double>(to) - from) / (kCycleStep * 100.0);
    return std::isfinite(speed) ? speed : 0.0;
}

bool NaoKick::run() {
    if (walkBeforeKick(kStepDuration)) fallower();
    return finished;
}

SkillID NaoKick::getSkillID() { return SKILL_NAO_KICK; }
