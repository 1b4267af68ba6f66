#include "skills/lowLevelSkills/BSWalk.h"

#include <cmath>
#include <string>

#include "control/BSWOscilator.h"
#include "geometry/Point.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

// Side steps are short: the follower closes the error over seventy control
// steps instead of a hundred.
constexpr double kFollowerSteps = 70.0;
constexpr double kDeadBand = 0.01;

std::unique_ptr<Logger> openTrace(const char* name) {
    auto logger = std::make_unique<Logger>();
    logger->setLogPath(std::string("log/turnAnalize/") + name);
    logger->openLogFile();
    return logger;
}

}  // namespace

BSWalk::BSWalk(Direction d)
    : params{0, 0, 0, 0, 0, 0, 0, 0},
      beginTime(WM->getTime()),
      MinErr(kDeadBand),
      sideDir(d),
      rlx_log(openTrace("RightLegX.txt")),
      llx_Log(openTrace("LeftLegX.txt")),
      rly_Log(openTrace("RightLegY.txt")),
      lly_Log(openTrace("LeftLegY.txt")),
      rk_Log(openTrace("RightKnee.txt")),
      lk_Log(openTrace("LeftKnee.txt")),
      // The hip-yaw joints are not driven, but their traces are kept so the
      // analysis finds every leg joint's file.
      rlr_Log(openTrace("RightLegRotate.txt")),
      llr_Log(openTrace("LeftLegRotate.txt")),
      rax_Log(openTrace("RightLegAnkleX.txt")),
      lax_Log(openTrace("LeftLegAnkleX.txt")),
      ray_Log(openTrace("RightLegAnkleY.txt")),
      lay_Log(openTrace("LeftLegAnkleY.txt")) {}

// Destroying the loggers writes the trace files.
BSWalk::~BSWalk() = default;

void BSWalk::setOscParameters(const double* p) {
    if (p == nullptr) return;
    for (int i = 0; i < kParamCount; ++i) params[i] = p[i];
}

SkillID BSWalk::getSkillID() { return SKILL_BESIDE_WALK; }

bool BSWalk::run() {
    fallower();
    return true;
}

double BSWalk::predictEffector(double current, double target) const {
    const double err = target - current;
    if (!std::isfinite(err) || MinErr > std::fabs(err)) return 0.0;
    const double v = err / (kCycleStep * kFollowerSteps);
    if (std::fabs(v) > kMaxJointSpeed) return err > 0 ? kMaxJointSpeed : -kMaxJointSpeed;
    return v;
}

void BSWalk::fallower() {
    const double t = (WM->getTime() - beginTime) + kCycleStep;
    BSWOsc osc(t, sideDir);
    osc.setOscParameters(params);
    osc.calcOsc();

    // The speed for one joint; its target, sensed angle and phase go to the
    // joint's trace.
    auto follow = [this, t](DOFID joint, double target, Logger& trace) {
        const float speed = static_cast<float>(predictEffector(WM->getDOF(joint), target));
        trace.log(Point(target, WM->getDOF(joint), t));
        return speed;
    };
    CC->moveRLegAx1(follow(DOF_LEG_RX, osc.getRHipX(), *rlx_log));
    CC->moveLLegAx1(follow(DOF_LEG_LX, osc.getLHipX(), *llx_Log));
    CC->moveRLegAx2(follow(DOF_LEG_RY, osc.getRHipY(), *rly_Log));
    CC->moveLLegAx2(follow(DOF_LEG_LY, osc.getLHipY(), *lly_Log));
    CC->moveRKnee(follow(DOF_KNEE_R, osc.getRKnee(), *rk_Log));
    CC->moveLKnee(follow(DOF_KNEE_L, osc.getLKnee(), *lk_Log));
    CC->moveRAnkleAx1(follow(DOF_ANKLE_RX, osc.getRAnkleX(), *rax_Log));
    CC->moveLAnkleAx1(follow(DOF_ANKLE_LX, osc.getLAnkleX(), *lax_Log));
    CC->moveRAnkleAx2(follow(DOF_ANKLE_RY, osc.getRAnkleY(), *ray_Log));
    CC->moveLAnkleAx2(follow(DOF_ANKLE_LY, osc.getLAnkleY(), *lay_Log));
}
