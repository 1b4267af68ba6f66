#include "robot/physics/SelfCollision.h"

#include <cmath>

namespace {

// Half the extent of a box along a unit axis.
double reach(const Pose& box, const Vec3& half, const Vec3& axis) {
    return half.x * std::fabs(box.rot.column(0).dot(axis)) + half.y * std::fabs(box.rot.column(1).dot(axis)) +
           half.z * std::fabs(box.rot.column(2).dot(axis));
}

}  // namespace

bool SelfCollision::deepOverlap(const Pose& a, const Vec3& halfA, const Pose& b, const Vec3& halfB,
                                double tolerance) {
    Vec3 axes[15];
    int n = 0;
    for (int i = 0; i < 3; ++i) axes[n++] = a.rot.column(i);
    for (int i = 0; i < 3; ++i) axes[n++] = b.rot.column(i);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const Vec3 c = a.rot.column(i).cross(b.rot.column(j));
            const double len = c.length();
            // Parallel edges give no axis of their own; the face axes cover them.
            if (len > 1e-6) axes[n++] = c * (1.0 / len);
        }
    }
    const Vec3 d = b.pos - a.pos;
    for (int k = 0; k < n; ++k) {
        const double overlap = reach(a, halfA, axes[k]) + reach(b, halfB, axes[k]) - std::fabs(d.dot(axes[k]));
        if (!(overlap > tolerance)) return false;
    }
    return true;
}
