// What a contact between two colliders gets, as on the real server. Every
// collider declares a surface (or none); a pair takes the mean of the values
// both sides declare, the one value where only one side declares it, and
// nothing where neither does. Friction is unbounded for every pair; sliding
// comes only from force-dependent slip.
#pragma once

#include <ode/ode.h>

enum class ColliderKind { RobotPart, Ball, Ground, Static };

class Surfaces {
public:
    // The contact surface for a pair, in either order.
    static dSurfaceParameters pair(ColliderKind a, ColliderKind b);
};
