// Figures of the simulated humanoid: its 22 hinge joints (in the order the
// perception reports them), body sizes and mass. Everything here is the model
// frame at construction: +x the robot's right, +y its forward, +z up.
#pragma once

#include <string>

#include "util/Vec3.h"

struct JointFigures {
    const char* perceptor;  // name in (HJ (n ...))
    const char* effector;   // name of the velocity command
    Vec3 axis;              // rotation axis at the zero pose
    Vec3 anchor;            // anchor point relative to the torso centre at the zero pose
    double minDeg;
    double maxDeg;
    double maxSpeed;  // rad/s
};

// One rigid body of the robot: its mass, its centre at the zero pose
// (torso-relative) and the last joint of the chain that carries it (-1: the
// torso itself).
struct BodyPart {
    const char* name;
    double mass;  // kg
    Vec3 centre;
    int joint;
};

class NaoModel {
public:
    static constexpr int kJointCount = 22;

    // Joint indices, in the perception order.
    enum Joint {
        HJ1 = 0, HJ2,
        RAJ1, RAJ2, RAJ3, RAJ4,
        LAJ1, LAJ2, LAJ3, LAJ4,
        RLJ1, RLJ2, RLJ3, RLJ4, RLJ5, RLJ6,
        LLJ1, LLJ2, LLJ3, LLJ4, LLJ5, LLJ6
    };

    static const JointFigures& joint(int index);
    // Index of the joint driven by an effector name such as "rle3"; -1 when unknown.
    static int jointByEffector(const std::string& name);
    // Index of the joint reported under a perceptor name such as "rlj3"; -1 when unknown.
    static int jointByPerceptor(const std::string& name);

    static constexpr int kBodyPartCount = 23;
    static const BodyPart& bodyPart(int index);

    static constexpr double kTotalMass = 4.6071;  // kg
    static constexpr double kGravity = 9.81;      // m/s^2
    // Centres of the bodies other robots see, at the zero pose, torso-relative.
    static constexpr Vec3 kHeadCentre{0.0, 0.0, 0.155};
    static constexpr Vec3 kRightLowerArmCentre{0.098, 0.14, 0.084};
    static constexpr Vec3 kLeftLowerArmCentre{-0.098, 0.14, 0.084};
    static constexpr Vec3 kRightFootCentre{0.055, 0.025, -0.375};
    static constexpr Vec3 kLeftFootCentre{-0.055, 0.025, -0.375};
    static constexpr double kFootHalfWidth = 0.04;   // along x
    static constexpr double kFootHalfLength = 0.08;  // along y
    static constexpr double kFootHalfHeight = 0.01;  // along z
    // Half the torso box's depth: the torso centre's height when lying flat.
    static constexpr double kTorsoHalfDepth = 0.05;
    // Torso centre to the head's top and to the soles, at the zero pose.
    static constexpr double kHeadTopAbove = 0.220;
    static constexpr double kSoleBelow = 0.385;
};
