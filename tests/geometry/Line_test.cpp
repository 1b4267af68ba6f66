#include "geometry/Line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

void expectPoint(const Point& p, double x, double y, double z) {
    EXPECT_NEAR(p.getX(), x, 1e-9);
    EXPECT_NEAR(p.getY(), y, 1e-9);
    EXPECT_NEAR(p.getZ(), z, 1e-9);
}

bool isFinite(const Point& p) {
    return std::isfinite(p.getX()) && std::isfinite(p.getY()) && std::isfinite(p.getZ());
}

}  // namespace

TEST(LineTest, CoefficientOrderAndSolving) {
    // a*y + b*x + c = 0 with a on y: 2y + 4x - 8 = 0, i.e. y = 4 - 2x.
    Line l(2, 4, -8);
    EXPECT_DOUBLE_EQ(l.getYGivenX(1), 2);
    EXPECT_DOUBLE_EQ(l.getXGivenY(0), 2);
    l.setACoefficient(0);
    EXPECT_DOUBLE_EQ(l.getYGivenX(1), 0);  // vertical: no single y
    l.setBCoefficient(0);
    EXPECT_DOUBLE_EQ(l.getXGivenY(3), 0);  // and no x either

    std::ostringstream os;
    os << Line(1, -0.5, 2);
    EXPECT_EQ(os.str(), "( 1 , -0.5 , 2 )");
}

TEST(LineTest, LineFromTwoPoints) {
    const Line l = Line::makeLineFromTwoPoints(Point(0, 1, 9), Point(2, 5, -9));
    EXPECT_DOUBLE_EQ(l.getACoefficient(), 1);
    EXPECT_DOUBLE_EQ(l.getBCoefficient(), -2);  // minus the slope
    EXPECT_DOUBLE_EQ(l.getCCoefficient(), -1);
    EXPECT_DOUBLE_EQ(l.getYGivenX(3), 7);

    // Points closer than 0.0001 in x make a vertical line through the second.
    const Line v = Line::makeLineFromTwoPoints(Point(1, 0, 0), Point(1.00005, 3, 0));
    EXPECT_EQ(v.getACoefficient(), 0);
    EXPECT_EQ(v.getBCoefficient(), 1);
    EXPECT_DOUBLE_EQ(v.getCCoefficient(), -1.00005);
}

TEST(LineTest, IntersectionsOfCrossingLines) {
    const Line diag = Line::makeLineFromTwoPoints(Point(0, 0, 0), Point(1, 1, 0));
    const Line anti = Line::makeLineFromTwoPoints(Point(0, 2, 0), Point(2, 0, 0));
    expectPoint(diag.getIntersection(anti), 1, 1, 0);
    expectPoint(anti.getIntersection(diag), 1, 1, 0);

    // Either line vertical.
    const Line vert = Line::makeLineFromTwoPoints(Point(3, -1, 0), Point(3, 4, 0));
    expectPoint(vert.getIntersection(diag), 3, 3, 0);
    expectPoint(diag.getIntersection(vert), 3, 3, 0);

    // Horizontal against vertical.
    const Line horiz(1, 0, -2);  // y = 2
    expectPoint(horiz.getIntersection(vert), 3, 2, 0);
    expectPoint(vert.getIntersection(horiz), 3, 2, 0);
}

TEST(LineTest, ParallelIdenticalAndDegenerateLinesGiveNoNaN) {
    const Line a = Line::makeLineFromTwoPoints(Point(0, 0, 0), Point(1, 1, 0));
    const Line b = Line::makeLineFromTwoPoints(Point(0, 1, 0), Point(1, 2, 0));
    EXPECT_TRUE(isFinite(a.getIntersection(b)));
    EXPECT_TRUE(isFinite(a.getIntersection(a)));

    const Line v1(0, 1, -1);
    const Line v2(0, 1, -5);
    EXPECT_TRUE(isFinite(v1.getIntersection(v2)));

    // Horizontal lines written with opposite signs are still parallel.
    const Line h1(1, 0, -2);
    const Line h2(-1, 0, 5);
    EXPECT_TRUE(isFinite(h1.getIntersection(h2)));
    EXPECT_TRUE(isFinite(Line(1, 0, -2).getIntersection(Line(1, -0.0, 3))));

    // A line without direction crosses nothing.
    EXPECT_TRUE(isFinite(Line().getIntersection(a)));
    EXPECT_TRUE(isFinite(a.getIntersection(Line())));
}

TEST(LineTest, PerpendicularFootDistanceAndBetweenness) {
    const Line diag = Line::makeLineFromTwoPoints(Point(0, 0, 0), Point(1, 1, 0));
    const Line t = diag.getTangentLine(Point(0, 2, 0));
    // The perpendicular passes through the given point.
    EXPECT_NEAR(t.getACoefficient() * 2 + t.getBCoefficient() * 0 + t.getCCoefficient(), 0,
                1e-12);
    expectPoint(diag.getPointOnLineClosestTo(Point(0, 2, 0)), 1, 1, 0);
    EXPECT_NEAR(diag.getDistanceWithPoint(Point(0, 2, 0)), std::sqrt(2.0), 1e-12);
    // The foot lies on the ground, so height counts in the distance.
    EXPECT_NEAR(diag.getDistanceWithPoint(Point(1, 1, 3)), 3, 1e-12);

    // Foot of a point on a vertical line.
    const Line vert = Line::makeLineFromTwoPoints(Point(3, -1, 0), Point(3, 4, 0));
    expectPoint(vert.getPointOnLineClosestTo(Point(-1, 2, 0)), 3, 2, 0);
    EXPECT_NEAR(vert.getDistanceWithPoint(Point(-1, 2, 0)), 4, 1e-12);

    const Point p1(0, 0, 0);
    const Point p2(4, 4, 0);
    EXPECT_TRUE(diag.isInBetween(Point(2, 0, 0), p1, p2));   // foot (1, 1)
    EXPECT_TRUE(diag.isInBetween(Point(4, 4, 0), p1, p2));   // on an end point
    EXPECT_FALSE(diag.isInBetween(Point(6, 6, 0), p1, p2));  // beyond p2
    EXPECT_FALSE(diag.isInBetween(Point(-3, 1, 0), p1, p2)); // foot (-1, -1)
}

TEST(LineTest, LineFromPositionAndHeading) {
    const Line l = Line::makeLineFromPositionAndAngle(Point(1, 2, 0), 45);
    EXPECT_NEAR(l.getYGivenX(3), 4, 1e-9);
    EXPECT_NEAR(l.getYGivenX(1), 2, 1e-12);  // anchored on the position
    const Line v = Line::makeLineFromPositionAndAngle(Point(-3, 2, 0), 90);
    EXPECT_EQ(v.getACoefficient(), 0);
    EXPECT_NEAR(v.getXGivenY(10), -3, 1e-12);
    const Line h = Line::makeLineFromPositionAndAngle(Point(0, -1.5, 0), 180);
    EXPECT_NEAR(h.getYGivenX(100), -1.5, 1e-9);
}
