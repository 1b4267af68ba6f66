#include "game/FieldGeometry.h"

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
