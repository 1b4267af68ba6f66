// Forward kinematics of the humanoid's joint chains. Each limb placement maps
// a point given in the zero-pose torso frame to where it is now, still in the
// torso frame, so a body centre's position is limb.apply(zero-pose centre) and
// its orientation relative to the torso is limb.rot.
#pragma once

#include <array>

#include "robot/NaoModel.h"
#include "util/Pose.h"
#include "util/Vec3.h"

using JointAngles = std::array<double, NaoModel::kJointCount>;  // rad

struct LimbPoses {
    Pose head;
    Pose rightLowerArm;
    Pose leftLowerArm;
    Pose rightFoot;
    Pose leftFoot;
};

class BodyKinematics {
public:
    static LimbPoses compute(const JointAngles& angles);
    // The placement after the joints first..first+count-1 of one chain.
    static Pose chain(const JointAngles& angles, int first, int count);
    // The placement of each of the 23 bodies (NaoModel::bodyPart order): the
    // map from its zero-pose points to where they are now, torso frame.
    static std::array<Pose, NaoModel::kBodyPartCount> parts(const JointAngles& angles);
    // The whole robot's centre of mass in the torso frame, from the masses
    // and zero-pose centres of all its bodies.
    static Vec3 centreOfMass(const JointAngles& angles);
};
