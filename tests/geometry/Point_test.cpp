#include "geometry/Point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

TEST(PointTest, CompoundArithmeticReturnsTheNewValue) {
    Point c(1, 2, 3);
    EXPECT_EQ(c += Point(10, 20, 30), Point(11, 22, 33));
    EXPECT_EQ(c /= 11, Point(1, 2, 3));
    EXPECT_EQ(c, Point(1, 2, 3));
    EXPECT_EQ(Point(10, 20, 30) - Point(1, 2, 3), Point(9, 18, 27));
}

TEST(PointTest, DivisionByZeroIsReportedAndKeepsThePointFinite) {
    testing::internal::CaptureStderr();
    const Point q = Point(1, -2, 0) / 0.0;
    Point r(3, 4, 5);
    r /= 0.0;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(q, Point(1, -2, 0));
    EXPECT_EQ(r, Point(3, 4, 5));
    EXPECT_EQ(err,
              "!!!Divided By Zero!!!X= 1\t\tY= -2\t\tZ= 0\t\t\n"
              "!!!Divided By Zero!!!X= 3\t\tY= 4\t\tZ= 5\t\t\n");
}

TEST(PointTest, EqualityToleranceIsStrictlyBelowOneTenBillionth) {
    EXPECT_TRUE(Point(1, 2, 3) == Point(1 + 5e-11, 2, 3));
    EXPECT_FALSE(Point(1, 2, 3) == Point(1, 2, 3 - 2e-10));
    EXPECT_TRUE(Point(1, 2, 3) != Point(1, 2, 3 - 2e-10));
    EXPECT_FALSE(Point(NAN, 0, 0) == Point(NAN, 0, 0));
}

TEST(PointTest, DistancesNormAndText) {
    EXPECT_DOUBLE_EQ(Point(1, 1, 1).getDistanceTo(Point(1, 4, 5)), 5);
    // The planar distance ignores height entirely.
    EXPECT_DOUBLE_EQ(Point(0, 0, 100).getDistanceTo2(Point(3, 4, -7)), 5);
    // Below 0.001 the norm is zero; exactly 0.001 is long enough to divide.
    EXPECT_EQ(Point(0.0005, 0, 0).getNorm(), Point(0, 0, 0));
    EXPECT_EQ(Point(0, 0, 0).getNorm(), Point(0, 0, 0));
    EXPECT_EQ(Point(0.001, 0, 0).getNorm(), Point(1, 0, 0));

    std::ostringstream os;
    os << Point(1.5, -2, 0);
    EXPECT_EQ(os.str(), "X= 1.5\t\tY= -2\t\tZ= 0\t\t");
    testing::internal::CaptureStdout();
    Point(1, 2.25, -3).printOnScreen();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "point: (1 , 2.25 , -3  )\n");
}
