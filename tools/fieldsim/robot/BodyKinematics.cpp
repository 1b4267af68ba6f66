#include "robot/BodyKinematics.h"

namespace {

// A hinge turns its child about the anchor: p' = a + R (p - a).
Pose hinge(const JointAngles& angles, int j) {
    const JointFigures& figure = NaoModel::joint(j);
    Pose h;
    h.rot = Mat3::axisAngle(figure.axis, angles[j]);
    h.pos = figure.anchor - h.rot * figure.anchor;
    return h;
}

}  // namespace

Pose BodyKinematics::chain(const JointAngles& angles, int first, int count) {
    Pose result;
    for (int j = first; j < first + count; ++j) {
        result = result.compose(hinge(angles, j));
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

std::array<Pose, NaoModel::kBodyPartCount> BodyKinematics::parts(const JointAngles& angles) {
    // The placement after every joint, each chain built up joint by joint.
    Pose after[NaoModel::kJointCount];
    const int chainStarts[] = {NaoModel::HJ1, NaoModel::RAJ1, NaoModel::LAJ1, NaoModel::RLJ1, NaoModel::LLJ1};
    const int chainEnds[] = {NaoModel::HJ2, NaoModel::RAJ4, NaoModel::LAJ4, NaoModel::RLJ6, NaoModel::LLJ6};
    for (int c = 0; c < 5; ++c) {
        Pose p;
        for (int j = chainStarts[c]; j <= chainEnds[c]; ++j) {
            p = p.compose(hinge(angles, j));
            after[j] = p;
        }
    }
    std::array<Pose, NaoModel::kBodyPartCount> out;
    for (int i = 0; i < NaoModel::kBodyPartCount; ++i) {
        const int joint = NaoModel::bodyPart(i).joint;
        if (joint >= 0) out[i] = after[joint];
    }
    return out;
}

Vec3 BodyKinematics::centreOfMass(const JointAngles& angles) {
    const std::array<Pose, NaoModel::kBodyPartCount> placed = parts(angles);
    Vec3 sum;
    double mass = 0.0;
    for (int i = 0; i < NaoModel::kBodyPartCount; ++i) {
        const BodyPart& part = NaoModel::bodyPart(i);
        sum += placed[i].apply(part.centre) * part.mass;
        mass += part.mass;
    }
    return sum * (1.0 / mass);
}
