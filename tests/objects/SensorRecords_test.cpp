#include <gtest/gtest.h>

#include <string>

#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "objects/Touch.h"
#include "objects/UniversalJoint.h"

TEST(SensorRecordsTest, NamesAreCutToTheirFields) {
    HingeJoint h;
    h.setName("a_very_long_joint_name");
    EXPECT_EQ(std::string(h.getName()), "a_very_long_jo");  // 14 of 15 bytes
    UniversalJoint u;
    u.setName("0123456789abcdefghij");
    EXPECT_EQ(std::string(u.getName()), "0123456789abcd");
    Gyro g;
    g.setName("torso_gyroscope");
    EXPECT_EQ(std::string(g.getName()), "torso_gyr");  // 9 of 10 bytes
    Touch t;
    t.setName("123456789");
    EXPECT_STREQ(t.getName(), "123456789");
    t.setName("1234567890");
    EXPECT_STREQ(t.getName(), "123456789");
    t.setName(nullptr);
    EXPECT_STREQ(t.getName(), "");
    h.setName(nullptr);
    EXPECT_STREQ(h.getName(), "");
}
