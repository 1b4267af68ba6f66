// Where a robot is, as the real server's rules see it. Two shapes, both
// axis-aligned in the world:
//
// - the rectangle (x and y only) spanned by the centres of the 13 bodies
//   that carry a collider (torso, neck, head, upper and lower arms, thighs,
//   shanks, feet). The server takes each collider's bounding box, and a
//   collider has none of its own there, so only its centre counts: a bare
//   robot's rectangle runs from the torso to its forearms 0.14 ahead, no
//   padding. The half-field clearing rules test it.
// - the 3-D box of everything drawn of the robot: its meshes and the
//   0.4 m wide selection disc around the torso. The rules that keep a robot
//   away from a point (the centre circle at a kick-off, the ball at a set
//   piece or a dropped ball, another robot's new spot) test it against a
//   sphere.
#pragma once

#include <vector>

#include "robot/RobotBody.h"
#include "util/Vec3.h"

struct FlatRect {
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
};

struct Box3 {
    Vec3 min;
    Vec3 max;
};

class RobotExtent {
public:
    // The selection disc the monitor draws around every robot: 0.4 m across.
    static constexpr double kDiscHalf = 0.2;
    // The meshes reach past the collision shapes: with its arms forward a
    // robot's box was measured 0.212 to 0.216 m ahead of the torso, where the
    // forearm's collision box ends at 0.195; every shape is widened by this.
    static constexpr double kMeshMargin = 0.019;

    static FlatRect rectangle(const RobotBody& body);
    // The rectangle of these collider-carrying parts' centres (world frame);
    // an empty list gives an empty rectangle at the origin.
    static FlatRect rectangle(const std::vector<Vec3>& centres);
    static Box3 box(const RobotBody& body);

    // Closed tests: touching counts, as on the real server.
    static bool sphereMeetsBox(const Vec3& centre, double radius, const Box3& box);
    // All four corners strictly inside the circle of `radius` about the origin.
    static bool rectInsideCircle(const FlatRect& rect, double radius);
    // The rectangle overlaps (or touches) the closed box [x0, x1] x [y0, y1].
    static bool rectMeets(const FlatRect& rect, double x0, double x1, double y0, double y1);
};
