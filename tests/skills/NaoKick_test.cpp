// The learner's kick: its follower speed stays finite whatever it is fed.
#include "skills/lowLevelSkills/NaoKick.h"

#include <gtest/gtest.h>

#include <limits>

TEST(NaoKick, PredictEffectorIsAlwaysAFiniteSpeed) {
    NaoKick k;
    EXPECT_DOUBLE_EQ(k.predictEffector(10.0f, 20.0f), 5.0);   // a hundred cycles of 0.02 s
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(k.predictEffector(0.0f, inf), 0.0);
    EXPECT_EQ(k.predictEffector(inf, inf), 0.0);
    EXPECT_EQ(k.predictEffector(0.0f, std::numeric_limits<float>::quiet_NaN()), 0.0);
}
