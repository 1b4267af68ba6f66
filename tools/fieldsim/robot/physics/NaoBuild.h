// The rigid bodies of the humanoid as the real server builds them: the shape,
// size and mass of each part, where its centre sits at the build pose
// (torso-relative, model frame: +x right, +y forward, +z up), the part it
// hangs from and the hinge that joins them. Masses are spread uniformly over
// the shapes; no part carries an inertia tensor of its own.
#pragma once

#include "util/Vec3.h"

enum class PartShape { Box, Sphere, Capsule };

struct PartBuild {
    const char* name;
    PartShape shape;
    // Box: full lengths along x, y, z. Sphere: x is the radius. Capsule (along
    // its local z): x is the radius, y the length without the end caps.
    Vec3 size;
    double mass;  // kg
    Vec3 centre;  // torso-relative at the build pose
    int parent;   // part index; -1 for the torso
    int joint;    // hinge to the parent (joint index in perception order); -1 for the torso
    bool collider;
};

class NaoBuild {
public:
    static constexpr int kPartCount = 23;
    enum Part {
        Torso = 0, Neck, Head,
        RShoulder, RUpperArm, RElbow, RLowerArm,
        LShoulder, LUpperArm, LElbow, LLowerArm,
        RHip1, RHip2, RThigh, RShank, RAnkle, RFoot,
        LHip1, LHip2, LThigh, LShank, LAnkle, LFoot
    };

    static const PartBuild& part(int index);
    // The part a joint moves (the child of the hinge).
    static int childOf(int joint);

    // Where the real server builds a new robot's torso, before it joins a team.
    static constexpr Vec3 kBuildPosition{0.0, -1.0, 1.5};
};
