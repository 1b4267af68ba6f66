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

    struct Drive {
        DOFID joint;
        double target;
        void (CommandCreator::*command)(float);
        Logger* trace;
    };
    const Drive drives[] = {
        {DOF_LEG_RX, osc.getRHipX(), &CommandCreator::moveRLegAx1, rlx_log.get()},
        {DOF_LEG_LX, osc.getLHipX(), &CommandCreator::moveLLegAx1, llx_Log.get()},
        {DOF_LEG_RY, osc.getRHipY(), &CommandCreator::moveRLegAx2, rly_Log.get()},
        {DOF_LEG_LY, osc.getLHipY(), &CommandCreator::moveLLegAx2, lly_Log.get()},
        {DOF_KNEE_R, osc.getRKnee(), &CommandCreator::moveRKnee, rk_Log.get()},
        {DOF_KNEE_L, osc.getLKnee(), &CommandCreator::moveLKnee, lk_Log.get()},
        {DOF_ANKLE_RX, osc.getRAnkleX(), &CommandCreator::moveRAnkleAx1, rax_Log.get()},
        {DOF_ANKLE_LX, osc.getLAnkleX(), &CommandCreator::moveLAnkleAx1, lax_Log.get()},
        {DOF_ANKLE_RY, osc.getRAnkleY(), &CommandCreator::moveRAnkleAx2, ray_Log.get()},
        {DOF_ANKLE_LY, osc.getLAnkleY(), &CommandCreator::moveLAnkleAx2, lay_Log.get()},
    };
    for (const Drive& d : drives) {
        (CC->*d.command)(static_cast<float>(predictEffector(WM->getDOF(d.joint), d.target)));
        d.trace->log(Point(d.target, WM->getDOF(d.joint), t));
    }
}
