#include <gtest/gtest.h>

#include "objects/Boned.h"

// The competition build stores the body part without a word on the console.
TEST(BonedMatchTest, SetPolarPosIsSilent) {
    Boned b;
    testing::internal::CaptureStdout();
    b.setPolarPos(Point(1, 2, 3));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(b.getPolarPos(), Point(1, 2, 3));
}
