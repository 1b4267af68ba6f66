#include "geometry/Circle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

TEST(CircleTest, RadiusMustBePositiveAndMembershipIsStrictIn3D) {
    Circle c(Point(1, 2, 0), 3);
    EXPECT_FALSE(c.setRadius(0));
    EXPECT_FALSE(c.setRadius(NAN));
    EXPECT_EQ(c.getRadius(), 0);
    EXPECT_FALSE(c.setCircle(Point(7, 0, 0), -1));
    EXPECT_EQ(c.getCenter(), Point(7, 0, 0));  // the centre is taken anyway
    EXPECT_EQ(Circle(Point(0, 0, 0), -4).getRadius(), 0);

    const Circle m(Point(1, 1, 0), 2);
    EXPECT_FALSE(m.isInside(Point(3, 1, 0)));  // on the circle is outside
    EXPECT_FALSE(m.isInside(Point(1, 1, 2)));  // the test is in 3-D
    EXPECT_TRUE(m.isInside(Point(1, 1, 1.9)));
    EXPECT_EQ(m.pointInCircle(Point(9, 1, 0), Point(1, 1, 0)), 1);
    EXPECT_EQ(m.pointInCircle(Point(9, 1, 0), Point(3, 1, 0)), 0);

    std::ostringstream os;
    os << Circle(Point(1, -2, 0), 2.5);
    EXPECT_EQ(os.str(), "c:X= 1\t\tY= -2\t\tZ= 0\t\t, r:2.5");
}

TEST(CircleTest, IntersectionPointsCrossingTouchingAndNone) {
    const Circle a(Point(0, 0, 0), 5);
    Point p1(9, 9, 9);
    Point p2(9, 9, 9);

    // 3-4-5 triangles: crossing at (3, +-4).
    ASSERT_EQ(a.getIntersectionPoints(Circle(Point(6, 0, 0), 5), &p1, &p2), 2);
    EXPECT_NEAR(p1.getX(), 3, 1e-12);
    EXPECT_NEAR(std::fabs(p1.getY()), 4, 1e-12);
    EXPECT_NEAR(p1.getY(), -p2.getY(), 1e-12);

    // Touching from outside and from inside: one point, second untouched.
    p2 = Point(9, 9, 9);
    ASSERT_EQ(a.getIntersectionPoints(Circle(Point(0, 7, 0), 2), &p1, &p2), 1);
    EXPECT_EQ(p1, Point(0, 5, 0));
    EXPECT_EQ(p2, Point(9, 9, 9));
    ASSERT_EQ(a.getIntersectionPoints(Circle(Point(0.1, 0, 0), 4.9), &p1, nullptr), 1);
    EXPECT_NEAR(p1.getX(), 5, 1e-9);

    // Nested, concentric, or without radius: none; null pointers allowed.
    EXPECT_EQ(a.getIntersectionPoints(Circle(Point(1, 0, 0), 1), &p1, &p2), 0);
    EXPECT_EQ(a.getIntersectionPoints(Circle(Point(0, 0, 0), 5), &p1, &p2), 0);
    EXPECT_EQ(Circle().getIntersectionPoints(a, nullptr, nullptr), 0);
    EXPECT_EQ(a.getIntersectionPoints(Circle(Point(6, 0, 0), 5), nullptr, nullptr), 2);
}

TEST(CircleTest, IntersectionArea) {
    const double pi = 3.141592653589793;
    const Circle a(Point(0, 0, 0), 1);
    EXPECT_DOUBLE_EQ(a.getIntersectionArea(Circle(Point(2, 0, 0), 1)), 0);
    // Nested: the smaller disc, either way round.
    EXPECT_NEAR(Circle(Point(0.2, 0, 0), 0.5).getIntersectionArea(a), 0.25 * pi, 1e-12);
    // Unit discs one radius apart share 2*pi/3 - sqrt(3)/2.
    EXPECT_NEAR(a.getIntersectionArea(Circle(Point(1, 0, 0), 1)),
                2 * pi / 3 - std::sqrt(3.0) / 2, 1e-12);
    EXPECT_DOUBLE_EQ(a.getIntersectionArea(Circle()), 0);
}
