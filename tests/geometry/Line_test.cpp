#include "geometry/Line.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectPoint(const Point& p, double x, double y) {
    EXPECT_NEAR(p.getX(), x, 1e-9);
    EXPECT_NEAR(p.getY(), y, 1e-9);
}

bool isFinite(const Point& p) {
    return std::isfinite(p.getX()) && std::isfinite(p.getY()) && std::isfinite(p.getZ());
}

}  // namespace

TEST(LineTest, CoefficientOrderAndConstruction) {
    // a*y + b*x + c = 0 with a on y: 2y + 4x - 8 = 0, i.e. y = 4 - 2x.
    Line l(2, 4, -8);
    EXPECT_DOUBLE_EQ(l.getYGivenX(1), 2);
    l.setACoefficient(0);
    EXPECT_DOUBLE_EQ(l.getYGivenX(1), 0);  // vertical: no single y
    EXPECT_DOUBLE_EQ(Line::makeLineFromTwoPoints(Point(0, 1, 9), Point(2, 5, -9)).getBCoefficient(),
                     -2);  // minus the slope
    // Points closer than 0.0001 in x make a vertical line through the second.
    const Line v = Line::makeLineFromTwoPoints(Point(1, 0, 0), Point(1.00005, 3, 0));
    EXPECT_EQ(v.getACoefficient(), 0);
    EXPECT_DOUBLE_EQ(v.getCCoefficient(), -1.00005);
    EXPECT_NEAR(Line::makeLineFromPositionAndAngle(Point(1, 2, 0), 45).getYGivenX(3), 4, 1e-9);
    EXPECT_NEAR(Line::makeLineFromPositionAndAngle(Point(-3, 2, 0), 90).getXGivenY(10), -3, 1e-12);
}

TEST(LineTest, IntersectionsAndParallelLinesGiveNoNaN) {
    const Line diag = Line::makeLineFromTwoPoints(Point(0, 0, 0), Point(1, 1, 0));
    const Line vert = Line::makeLineFromTwoPoints(Point(3, -1, 0), Point(3, 4, 0));
    expectPoint(diag.getIntersection(vert), 3, 3);
    expectPoint(vert.getIntersection(Line(1, 0, -2)), 3, 2);

    EXPECT_TRUE(isFinite(diag.getIntersection(diag)));
    EXPECT_TRUE(isFinite(Line(0, 1, -1).getIntersection(Line(0, 1, -5))));
    // Horizontal lines written with opposite signs are still parallel.
    EXPECT_TRUE(isFinite(Line(1, 0, -2).getIntersection(Line(-1, 0, 5))));
    EXPECT_TRUE(isFinite(Line(1, 0, -2).getIntersection(Line(1, -0.0, 3))));
    // A line without direction crosses nothing.
    EXPECT_TRUE(isFinite(Line().getIntersection(diag)));
    EXPECT_TRUE(isFinite(diag.getIntersection(Line())));
}

TEST(LineTest, PerpendicularFootDistanceAndBetweenness) {
    const Line diag = Line::makeLineFromTwoPoints(Point(0, 0, 0), Point(1, 1, 0));
    expectPoint(diag.getPointOnLineClosestTo(Point(0, 2, 0)), 1, 1);
    // The foot lies on the ground, so height counts in the distance.
    EXPECT_NEAR(diag.getDistanceWithPoint(Point(1, 1, 3)), 3, 1e-12);
    const Line vert = Line::makeLineFromTwoPoints(Point(3, -1, 0), Point(3, 4, 0));
    expectPoint(vert.getPointOnLineClosestTo(Point(-1, 2, 0)), 3, 2);

    const Point p1(0, 0, 0);
    const Point p2(4, 4, 0);
    EXPECT_TRUE(diag.isInBetween(Point(4, 4, 0), p1, p2));   // on an end point
    EXPECT_FALSE(diag.isInBetween(Point(6, 6, 0), p1, p2));  // beyond p2
    EXPECT_FALSE(diag.isInBetween(Point(-3, 1, 0), p1, p2)); // foot (-1, -1)
}
