#include "robot/kinematic/SupportArea.h"

#include <algorithm>
#include <cmath>

namespace {

double cross(const Vec3& o, const Vec3& a, const Vec3& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

Vec3 nearestOnSegment(const Vec3& a, const Vec3& b, const Vec3& p) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = 0.0;
    if (len2 > 0.0) t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    return {a.x + dx * t, a.y + dy * t, 0.0};
}

}  // namespace

void SupportArea::add(const Vec3& point) {
    if (count_ < kMaxPoints) points_[count_++] = {point.x, point.y, 0.0};
}

void SupportArea::build() {
    // Monotone chain over at most eight points.
    std::vector<Vec3> pts(points_, points_ + count_);
    std::sort(pts.begin(), pts.end(), [](const Vec3& a, const Vec3& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    hull_.clear();
    if (pts.size() < 3) {
        hull_ = pts;
        return;
    }
    std::vector<Vec3> h(2 * pts.size());
    size_t k = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && cross(h[k - 2], h[k - 1], pts[i]) <= 0.0) --k;
        h[k++] = pts[i];
    }
    for (size_t i = pts.size() - 1, lower = k + 1; i > 0; --i) {
        while (k >= lower && cross(h[k - 2], h[k - 1], pts[i - 1]) <= 0.0) --k;
        h[k++] = pts[i - 1];
    }
    h.resize(k > 0 ? k - 1 : 0);
    hull_ = h;
}

bool SupportArea::contains(const Vec3& p) const {
    if (hull_.size() < 3) return false;
    constexpr double kEdge = 1e-12;
    for (size_t i = 0; i < hull_.size(); ++i) {
        if (cross(hull_[i], hull_[(i + 1) % hull_.size()], p) < -kEdge) return false;
    }
    return true;
}

Vec3 SupportArea::nearest(const Vec3& p) const {
    if (hull_.empty()) return {p.x, p.y, 0.0};
    if (hull_.size() == 1) return hull_[0];
    Vec3 best = hull_[0];
    double bestD = 1e300;
    for (size_t i = 0; i < hull_.size(); ++i) {
        const Vec3 q = nearestOnSegment(hull_[i], hull_[(i + 1) % hull_.size()], p);
        const double d = std::hypot(q.x - p.x, q.y - p.y);
        if (d < bestD) {
            bestD = d;
            best = q;
        }
    }
    return best;
}
