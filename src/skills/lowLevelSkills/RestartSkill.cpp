#include "skills/lowLevelSkills/RestartSkill.h"

#include "geometry/Point.h"
#include "objects/BodyState.h"
#include "objects/Gyro.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr float kRestartPowerAdd = 0.05f;

}  // namespace

RestartSkill::RestartSkill(float telorance, float power, float stablity, float gyroThr)
    : pa(new PatternAligner()),
      telorance(telorance),
      power(power),
      stablity(stablity),
      gyroThr(gyroThr),
      finishAlighn(false) {
    // Arms hanging beside the body, every other joint straight.
    BodyState restart;
    restart.setAllZero();
    restart.setDOF(DOF_SHOULDER_RX, -15);
    restart.setDOF(DOF_SHOULDER_RT, 90);
    restart.setDOF(DOF_ELBOW_R, 85);
    restart.setDOF(DOF_SHOULDER_LX, -15);
    restart.setDOF(DOF_SHOULDER_LT, -90);
    restart.setDOF(DOF_ELBOW_L, -85);
    pa->setPattern(restart);
    pa->setRestartParameter(telorance, power, kRestartPowerAdd);
}

RestartSkill::~RestartSkill() { delete pa; }

// The stored tolerance and power are the aligner's; keeping the two apart
// would leave a setter without effect.
void RestartSkill::setTelorance(float t) {
    telorance = t;
    pa->setRestartParameter(telorance, power, kRestartPowerAdd);
}

void RestartSkill::setPower(float p) {
    power = p;
    pa->setRestartParameter(telorance, power, kRestartPowerAdd);
}

void RestartSkill::setStablity(float s) { stablity = s; }

void RestartSkill::setRestartParameter(float t, float p, float s, float g) {
    telorance = t;
    power = p;
    stablity = s;
    gyroThr = g;
    pa->setRestartParameter(telorance, power, kRestartPowerAdd);
}

bool RestartSkill::run() {
    finishAlighn = pa->run();
    finished = checkState();
    return finished;
}

SkillID RestartSkill::getSkillID() { return SKILL_RESTART; }

bool RestartSkill::checkState() {
    // A rate that is not a number never counts as at rest.
    return finishAlighn && WM->getGyro().getRate().getMagnitude() < gyroThr;
}
