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
    // Walls around the field stop the ball this far beyond the lines.
    static constexpr double kBorder = 1.0;

    FieldGeometry(double length = 12.0, double width = 8.0, double goalWidth = 1.4);

    double length() const { return length_; }
    double width() const { return width_; }
    double goalWidth() const { return goalWidth_; }
    double halfLength() const { return length_ * 0.5; }
    double halfWidth() const { return width_ * 0.5; }
    // In the order vision reports them.
    const std::vector<Landmark>& landmarks() const { return landmarks_; }

private:
    double length_;
    double width_;
    double goalWidth_;
    std::vector<Landmark> landmarks_;
};
