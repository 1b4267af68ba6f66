#include "skills/lowLevelSkills/TFSSkill.h"

#include <algorithm>
#include <cmath>

#include "buildMode.h"
#include "control/TFSOscillator.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {
constexpr double kUnset = -1000.0;
// The follower closes the error over a hundred control steps.
constexpr double kFollowerSteps = 100.0;
}  // namespace

TFSSkill::TFSSkill()
    : timeR(0), predTime(0), aRot(0),
      RM(1.0), RS(1.0), RMS(1.0), RSS(1.0),
      RMaArm(1.0), RSaArm(1.0), RMaRot(1.0), RSaRot(1.0), RMaFWRot(1.0), RSaFWRot(1.0),
      RMaHip(1.0), RSaHip(1.0), RMbHip(1.0), RSbHip(1.0), RMaHipY(1.0), RSaHipY(1.0),
      RMaknee(1.0), RSaknee(1.0),
      // The derived walk loads its gait before the first cycle; until then a
      // zero gait has no period and holds the legs still.
      aK(0), t1(0), t2(0), cK(0), aArm(0), aHY(0), aH(0), bH(0), cH(0), p(0),
      beginStep2Time(0),
      isReverse(false) {
    std::fill(lastAngle, lastAngle + kFollowerCount, kUnset);
    std::fill(lastError, lastError + kFollowerCount, kUnset);
}

void TFSSkill::setOSCParamsByHipY(const double* v) {
    if (v == nullptr) return;
    aK = v[0];
    t1 = 0.0;
    t2 = v[1] * 2.0 * v[8];
    cK = v[2];
    aArm = v[3];
    aHY = v[4];
    aH = v[5];
    bH = v[6];
    cH = v[7];
    p = v[8];
    timeR = v[9];
}

void TFSSkill::setReverse(bool reverse) { isReverse = reverse; }
bool TFSSkill::isSwappingLeg() const { return isReverse; }
double TFSSkill::getPredTime() const { return predTime; }

double TFSSkill::predictEffector(int index, double current, double target) {
    const double err = target - current;
    double v = 0.0;
    if (std::isfinite(err)) {
        v = err * 1.0 / (kCycleStep * kFollowerSteps);
        v = std::clamp(v, -kMaxJointSpeed, kMaxJointSpeed);
    }
    if (index >= 0 && index < kFollowerCount) {
        if (lastError[index] == kUnset) lastError[index] = 0.0;
        if (lastAngle[index] == kUnset) lastAngle[index] = current;
        lastError[index] = v;
        lastAngle[index] = current;
    }
    return v;
}

void TFSSkill::fallower() {
    // The phase one control step ahead: the commands sent now take effect
    // in the next cycle.
    predTime = (WM->getTime() - beginStep2Time) + kCycleStep;
    TFSOscillator osc(predTime);
    devOut("in follower: ", RM, " , ", RS, "\n");
    osc.setR(RMaArm, RSaArm, RMaRot, RSaRot, RMaFWRot, RSaFWRot, RMaHip, RSaHip, RMbHip, RSbHip,
             RMaHipY, RSaHipY, RMaknee, RSaknee);
    osc.setRotAmp(aRot);
    const double gait[10] = {aK, t1, t2, cK, aArm, aHY, aH, bH, cH, p};
    osc.setOscParameters(gait);
    osc.calcOSC();

    // The right leg is the master unless the legs are swapped.
    const bool rev = isReverse;
    const double rHipX = rev ? osc.slaveHipXGEN() : osc.masterHipXGEN();
    const double lHipX = rev ? osc.masterHipXGEN() : osc.slaveHipXGEN();
    const double rKnee = rev ? osc.slaveKneeGEN() : osc.masterKneeGEN();
    const double lKnee = rev ? osc.masterKneeGEN() : osc.slaveKneeGEN();
    const double rAnkleX = rev ? osc.slaveAnkleGEN() : osc.masterAnkleGEN();
    const double lAnkleX = rev ? osc.masterAnkleGEN() : osc.slaveAnkleGEN();
    const double rAnkleY = rev ? osc.slaveAnkleYGEN() : osc.masterAnkleYGEN();
    const double lAnkleY = rev ? osc.masterAnkleYGEN() : osc.slaveAnkleYGEN();
    const double rHipY = rev ? osc.slaveHipYGEN() : osc.masterHipYGEN();
    const double lHipY = rev ? osc.masterHipYGEN() : osc.slaveHipYGEN();
    const double rArm = rev ? osc.slaveArmGEN() : osc.masterArmGEN();
    const double lArm = rev ? osc.masterArmGEN() : osc.slaveArmGEN();
    const double rRot = rev ? osc.slaveRotGEN() : osc.masterRotGEN();
    const double lRot = rev ? osc.masterRotGEN() : osc.slaveRotGEN();

    auto follow = [this](int index, DOFID joint, double target) {
        return static_cast<float>(predictEffector(index, WM->getDOF(joint), target));
    };

    CC->moveRLegAx1(follow(0, DOF_LEG_RX, rHipX));
    CC->moveLLegAx1(follow(1, DOF_LEG_LX, lHipX));
    CC->moveRKnee(follow(4, DOF_KNEE_R, rKnee));
    CC->moveLKnee(follow(5, DOF_KNEE_L, lKnee));
    if (!rev) {
        CC->moveRAnkleAx1(follow(8, DOF_ANKLE_RX, rAnkleX));
        CC->moveLAnkleAx1(follow(9, DOF_ANKLE_LX, lAnkleX));
        CC->moveRAnkleAx2(follow(12, DOF_ANKLE_RY, rAnkleY));
        CC->moveLAnkleAx2(follow(13, DOF_ANKLE_LY, lAnkleY));
    } else {
        CC->moveRAnkleAx1(follow(8, DOF_ANKLE_RX, rAnkleX));
        CC->moveRAnkleAx2(follow(12, DOF_ANKLE_RY, rAnkleY));
        CC->moveLAnkleAx1(follow(9, DOF_ANKLE_LX, lAnkleX));
        CC->moveLAnkleAx2(follow(13, DOF_ANKLE_LY, lAnkleY));
    }
    CC->moveLLegAx2(follow(3, DOF_LEG_LY, lHipY));
    CC->moveRLegAx2(follow(2, DOF_LEG_RY, rHipY));
    CC->moveRShoulderAx1(follow(6, DOF_SHOULDER_RX, rArm));
    CC->moveLShoulderAx1(follow(7, DOF_SHOULDER_LX, lArm));
    const float rRotCmd = follow(10, DOF_LEG_RT, rRot);
    if (!rev) {
        devOut("rROT: ", aRot, "\n", "ROT Deg: ", osc.masterRotGEN(), "\n", "ROT Eff: ", rRotCmd,
               "\n");
    }
    CC->rotateRightLeg(rRotCmd);
    CC->rotateLeftLeg(follow(11, DOF_LEG_LT, lRot));
}
