#include "geometry/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// The angle conversions run in single precision.
constexpr double kAngTol = 1e-4;

void expectNear(const Point& p, double x, double y, double z, double tol) {
    EXPECT_NEAR(p.getX(), x, tol);
    EXPECT_NEAR(p.getY(), y, tol);
    EXPECT_NEAR(p.getZ(), z, tol);
}

}  // namespace

TEST(GeometryTest, NormalizeAngleKeepsBothEndsAndWrapsPastThem) {
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(540), 180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(-540), -180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(180), 180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(-180), -180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(181), -179);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(-181), 179);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(360), 0);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(-720.5), -0.5);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(37.25), 37.25);
}

TEST(GeometryTest, NormalizeAngleCopesWithHugeAndNonFiniteAngles) {
    // 1e20 - 360 == 1e20 in doubles: plain stepping would never end.
    const double big = Geometry::normalizeAngle(1e20);
    EXPECT_GE(big, -180);
    EXPECT_LE(big, 180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(360.0 * 1e6 + 190), -170);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(-360.0 * 1e6 - 180), -180);
    EXPECT_TRUE(std::isnan(Geometry::normalizeAngle(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(Geometry::normalizeAngle(-std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(Geometry::normalizeAngle(NAN)));
}

TEST(GeometryTest, SignAndUnitHelpers) {
    EXPECT_EQ(Geometry::signX(0.0), 0);
    EXPECT_EQ(Geometry::signX(-0.0), 0);
    EXPECT_EQ(Geometry::signX(1e-300), 1);
    EXPECT_EQ(Geometry::signX(-3), -1);
    EXPECT_EQ(Geometry::signX(NAN), 0);

    EXPECT_DOUBLE_EQ(Geometry::getPI(), 3.141592653589793);
    EXPECT_FLOAT_EQ(Geometry::convertDegToRad(180.0f), 3.14159265f);
    EXPECT_FLOAT_EQ(Geometry::convertRadToDeg(3.14159265f), 180.0f);
    EXPECT_FLOAT_EQ(Geometry::convertRadToDeg(Geometry::convertDegToRad(-57.5f)), -57.5f);
}

TEST(GeometryTest, CartesianToPolarQuadrantsAndAxes) {
    expectNear(Geometry::convertCartToPol(Point(1, 1, 0)), std::sqrt(2.0), 0, 45, kAngTol);
    EXPECT_NEAR(Geometry::convertCartToPol(Point(-1, 1, 0)).getTeta(), 135, kAngTol);
    EXPECT_NEAR(Geometry::convertCartToPol(Point(-1, -1, 0)).getTeta(), -135, kAngTol);
    EXPECT_NEAR(Geometry::convertCartToPol(Point(1, -1, 0)).getTeta(), -45, kAngTol);
    // x exactly 0 gives azimuth 0, even for a point on the +y axis.
    EXPECT_DOUBLE_EQ(Geometry::convertCartToPol(Point(0, 5, 0)).getTeta(), 0);
    // Straight behind is 180, not 0.
    EXPECT_DOUBLE_EQ(Geometry::convertCartToPol(Point(-2, 0, 0)).getTeta(), 180);
    EXPECT_DOUBLE_EQ(Geometry::convertCartToPol(Point(-2, -0.0, 0)).getTeta(), 180);
    // Elevation is measured up from the ground plane.
    expectNear(Geometry::convertCartToPol(Point(0, 0, 3)), 3, 90, 0, kAngTol);
    expectNear(Geometry::convertCartToPol(Point(0, 0, -3)), 3, -90, 0, kAngTol);
    EXPECT_NEAR(Geometry::convertCartToPol(Point(1, 0, 1)).getPhi(), 45, kAngTol);
}

TEST(GeometryTest, CartesianToPolarOfTheOriginIsZeroNotNaN) {
    const Point p = Geometry::convertCartToPol(Point(0, 0, 0));
    EXPECT_EQ(p.getRo(), 0);
    EXPECT_EQ(p.getPhi(), 0);
    EXPECT_EQ(p.getTeta(), 0);
}

TEST(GeometryTest, PolarToCartesianAxisConventions) {
    // Teta turns from +x towards +y, Phi lifts towards +z.
    expectNear(Geometry::convertPolToCart(Point(2, 0, 90)), 0, 2, 0, 1e-6);
    expectNear(Geometry::convertPolToCart(Point(2, 0, 0)), 2, 0, 0, 1e-6);
    expectNear(Geometry::convertPolToCart(Point(2, 0, -90)), 0, -2, 0, 1e-6);
    expectNear(Geometry::convertPolToCart(Point(2, 0, 180)), -2, 0, 0, 1e-6);
    expectNear(Geometry::convertPolToCart(Point(2, 90, 33)), 0, 0, 2, 1e-6);
    expectNear(Geometry::convertPolToCart(Point(2, -30, 0)), std::sqrt(3.0), 0, -1, 1e-6);
}

TEST(GeometryTest, PolarCartesianRoundTrips) {
    const Point samples[] = {
        Point(17.55, -3.33, 4.31), Point(8.51, -0.21, -0.17), Point(3, 45, 135),
        Point(3, -45, -135),       Point(0.5, 10, 179),       Point(6.2, -80, -60),
    };
    for (const Point& pol : samples) {
        const Point back = Geometry::convertCartToPol(Geometry::convertPolToCart(pol));
        EXPECT_NEAR(back.getRo(), pol.getRo(), 1e-9 * pol.getRo() + 1e-12);
        EXPECT_NEAR(back.getPhi(), pol.getPhi(), kAngTol);
        EXPECT_NEAR(back.getTeta(), pol.getTeta(), kAngTol);
    }
    const Point carts[] = {Point(1, 2, 3), Point(-4, 0.5, -1), Point(-0.1, -6, 0.38),
                           Point(5, -5, 0)};
    for (const Point& cart : carts) {
        const Point back = Geometry::convertPolToCart(Geometry::convertCartToPol(cart));
        EXPECT_NEAR(back.getDistanceTo(cart), 0, 1e-5 * cart.getMagnitude());
    }
}

TEST(GeometryTest, SineFSumsTwoWavesWithTheirOffsets) {
    // Quarter periods put each sine at its crest; the factor is 2 * 3.1415.
    const double t = 0.25;
    const double expected = 2 * std::sin(2 * 3.1415 * t / 1.0) + 0.5 +
                            3 * std::sin(2 * 3.1415 * t / 0.5 + 0.1) - 1;
    EXPECT_DOUBLE_EQ(Geometry::SineF(t, 2, 1.0, 0, 0.5, 3, 0.5, 0.1, -1), expected);
    EXPECT_DOUBLE_EQ(Geometry::SineF(0, 2, 1, 0, 0.5, 3, 1, 0, -1), -0.5);
    // A zero period contributes its offset only, never NaN.
    EXPECT_DOUBLE_EQ(Geometry::SineF(0.3, 2, 0, 0, 0.5, 3, 0, 0, -1), -0.5);
    EXPECT_DOUBLE_EQ(Geometry::SineF(0.25, 2, 1, 0, 0.5, 3, 0, 0, 0), 2 * std::sin(2 * 3.1415 * 0.25) + 0.5);
}
