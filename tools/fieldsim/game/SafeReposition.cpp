#include "game/SafeReposition.h"

#include <algorithm>
#include <cmath>

namespace {

struct Candidate {
    Vec3 spot;
    double distance;  // from the robot's current spot
    bool tried;
};

}  // namespace

bool SafeReposition::safe(const Vec3& spot, bool avoidBall, const Vec3& ball,
                          const std::vector<Box3>& others) const {
    // In or behind a goal: a robot there would stand in the goal's frame.
    if (std::fabs(spot.x) > field_.halfLength() &&
        std::fabs(spot.y) < field_.goalWidth() / 2.0 + kStep)
        return false;
    if (avoidBall && std::hypot(spot.x - ball.x, spot.y - ball.y) < kBallClearance) return false;
    for (const Box3& box : others) {
        if (RobotExtent::sphereMeetsBox(spot, kSphere, box)) return false;
    }
    return true;
}

bool SafeReposition::find(const Vec3& current, const Vec3& target, bool avoidBall, const Vec3& ball,
                          const std::vector<Box3>& others, Vec3& out) const {
    const auto from = [&](const Vec3& p) { return std::hypot(p.x - current.x, p.y - current.y); };
    std::vector<Candidate> found{{target, from(target), false}};
    const auto add = [&](const Vec3& p) {
        for (const Candidate& c : found) {
            if (std::hypot(c.spot.x - p.x, c.spot.y - p.y) < kSameSpot) return;
        }
        found.push_back({p, from(p), false});
    };
    for (int tries = 0; tries < kMaxTries; ++tries) {
        // The nearest spot to the robot not tried yet; the first found wins a tie.
        Candidate* next = nullptr;
        for (Candidate& c : found) {
            if (!c.tried && (!next || c.distance < next->distance - 1e-12)) next = &c;
        }
        if (!next) break;
        next->tried = true;
        const Vec3 spot = next->spot;
        if (safe(spot, avoidBall, ball, others)) {
            out = spot;
            return true;
        }
        // Further along the way the robot is being moved; where it is not
        // moved along an axis, both ways (across the field: toward the
        // middle first).
        const double dx = spot.x - current.x, dy = spot.y - current.y;
        if (std::fabs(dx) > 1e-9) {
            add({spot.x + (dx > 0.0 ? kStep : -kStep), spot.y, spot.z});
        } else {
            add({spot.x + kStep, spot.y, spot.z});
            add({spot.x - kStep, spot.y, spot.z});
        }
        if (std::fabs(dy) > 1e-9) {
            add({spot.x, spot.y + (dy > 0.0 ? kStep : -kStep), spot.z});
        } else {
            const double inward = spot.y > 0.0 ? -kStep : kStep;
            add({spot.x, spot.y + inward, spot.z});
            add({spot.x, spot.y - inward, spot.z});
        }
    }
    out = target;
    return false;
}
