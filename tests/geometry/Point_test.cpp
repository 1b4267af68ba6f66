#include "geometry/Point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

namespace {

void expectPoint(const Point& p, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(p.getX(), x);
    EXPECT_DOUBLE_EQ(p.getY(), y);
    EXPECT_DOUBLE_EQ(p.getZ(), z);
}

}  // namespace

TEST(PointTest, CartesianAndPolarAccessorsShareTheFields) {
    Point p;
    expectPoint(p, 0, 0, 0);
    p.setRo(1);
    p.setPhi(2);
    p.setTeta(3);
    expectPoint(p, 1, 2, 3);
    p.setX(4);
    EXPECT_EQ(p.getRo(), 4);
    EXPECT_EQ(p.x_Ro, 4);
    EXPECT_EQ(p.y_Phi, 2);
    EXPECT_EQ(p.z_Teta, 3);
}

TEST(PointTest, ArithmeticIsComponentWiseAndCompoundFormsReturnTheNewValue) {
    const Point a(1, 2, 3);
    const Point b(10, 20, 30);
    expectPoint(a + b, 11, 22, 33);
    expectPoint(b - a, 9, 18, 27);
    expectPoint(a * 2, 2, 4, 6);
    expectPoint(b / 10, 1, 2, 3);

    Point c = a;
    expectPoint(c += b, 11, 22, 33);
    expectPoint(c, 11, 22, 33);
    expectPoint(c -= a, 10, 20, 30);
    expectPoint(c *= 0.5, 5, 10, 15);
    expectPoint(c /= 5, 1, 2, 3);
    expectPoint(c, 1, 2, 3);
}

TEST(PointTest, DivisionByZeroIsReportedAndKeepsThePointFinite) {
    testing::internal::CaptureStderr();
    const Point q = Point(1, -2, 0) / 0.0;
    Point r(3, 4, 5);
    r /= 0.0;
    const std::string err = testing::internal::GetCapturedStderr();

    expectPoint(q, 1, -2, 0);
    expectPoint(r, 3, 4, 5);
    EXPECT_EQ(err,
              "!!!Divided By Zero!!!X= 1\t\tY= -2\t\tZ= 0\t\t\n"
              "!!!Divided By Zero!!!X= 3\t\tY= 4\t\tZ= 5\t\t\n");
}

TEST(PointTest, EqualityToleranceIsStrictlyBelowOneTenBillionth) {
    EXPECT_TRUE(Point(1, 2, 3) == Point(1 + 5e-11, 2, 3));
    EXPECT_FALSE(Point(1, 2, 3) != Point(1 + 5e-11, 2, 3));
    EXPECT_FALSE(Point(1, 2, 3) == Point(1, 2 + 2e-10, 3));
    EXPECT_FALSE(Point(1, 2, 3) == Point(1, 2, 3 - 2e-10));
    EXPECT_TRUE(Point(1, 2, 3) != Point(1, 2, 3 - 2e-10));
    // A field that is NaN never compares equal.
    EXPECT_FALSE(Point(NAN, 0, 0) == Point(NAN, 0, 0));
}

TEST(PointTest, DistancesAndMagnitude) {
    EXPECT_DOUBLE_EQ(Point(0, 3, 4).getMagnitude(), 5);
    EXPECT_DOUBLE_EQ(Point(1, 1, 1).getDistanceTo(Point(1, 4, 5)), 5);
    // The planar distance ignores height entirely.
    EXPECT_DOUBLE_EQ(Point(0, 0, 100).getDistanceTo2(Point(3, 4, -7)), 5);
}

TEST(PointTest, NormOfShortVectorsIsZeroAndOfOthersIsUnit) {
    expectPoint(Point(0.0005, 0, 0).getNorm(), 0, 0, 0);
    expectPoint(Point(0, 0, 0).getNorm(), 0, 0, 0);
    expectPoint(Point(0, 3, 4).getNorm(), 0, 0.6, 0.8);
    // Exactly 0.001 is long enough to be divided.
    expectPoint(Point(0.001, 0, 0).getNorm(), 1, 0, 0);
    EXPECT_NEAR(Point(-7, 2, 11).getNorm().getMagnitude(), 1.0, 1e-12);
}

TEST(PointTest, TextForms) {
    std::ostringstream os;
    os << Point(1.5, -2, 0);
    EXPECT_EQ(os.str(), "X= 1.5\t\tY= -2\t\tZ= 0\t\t");

    testing::internal::CaptureStdout();
    Point(1, 2.25, -3).printOnScreen();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "point: (1 , 2.25 , -3  )\n");
}
