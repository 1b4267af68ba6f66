#include "geometry/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {
// The angle conversions run in single precision.
constexpr double kAngTol = 1e-4;
}  // namespace

TEST(GeometryTest, NormalizeAngleBoundariesHugeAndNonFinite) {
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(180), 180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(-180), -180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(181), -179);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(-720.5), -0.5);
    // 1e20 - 360 == 1e20 in doubles: plain stepping would never end.
    const double big = Geometry::normalizeAngle(1e20);
    EXPECT_TRUE(big >= -180 && big <= 180);
    EXPECT_DOUBLE_EQ(Geometry::normalizeAngle(360.0 * 1e6 + 190), -170);
    EXPECT_TRUE(std::isnan(Geometry::normalizeAngle(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(Geometry::normalizeAngle(NAN)));
    EXPECT_EQ(Geometry::signX(-0.0), 0);
    EXPECT_EQ(Geometry::signX(NAN), 0);
}

TEST(GeometryTest, CartesianPolarConventionsAndOrigin) {
    EXPECT_NEAR(Geometry::convertCartToPol(Point(-1, -1, 0)).getTeta(), -135, kAngTol);
    // x exactly 0 gives azimuth 0, even for a point on the +y axis.
    EXPECT_DOUBLE_EQ(Geometry::convertCartToPol(Point(0, 5, 0)).getTeta(), 0);
    // Straight behind is 180, not 0, even with -0 for y.
    EXPECT_DOUBLE_EQ(Geometry::convertCartToPol(Point(-2, -0.0, 0)).getTeta(), 180);
    EXPECT_NEAR(Geometry::convertCartToPol(Point(0, 0, -3)).getPhi(), -90, kAngTol);
    const Point o = Geometry::convertCartToPol(Point(0, 0, 0));  // zero, not NaN
    EXPECT_EQ(o, Point(0, 0, 0));
    // Teta turns from +x towards +y, Phi lifts towards +z.
    const Point y = Geometry::convertPolToCart(Point(2, 0, 90));
    EXPECT_NEAR(y.getY(), 2, 1e-6);
    EXPECT_NEAR(y.getX(), 0, 1e-6);
    EXPECT_NEAR(Geometry::convertPolToCart(Point(2, -30, 0)).getZ(), -1, 1e-6);
    const Point pol(3, -45, -135);
    const Point back = Geometry::convertCartToPol(Geometry::convertPolToCart(pol));
    EXPECT_NEAR(back.getPhi(), -45, kAngTol);
    EXPECT_NEAR(back.getTeta(), -135, kAngTol);
}

TEST(GeometryTest, SineFSumsTwoWavesAndZeroPeriodGivesOffsetNotNaN) {
    const double expected = 2 * std::sin(2 * 3.1415 * 0.25) + 0.5 +
                            3 * std::sin(2 * 3.1415 * 0.25 / 0.5 + 0.1) - 1;
    EXPECT_DOUBLE_EQ(Geometry::SineF(0.25, 2, 1.0, 0, 0.5, 3, 0.5, 0.1, -1), expected);
    EXPECT_DOUBLE_EQ(Geometry::SineF(0.3, 2, 0, 0, 0.5, 3, 0, 0, -1), -0.5);
}
