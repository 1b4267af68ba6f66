#include "skills/lowLevelSkills/TurnSkill.h"

#include <cmath>

#include "control/TurnOsc.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

// A_heapY, A_heapX, k_heapX, A_rot_heap, A_knee, k_knee, Period.
const double kTurnGait[7] = {-21.0775, 7.57088, 0.245435, -22.5117, -29.8764, -14.7555, 0.596956};

// The follower closes the error over a hundred control steps.
constexpr double kFollowerSteps = 100.0;
constexpr double kDeadBand = 0.01;

RotateDirection directionOf(double deg) {
    return deg > 0 ? Counter_Clock_Wise : Clock_Wise;
}

}  // namespace

TurnSkill::TurnSkill(double deg)
    : params{0, 0, 0, 0, 0, 0, 0},
      beginTime(WM->getTime()),
      Degree(deg),
      rotDir(directionOf(deg)),
      MinErr(kDeadBand) {}

TurnSkill::TurnSkill() : TurnSkill(0.0) {}

void TurnSkill::setDeg(double deg) {
    if (deg != Degree) {
        passed = false;
        lastErr = std::nan("");
    }
    Degree = deg;
    rotDir = directionOf(deg);
}

double TurnSkill::getDeg() const { return Degree; }
RotateDirection TurnSkill::getRotDir() const { return rotDir; }

void TurnSkill::setOscParameters(const double* p) {
    if (p == nullptr) return;
    for (int i = 0; i < 7; ++i) params[i] = p[i];
}

SkillID TurnSkill::getSkillID() { return SKILL_TFS_TURN; }

bool TurnSkill::run() {
    const double err = Degree - WM->getDir().getZ();
    // The yaw moves about a degree a cycle and seldom lands within the
    // tolerance: an error that changes sign in a small step means the
    // heading has just been passed, and the turn holds there until it is
    // given another heading, instead of spinning round for another try.
    if (std::fabs(err) < kPassedStep && std::fabs(lastErr) < kPassedStep &&
        (err > 0) != (lastErr > 0)) {
        passed = true;
    }
    lastErr = err;
    if (!passed && std::fabs(err) > kHeadingTolerance) {
        fallower(rotDir);
        finished = true;
    } else {
        PatternAligner standing;
        standing.run();
        finished = false;
    }
    return finished;
}

double TurnSkill::predictEffector(double current, double target) const {
    const double err = target - current;
    if (!std::isfinite(err) || MinErr > std::fabs(err)) return 0.0;
    const double v = err / (kCycleStep * kFollowerSteps);
    if (std::fabs(v) > kMaxJointSpeed) return err > 0 ? kMaxJointSpeed : -kMaxJointSpeed;
    return v;
}

void TurnSkill::fallower(RotateDirection dir) {
    const double t = (WM->getTime() - beginTime) + kCycleStep;
    TurnOsc osc(t, dir);
    osc.setOscParameters(kTurnGait);
    osc.calcOsc();
    auto follow = [this](DOFID joint, double target) {
        return static_cast<float>(predictEffector(WM->getDOF(joint), target));
    };
    CC->moveRLegAx1(follow(DOF_LEG_RX, osc.getRHeapX()));
    CC->moveLLegAx1(follow(DOF_LEG_LX, osc.getLHeapX()));
    CC->moveRLegAx2(follow(DOF_LEG_RY, osc.getRHeapY()));
    CC->moveLLegAx2(follow(DOF_LEG_LY, osc.getLHeapY()));
    CC->moveRKnee(follow(DOF_KNEE_R, osc.getRKnee()));
    CC->moveLKnee(follow(DOF_KNEE_L, osc.getLKnee()));
    CC->rotateRLeg(follow(DOF_LEG_RT, osc.getRHeapRot()));
    CC->rotateLLeg(follow(DOF_LEG_LT, osc.getLHeapRot()));
    CC->moveRAnkleAx1(follow(DOF_ANKLE_RX, osc.getRAnkleX()));
    CC->moveLAnkleAx1(follow(DOF_ANKLE_LX, osc.getLAnkleX()));
    CC->moveRAnkleAx2(follow(DOF_ANKLE_RY, osc.getRAnkleY()));
    CC->moveLAnkleAx2(follow(DOF_ANKLE_LY, osc.getLAnkleY()));
}
