#include "skills/lowLevelSkills/PatternAligner.h"

#include <cmath>
#include <limits>

#include "geometry/Geometry.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

// A reading or target far outside any joint's range marks a joint nobody
// has set (9999 by convention); it is no angle to steer by.
bool isRealAngle(double value) {
    return std::isfinite(value) && std::fabs(value) < BodyState::kUnsetLimit;
}

}  // namespace

PatternAligner::PatternAligner() : telorance(0.2f), power(10.0f), powerAdd(0.05f) {
    BS.setAllZero();
    BS.setDOF(DOF_SHOULDER_RY, -10);
    BS.setDOF(DOF_SHOULDER_RT, 90);
    BS.setDOF(DOF_SHOULDER_LY, 10);
    BS.setDOF(DOF_SHOULDER_LT, -90);
    BS.setDOF(DOF_LEG_RX, 11);
    BS.setDOF(DOF_KNEE_R, -29);
    BS.setDOF(DOF_ANKLE_RX, 18);
    BS.setDOF(DOF_LEG_LX, 11);
    BS.setDOF(DOF_KNEE_L, -29);
    BS.setDOF(DOF_ANKLE_LX, 18);
    copyTargetToJoints();
}

void PatternAligner::setPattern(const BodyState& target) {
    BS = target;
    copyTargetToJoints();
}

void PatternAligner::setPattern(const double* values) {
    if (values == nullptr) {
        return;
    }
    BS.setBodyState(values);
    copyTargetToJoints();
}

void PatternAligner::setPattern(double rightSholderY, double rightSholderX, double leftSholderX,
                                double rightLegX, double leftLegX, double rightWirst,
                                double leftWirst, double rightKnee, double leftKnee,
                                double rightAnkleX, double leftAnkleX, double leftSholderY,
                                double rightLegY, double leftLegY, double rightAnkleY,
                                double leftAnkleY, double hPan, double hTilt) {
    BS.setBodyWithVORPattern(rightSholderY, rightSholderX, leftSholderX, rightLegX, leftLegX,
                             rightWirst, leftWirst, rightKnee, leftKnee, rightAnkleX, leftAnkleX,
                             leftSholderY, rightLegY, leftLegY, rightAnkleY, leftAnkleY);
    BS.setDOF(DOF_HEAD_PAN, hPan);
    BS.setDOF(DOF_HEAD_TILT, hTilt);
    copyTargetToJoints();
}

void PatternAligner::setRestartParameter(float newTelorance, float newPower, float newPowerAdd) {
    telorance = newTelorance;
    power = newPower;
    powerAdd = newPowerAdd;
}

float PatternAligner::jointSpeed(double current, double target, bool& aligned) const {
    aligned = true;
    if (!isRealAngle(current) || !isRealAngle(target)) {
        return 0.0f;
    }
    const float e = static_cast<float>(current - target);
    if (!(std::fabs(e) > telorance)) {
        return 0.0f;
    }
    aligned = false;
    // Absurd gains (infinite, not a number, or large enough to overflow a
    // float) must not reach the server; the joint then holds still, unaligned.
    const double proportional = (e / -180.0) * power;
    if (!(std::fabs(proportional) <= std::numeric_limits<float>::max())) {
        return 0.0f;
    }
    const float speed =
        static_cast<float>(proportional) - static_cast<float>(Geometry::signX(e)) * powerAdd;
    return std::isfinite(speed) ? speed : 0.0f;
}

bool PatternAligner::run() {
    finished = true;
    float speed[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) {
        const DOFID id = static_cast<DOFID>(i);
        bool aligned = true;
        speed[i] = jointSpeed(WM->getDOF(id), BS.getDOF(id), aligned);
        if (!aligned) {
            finished = false;
        }
    }

    CC->moveHeadAx1(speed[DOF_HEAD_PAN]);
    CC->moveHeadAx2(speed[DOF_HEAD_TILT]);
    CC->moveLeftLeg(speed[DOF_LEG_LX], speed[DOF_LEG_LY]);
    CC->moveRightLeg(speed[DOF_LEG_RX], speed[DOF_LEG_RY]);
    CC->moveLeftAnkle(speed[DOF_ANKLE_LX], speed[DOF_ANKLE_LY]);
    CC->moveRightAnkle(speed[DOF_ANKLE_RX], speed[DOF_ANKLE_RY]);
    CC->moveLeftKnee(speed[DOF_KNEE_L]);
    CC->moveRightKnee(speed[DOF_KNEE_R]);
    CC->rotateLeftLeg(speed[DOF_LEG_LT]);
    CC->rotateRightLeg(speed[DOF_LEG_RT]);
    CC->moveLeftElbow(speed[DOF_ELBOW_L]);
    CC->moveRightElbow(speed[DOF_ELBOW_R]);
    CC->rotateLeftHand(speed[DOF_SHOULDER_LT]);
    CC->rotateRightHand(speed[DOF_SHOULDER_RT]);
    CC->moveLeftShoulder(speed[DOF_SHOULDER_LX], speed[DOF_SHOULDER_LY]);
    CC->moveRightShoulder(speed[DOF_SHOULDER_RX], speed[DOF_SHOULDER_RY]);
    return finished;
}

SkillID PatternAligner::getSkillID() { return SKILL_PATTERN_ALIGNER; }

BodyState PatternAligner::getPattern() const { return BS; }

float PatternAligner::getTelorance() const { return telorance; }

float PatternAligner::getPower() const { return power; }

float PatternAligner::getPowerAdd() const { return powerAdd; }

void PatternAligner::copyTargetToJoints() {
    hPan = BS.getDOF(DOF_HEAD_PAN);
    hTilt = BS.getDOF(DOF_HEAD_TILT);
    rightSholderX = BS.getDOF(DOF_SHOULDER_RX);
    rightSholderY = BS.getDOF(DOF_SHOULDER_RY);
    rightWirst = BS.getDOF(DOF_SHOULDER_RT);
    rightElbow = BS.getDOF(DOF_ELBOW_R);
    leftSholderX = BS.getDOF(DOF_SHOULDER_LX);
    leftSholderY = BS.getDOF(DOF_SHOULDER_LY);
    leftWirst = BS.getDOF(DOF_SHOULDER_LT);
    leftElbow = BS.getDOF(DOF_ELBOW_L);
    rRightLeg = BS.getDOF(DOF_LEG_RT);
    rightLegY = BS.getDOF(DOF_LEG_RY);
    rightLegX = BS.getDOF(DOF_LEG_RX);
    rightKnee = BS.getDOF(DOF_KNEE_R);
    rightAnkleX = BS.getDOF(DOF_ANKLE_RX);
    rightAnkleY = BS.getDOF(DOF_ANKLE_RY);
    rLeftLeg = BS.getDOF(DOF_LEG_LT);
    leftLegY = BS.getDOF(DOF_LEG_LY);
    leftLegX = BS.getDOF(DOF_LEG_LX);
    leftKnee = BS.getDOF(DOF_KNEE_L);
    leftAnkleX = BS.getDOF(DOF_ANKLE_LX);
    leftAnkleY = BS.getDOF(DOF_ANKLE_LY);
}

void queueKeyframe(const double* angles, PatternAligner& aligner, BodyState& scratch,
                   PatternMonitor& monitor) {
    scratch.setBodyState(angles);
    aligner.setPattern(scratch);
    monitor.enQ(scratch);
}
