#include "geometry/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/Circle.h"
#include "geometry/Line.h"
#include "geometry/Point.h"

namespace {
bool isFinite(const Point& p) {
    return std::isfinite(p.getX()) && std::isfinite(p.getY()) && std::isfinite(p.getZ());
}
}  // namespace

TEST(PointTest, DivisionByZeroEqualityToleranceAndNormThreshold) {
    testing::internal::CaptureStderr();
    Point r(3, 4, 5);
    EXPECT_EQ(r /= 0.0, Point(3, 4, 5));
    EXPECT_EQ(Point(1, -2, 0) / 0.0, Point(1, -2, 0));
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("!!!Divided By Zero!!!X= 3\t\tY= 4", 0), 0u);
    EXPECT_TRUE(Point(1, 2, 3) == Point(1 + 5e-11, 2, 3));
    EXPECT_TRUE(Point(1, 2, 3) != Point(1, 2, 3 - 2e-10));
    // Below 0.001 the norm is zero; exactly 0.001 is long enough to divide.
    EXPECT_EQ(Point(0.0005, 0, 0).getNorm(), Point(0, 0, 0));
    EXPECT_EQ(Point(0.001, 0, 0).getNorm(), Point(1, 0, 0));
}

TEST(GeometryTest, AnglesAndPolarConventionsWithoutHangOrNaN) {
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(-180), -180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(181), -179);
    // 1e20 - 360 == 1e20 in doubles: plain stepping would never end.
    EXPECT_LE(std::fabs(Geometry::normalizeAngle(1e20)), 180);
    EXPECT_TRUE(std::isnan(Geometry::normalizeAngle(INFINITY)));
    EXPECT_DOUBLE_EQ(Geometry::SineF(0.3, 2, 0, 0, 0.5, 3, 0, 0, -1), -0.5) << "zero periods";
    // x exactly 0 gives azimuth 0; straight behind is 180, even with -0 for y.
    EXPECT_DOUBLE_EQ(Geometry::convertCartToPol(Point(0, 5, 0)).getTeta(), 0);
    EXPECT_DOUBLE_EQ(Geometry::convertCartToPol(Point(-2, -0.0, 0)).getTeta(), 180);
    EXPECT_EQ(Geometry::convertCartToPol(Point(0, 0, 0)), Point(0, 0, 0));
    // Teta turns from +x towards +y, Phi lifts towards +z.
    EXPECT_NEAR(Geometry::convertPolToCart(Point(2, 0, 90)).getY(), 2, 1e-6);
    EXPECT_NEAR(Geometry::convertPolToCart(Point(2, -30, 0)).getZ(), -1, 1e-6);
}

TEST(LineTest, VerticalAndParallelLinesGiveNoNaN) {
    EXPECT_DOUBLE_EQ(Line(0, 4, -8).getYGivenX(1), 0);  // vertical: no single y
    // Points closer than 0.0001 in x make a vertical line through the second.
    const Line v = Line::makeLineFromTwoPoints(Point(1, 0, 0), Point(1.00005, 3, 0));
    EXPECT_EQ(v.getACoefficient(), 0);
    EXPECT_DOUBLE_EQ(v.getCCoefficient(), -1.00005);
    const Line diag = Line::makeLineFromTwoPoints(Point(0, 0, 0), Point(1, 1, 0));
    EXPECT_LT(diag.getIntersection(v).getDistanceTo(Point(1.00005, 1.00005, 0)), 1e-9);
    EXPECT_TRUE(isFinite(diag.getIntersection(diag)));
    // Horizontal lines written with opposite signs are still parallel.
    EXPECT_TRUE(isFinite(Line(1, 0, -2).getIntersection(Line(-1, 0, 5))));
    EXPECT_NEAR(diag.getDistanceWithPoint(Point(1, 1, 3)), 3, 1e-12);  // height counts
    EXPECT_TRUE(diag.isInBetween(Point(4, 4, 0), Point(0, 0, 0), Point(4, 4, 0)));
    EXPECT_FALSE(diag.isInBetween(Point(-3, 1, 0), Point(0, 0, 0), Point(4, 4, 0)));
}

TEST(CircleTest, MembershipIntersectionsAndArea) {
    EXPECT_EQ(Circle(Point(0, 0, 0), -4).getRadius(), 0);
    const Circle a(Point(0, 0, 0), 5);
    EXPECT_FALSE(a.isInside(Point(0, 5, 0)));  // on the circle is outside
    Point p1(9, 9, 9);
    Point p2(9, 9, 9);
    ASSERT_EQ(a.getIntersectionPoints(Circle(Point(0, 7, 0), 2), &p1, &p2), 1);  // touching
    EXPECT_EQ(p1, Point(0, 5, 0));
    EXPECT_EQ(p2, Point(9, 9, 9));
    EXPECT_EQ(a.getIntersectionPoints(Circle(Point(0, 0, 0), 5), &p1, &p2), 0);  // concentric
    EXPECT_EQ(Circle().getIntersectionPoints(a, nullptr, nullptr), 0);
    const Circle u(Point(0, 0, 0), 1);
    EXPECT_NEAR(Circle(Point(0.2, 0, 0), 0.5).getIntersectionArea(u), 0.25 * std::acos(-1.0), 1e-12);
    EXPECT_DOUBLE_EQ(u.getIntersectionArea(Circle()), 0);
}
