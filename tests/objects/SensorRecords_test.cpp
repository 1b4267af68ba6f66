#include <gtest/gtest.h>

#include <string>

#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "objects/Touch.h"
#include "objects/UniversalJoint.h"

TEST(SensorRecordsTest, FreshRecordsAreEmptyAndZero) {
    const HingeJoint h;
    EXPECT_STREQ(h.getName(), "");
    EXPECT_EQ(h.getAxis(), 0);
    EXPECT_EQ(h.getRate(), 0);
    const UniversalJoint u;
    EXPECT_STREQ(u.getName(), "");
    EXPECT_EQ(u.getExtraAxis(), 0);
    EXPECT_EQ(u.getExtraRate(), 0);
    const Gyro g;
    EXPECT_STREQ(g.getName(), "");
    EXPECT_EQ(g.getRate(), Point(0, 0, 0));
    const Touch t;
    EXPECT_STREQ(t.getName(), "");
    EXPECT_EQ(t.getRate(), 0);
}

TEST(SensorRecordsTest, ValuesAreStoredAsReceived) {
    HingeJoint h;
    h.setName("hj1");
    h.setAxis(-1.23f);
    h.setRate(0.5f);
    EXPECT_STREQ(h.getName(), "hj1");
    EXPECT_EQ(h.getAxis(), -1.23f);
    EXPECT_EQ(h.getRate(), 0.5f);

    UniversalJoint u;
    u.setName("laj1_2");
    u.setAxis(1.0f);
    u.setExtraAxis(2.0f);
    u.setRate(3.0f);
    u.setExtraRate(4.0f);
    EXPECT_STREQ(u.getName(), "laj1_2");
    EXPECT_EQ(u.getAxis(), 1.0f);
    EXPECT_EQ(u.getExtraAxis(), 2.0f);
    EXPECT_EQ(u.getRate(), 3.0f);
    EXPECT_EQ(u.getExtraRate(), 4.0f);

    Gyro g;
    g.setName("torso");
    g.setRate(Point(0.01, 0.07, 0.46));
    EXPECT_STREQ(g.getName(), "torso");
    EXPECT_EQ(g.getRate(), Point(0.01, 0.07, 0.46));

    Touch t;
    t.setName("lf");
    t.setRate(22.3f);
    EXPECT_STREQ(t.getName(), "lf");
    EXPECT_EQ(t.getRate(), 22.3f);
}

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
    g.setName(nullptr);
    EXPECT_STREQ(g.getName(), "");
}
