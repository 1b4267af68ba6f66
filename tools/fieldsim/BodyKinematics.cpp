#include "BodyKinematics.h"

Pose BodyKinematics::chain(const JointAngles& angles, int first, int count) {
    Pose result;
    for (int j = first; j < first + count; ++j) {
        const JointSpec& spec = NaoModel::joint(j);
        // A hinge turns its child about the anchor: p' = a + R (p - a).
        Pose hinge;
        hinge.rot = Mat3::axisAngle(spec.axis, angles[j]);
        hinge.pos = spec.anchor - hinge.rot * spec.anchor;
        result = result.compose(hinge);
    }
    return result;
}

LimbPoses BodyKinematics::compute(const JointAngles& angles) {
    LimbPoses limbs;
    limbs.head = chain(angles, NaoModel::HJ1, 2);
    limbs.rightLowerArm = chain(angles, NaoModel::RAJ1, 4);
    limbs.leftLowerArm = chain(angles, NaoModel::LAJ1, 4);
    limbs.rightFoot = chain(angles, NaoModel::RLJ1, 6);
    limbs.leftFoot = chain(angles, NaoModel::LLJ1, 6);
    return limbs;
}
