// The field's sizes and the landmarks robots see, in the world frame (the
// left team defends the goal at -x; the "1" posts and flags are at +y).
#pragma once

#include <string>
#include <vector>

#include "util/Vec3.h"

struct Landmark {
    std::string name;
    Vec3 position;
};

class FieldGeometry {
public:
    static constexpr double kGoalHeight = 0.8;
    static constexpr double kGoalDepth = 0.6;  // behind the goal line
    // Walls around the field stop the ball this far beyond the lines.
    static constexpr double kBorder = 1.0;
    // The penalty area the referee's rules use (the judge's values): 1.8 m
    // deep and 3.9 m wide, narrower than the area a monitor paints.
    static constexpr double kPenaltyDepth = 1.8;
    static constexpr double kPenaltyWidth = 3.9;

    FieldGeometry(double length = 12.0, double width = 8.0, double goalWidth = 1.4);

    double length() const { return length_; }
    double width() const { return width_; }
    double goalWidth() const { return goalWidth_; }
    double halfLength() const { return length_ * 0.5; }
    double halfWidth() const { return width_ * 0.5; }
    // Inside the penalty area before the goal `side` defends (the closed box).
    bool inPenaltyArea(bool leftGoal, double x, double y) const;
    // The spot `margin` beyond the nearest edge of that area, for a robot
    // inside it; behind the goal line it also steps out of the goal's mouth.
    Vec3 outOfPenaltyArea(bool leftGoal, const Vec3& p, double margin) const;

    // In the order vision reports them.
    const std::vector<Landmark>& landmarks() const { return landmarks_; }

private:
    double length_;
    double width_;
    double goalWidth_;
    std::vector<Landmark> landmarks_;
};
