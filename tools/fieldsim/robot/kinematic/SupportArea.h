// The area a standing robot rests on, seen from above: the convex hull of the
// sole corners that touch the ground. The fall rule asks whether the centre
// of mass projects into it and, when not, which way it lies outside.
#pragma once

#include <vector>

#include "util/Vec3.h"

class SupportArea {
public:
    static constexpr int kMaxPoints = 8;  // four corners of each sole

    // Points beyond kMaxPoints are ignored; z is ignored.
    void add(const Vec3& point);
    void clear() { count_ = 0; hull_.clear(); }
    // Builds the hull of the points added so far.
    void build();

    bool empty() const { return hull_.empty(); }
    // Whether (x, y) lies inside or on the edge of the hull.
    bool contains(const Vec3& point) const;
    // The point of the hull (edge or corner) nearest to (x, y), z = 0.
    Vec3 nearest(const Vec3& point) const;
    const std::vector<Vec3>& hull() const { return hull_; }

private:
    Vec3 points_[kMaxPoints];
    int count_ = 0;
    std::vector<Vec3> hull_;  // counter-clockwise
};
