// A rigid placement: a rotation followed by a translation (p' = rot * p + pos).
#pragma once

#include "util/Mat3.h"
#include "util/Vec3.h"

struct Pose {
    Mat3 rot;
    Vec3 pos;

    Vec3 apply(const Vec3& p) const { return rot * p + pos; }
    // This placement applied after `inner`.
    Pose compose(const Pose& inner) const { return {rot * inner.rot, rot * inner.pos + pos}; }
    // Coordinates of the world point `p` in this placement's own frame.
    Vec3 toLocal(const Vec3& p) const { return rot.transposed() * (p - pos); }
};
