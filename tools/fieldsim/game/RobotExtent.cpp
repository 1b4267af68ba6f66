#include "game/RobotExtent.h"

#include <algorithm>
#include <cmath>

#include "robot/NaoModel.h"
#include "robot/physics/NaoBuild.h"

namespace {

// Half the extent along the world axes of a shape turned by `rot`.
Vec3 halfExtent(const PartBuild& part, const Mat3& rot) {
    switch (part.shape) {
        case PartShape::Box: {
            const Vec3 h = part.size * 0.5;
            Vec3 out;
            for (int axis = 0; axis < 3; ++axis) {
                const double e = std::fabs(rot.at(axis, 0)) * h.x +
                                 std::fabs(rot.at(axis, 1)) * h.y +
                                 std::fabs(rot.at(axis, 2)) * h.z;
                (axis == 0 ? out.x : axis == 1 ? out.y : out.z) = e;
            }
            return out;
        }
        case PartShape::Sphere:
            return {part.size.x, part.size.x, part.size.x};
        case PartShape::Capsule: {
            // Along its local z, plus the caps.
            const Vec3 along = rot.column(2) * (part.size.y * 0.5);
            const double r = part.size.x;
            return {std::fabs(along.x) + r, std::fabs(along.y) + r, std::fabs(along.z) + r};
        }
    }
    return {};
}

void grow(Box3& box, const Vec3& p) {
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
}

}  // namespace

FlatRect RobotExtent::rectangle(const RobotBody& body) {
    const std::array<Pose, NaoModel::kBodyPartCount> parts = body.partPoses();
    std::vector<Vec3> centres;
    for (int i = 0; i < NaoModel::kBodyPartCount; ++i) {
        if (NaoBuild::part(i).collider) centres.push_back(parts[static_cast<size_t>(i)].pos);
    }
    return rectangle(centres);
}

FlatRect RobotExtent::rectangle(const std::vector<Vec3>& centres) {
    FlatRect r;
    bool first = true;
    for (const Vec3& c : centres) {
        if (first) {
            r = {c.x, c.x, c.y, c.y};
            first = false;
            continue;
        }
        r.minX = std::min(r.minX, c.x);
        r.maxX = std::max(r.maxX, c.x);
        r.minY = std::min(r.minY, c.y);
        r.maxY = std::max(r.maxY, c.y);
    }
    return r;
}

Box3 RobotExtent::box(const RobotBody& body) {
    const Vec3 torso = body.torso().pos;
    Box3 b{torso - Vec3{kDiscHalf, kDiscHalf, 0.0}, torso + Vec3{kDiscHalf, kDiscHalf, 0.0}};
    const Vec3 margin{kMeshMargin, kMeshMargin, kMeshMargin};
    const std::array<Pose, NaoModel::kBodyPartCount> parts = body.partPoses();
    for (int i = 0; i < NaoModel::kBodyPartCount; ++i) {
        const PartBuild& part = NaoBuild::part(i);
        if (!part.collider) continue;
        const Pose& p = parts[static_cast<size_t>(i)];
        const Vec3 h = halfExtent(part, p.rot) + margin;
        grow(b, p.pos - h);
        grow(b, p.pos + h);
    }
    return b;
}

bool RobotExtent::sphereMeetsBox(const Vec3& centre, double radius, const Box3& box) {
    const Vec3 nearest{std::clamp(centre.x, box.min.x, box.max.x),
                       std::clamp(centre.y, box.min.y, box.max.y),
                       std::clamp(centre.z, box.min.z, box.max.z)};
    const Vec3 d = centre - nearest;
    return d.dot(d) <= radius * radius;
}

bool RobotExtent::rectInsideCircle(const FlatRect& rect, double radius) {
    const double r2 = radius * radius;
    for (const double x : {rect.minX, rect.maxX}) {
        for (const double y : {rect.minY, rect.maxY}) {
            if (!(x * x + y * y < r2)) return false;
        }
    }
    return true;
}

bool RobotExtent::rectMeets(const FlatRect& rect, double x0, double x1, double y0, double y1) {
    return rect.maxX >= x0 && rect.minX <= x1 && rect.maxY >= y0 && rect.minY <= y1;
}
