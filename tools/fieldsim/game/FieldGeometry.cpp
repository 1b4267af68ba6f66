#include "game/FieldGeometry.h"

#include <cmath>

FieldGeometry::FieldGeometry(double length, double width, double goalWidth)
    : length_(length), width_(width), goalWidth_(goalWidth) {
    const double l = length_ * 0.5, w = width_ * 0.5, g = goalWidth_ * 0.5;
    landmarks_ = {
        {"G1L", {-l, g, kGoalHeight}}, {"G2L", {-l, -g, kGoalHeight}},
        {"G2R", {l, -g, kGoalHeight}}, {"G1R", {l, g, kGoalHeight}},
        {"F1L", {-l, w, 0.0}},         {"F2L", {-l, -w, 0.0}},
        {"F1R", {l, w, 0.0}},          {"F2R", {l, -w, 0.0}},
    };
}

bool FieldGeometry::inPenaltyArea(bool leftGoal, double x, double y) const {
    const double ax = leftGoal ? -x : x;
    return ax >= halfLength() - kPenaltyDepth && ax <= halfLength() && std::fabs(y) <= kPenaltyWidth / 2.0;
}

Vec3 FieldGeometry::outOfPenaltyArea(bool leftGoal, const Vec3& p, double margin) const {
    // Worked in the frame of the right goal (x mirrored for the left one).
    const double s = leftGoal ? -1.0 : 1.0;
    const double ax = s * p.x, halfW = kPenaltyWidth / 2.0;
    const double toFront = ax - (halfLength() - kPenaltyDepth);
    const double toBack = halfLength() - ax;
    const double toSide = halfW - std::fabs(p.y);
    const double ySign = p.y < 0.0 ? -1.0 : 1.0;
    Vec3 out = p;
    if (toFront <= toBack && toFront <= toSide) {
        out.x = s * (halfLength() - kPenaltyDepth - margin);
    } else if (toBack <= toSide) {
        out.x = s * (halfLength() + margin);
        // Not into the goal: beside its posts.
        const double post = goalWidth() / 2.0 + margin;
        if (std::fabs(p.y) < post) out.y = ySign * (post + 0.001);
    } else {
        out.y = ySign * (halfW + margin);
    }
    return out;
}
