#include "geometry/Point.h"

#include <gtest/gtest.h>

#include <string>

// The competition build keeps the console quiet, but a division by zero is
// still worth a line on standard error.
TEST(PointMatchTest, PrintOnScreenIsSilentButDivisionWarningStays) {
    testing::internal::CaptureStdout();
    Point(1, 2, 3).printOnScreen();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    testing::internal::CaptureStderr();
    const Point q = Point(1, 2, 3) / 0.0;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "!!!Divided By Zero!!!X= 1\t\tY= 2\t\tZ= 3\t\t\n");
    EXPECT_EQ(q, Point(1, 2, 3));
}
