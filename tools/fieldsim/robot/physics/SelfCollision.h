// The real server's self-collision rule: once per cycle while the game runs,
// it tests every pair of a robot's box colliders; where two overlap deeply,
// the joints of the limbs involved are frozen for a while (new commands for
// them become speed 0). Nothing else reacts to a robot's limbs passing
// through each other: its own parts never collide.
#pragma once

#include "util/Pose.h"
#include "util/Vec3.h"

class SelfCollision {
public:
    static constexpr double kTolerance = 0.04;   // m of overlap on every separating axis
    static constexpr double kFreezeFor = 1.0;    // s a joint stays frozen
    static constexpr double kRefreezeAfter = 3.0;  // s from a freeze before the next one

    // True when two oriented boxes (centre and orientation, half extents)
    // overlap by more than `tolerance` along every axis that could separate them.
    static bool deepOverlap(const Pose& a, const Vec3& halfA, const Pose& b, const Vec3& halfB,
                            double tolerance = kTolerance);
};
