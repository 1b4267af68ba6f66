#include "skills/lowLevelSkills/NaoBesideWalking.h"

#include <string>

#include "utils/CommandCreator.h"

namespace {

enum StepPhase { kNotStarted = 0, kSpreading = 1, kClosing = 2 };

struct Spread {
    double leftHipRoll, rightHipRoll, leftAnkleRoll, rightAnkleRoll;
};

// The spread posture: the stepping hip rolls out by the step width, the
// opposite ankle rolls to keep the standing foot flat.
Spread spreadFor(bool direction, int speed) {
    const double width = (speed == 1) ? 15.0 : (speed == 3) ? 35.0 : 25.0;
    if (!direction) return {width, 0.0, 0.0, 10.0};
    return {0.0, -width, -10.0, 0.0};
}

}  // namespace

NaoBesideWalking::NaoBesideWalking(bool dir)
    : direction(false),
      speed(2),
      dlleg(0), drleg(0), dlknee(0), drknee(0), dlankle(0), drankle(0),
      rotateLevel(0) {
    finished = false;
    setSpeed(2);
    setRotate(0.0);
    setDirection(dir);
}

void NaoBesideWalking::setDirection(bool dir) { direction = dir; }
void NaoBesideWalking::setSpeed(int s) { speed = s; }

void NaoBesideWalking::setDefaultPos(double lleg, double rleg, double lknee, double rknee,
                                     double lankle, double rankle) {
    dlleg = lleg;
    drleg = rleg;
    dlknee = lknee;
    drknee = rknee;
    dlankle = lankle;
    drankle = rankle;
}

void NaoBesideWalking::setRotate(double r) {
    rotateLevel = r;
    if (r > 0) CC->SetArmsAngle(90, 90, 0, 0, 0, 0);
}

SkillID NaoBesideWalking::getSkillID() { return SKILL_NAO_BESIDE_WALKING; }

bool NaoBesideWalking::run() {
    // Shared by all instances: a step interrupted by the skill manager
    // resumes in its phase with the next instance.
    static int stepPhase = kNotStarted;

    finished = false;
    if (rotateLevel > 0.5) setDefaultPos(rotateLevel, rotateLevel, 0, 0, 0, 0);
    if (stepPhase == kNotStarted) stepPhase = kSpreading;

    if (stepPhase == kSpreading) {
        const Spread s = spreadFor(direction, speed);
        const std::string away =
            CC->SetLegsAngle(dlleg, drleg, dlknee, drknee, dlankle, drankle, s.leftHipRoll,
                             s.rightHipRoll, s.leftAnkleRoll, s.rightAnkleRoll);
        if (!away.empty()) return finished;
        stepPhase = kClosing;
    }
    if (stepPhase == kClosing) {
        const std::string away =
            CC->SetLegsAngle(dlleg, drleg, dlknee, drknee, dlankle, drankle, 0, 0, 0, 0);
        if (away.empty()) {
            stepPhase = kSpreading;
            finished = true;
        }
    }
    return finished;
}
