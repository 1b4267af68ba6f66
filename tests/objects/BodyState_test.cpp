#include "objects/BodyState.h"

#include <gtest/gtest.h>

#include <string>

#include "geometry/Geometry.h"
#include "objects/HingeJoint.h"
#include "worldModel/WorldModel.h"

namespace {

BodyState fullState(double base) {
    BodyState s;
    for (int i = 0; i < DOF_COUNT; ++i) {
        s.setDOF(static_cast<DOFID>(i), base + i);
    }
    return s;
}

}  // namespace

TEST(BodyStateTest, PrintListsSetJointsByNameBelowTheUnsetLimit) {
    BodyState s;
    s.setDOF(DOF_HEAD_PAN, 10);
    s.setDOF(DOF_LEG_RY, -2.5);
    s.setDOF(DOF_LEG_RX, 8999);    // still a value
    s.setDOF(DOF_ANKLE_LY, 9000);  // counts as unset
    testing::internal::CaptureStdout();
    s.print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "hj1: 10\nrlj2: -2.5\nrlj3: 8999\n");
}

TEST(BodyStateTest, OutOfRangeIdsAndNullArraysAreHarmless) {
    BodyState s;
    s.setDOF(DOF_COUNT, 1);
    s.setDOF(static_cast<DOFID>(-1), 1);
    EXPECT_EQ(s.getDOF(DOF_COUNT), 9999);
    EXPECT_EQ(s.getDOF(static_cast<DOFID>(-1)), 9999);
    EXPECT_EQ(s.getDOF(DOF_ANKLE_LY), 9999);
    EXPECT_EQ(s.getDOF(DOF_HEAD_PAN), 9999);

    double table[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) {
        table[i] = -i * 2.0;
    }
    BodyState a;
    a.setBodyState(table);
    BodyState b;
    b.getFromBodyState(table);
    a.setBodyState(nullptr);
    b.getFromBodyState(nullptr);
    EXPECT_EQ(a.getDOF(DOF_ANKLE_LY), -42);
    EXPECT_EQ(b.getDOF(DOF_ANKLE_LY), -42);
}

TEST(BodyStateTest, DifferenceOnlyWhereBothAreSet) {
    BodyState a;
    BodyState b;
    a.setDOF(DOF_ELBOW_R, 10);
    b.setDOF(DOF_ELBOW_R, 4);
    a.setDOF(DOF_KNEE_R, 30);  // unset in b
    b.setDOF(DOF_KNEE_L, 30);  // unset in a
    const BodyState d = a - b;
    EXPECT_EQ(d.getDOF(DOF_ELBOW_R), 6);
    EXPECT_EQ(d.getDOF(DOF_KNEE_R), 9999);
    EXPECT_EQ(d.getDOF(DOF_KNEE_L), 9999);
    EXPECT_EQ(a.getDOF(DOF_ELBOW_R), 10);  // the operands are left alone
    EXPECT_EQ((fullState(-11) - fullState(1)).getDOF(DOF_ANKLE_LY), -12);
}

TEST(BodyStateTest, AssignmentTakesOverOnlyJointsSetOnBothSides) {
    BodyState fresh;
    fresh = fullState(1);
    EXPECT_EQ(fresh.getDOF(DOF_HEAD_PAN), 9999);

    // Mixed: the target constrains joints 0..10, the source 5..21.
    BodyState target;
    BodyState source;
    for (int i = 0; i <= 10; ++i) {
        target.setDOF(static_cast<DOFID>(i), -1);
    }
    for (int i = 5; i < DOF_COUNT; ++i) {
        source.setDOF(static_cast<DOFID>(i), 7);
    }
    const BodyState returned = (target = source);
    for (int i = 0; i < DOF_COUNT; ++i) {
        const double expected = i < 5 ? -1 : (i <= 10 ? 7 : 9999);
        EXPECT_EQ(target.getDOF(static_cast<DOFID>(i)), expected) << "joint " << i;
    }
    EXPECT_EQ(returned.getDOF(static_cast<DOFID>(5)), 7);

    const BodyState copy(target);  // copy construction duplicates everything
    target.setDOF(static_cast<DOFID>(0), 5);
    EXPECT_EQ(copy.getDOF(static_cast<DOFID>(0)), -1);
}

TEST(BodyStateTest, VORPatternSetsSixteenJointsInArgumentOrder) {
    BodyState s;
    s.setBodyWithVORPattern(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    const DOFID order[] = {DOF_SHOULDER_RY, DOF_SHOULDER_RX, DOF_SHOULDER_LX, DOF_LEG_RX,
                           DOF_LEG_LX,      DOF_SHOULDER_RT, DOF_SHOULDER_LT, DOF_KNEE_R,
                           DOF_KNEE_L,      DOF_ANKLE_RX,    DOF_ANKLE_LX,    DOF_SHOULDER_LY,
                           DOF_LEG_RY,      DOF_LEG_LY,      DOF_ANKLE_RY,    DOF_ANKLE_LY};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(s.getDOF(order[i]), i + 1) << "argument " << i;
    }
    EXPECT_EQ(s.getDOF(DOF_HEAD_PAN), 9999);
    EXPECT_EQ(s.getDOF(DOF_LEG_LT), 9999);
}

TEST(BodyStateTest, SensedPostureComesFromTheWorldModel) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    for (int i = 0; i < DOF_COUNT; ++i) {
        HingeJoint j;
        j.setAxis(static_cast<float>(i * 1.5 + 100));
        wm->setAHingeJoint(j, i);
    }
    BodyState s;
    s.setBodyStateFromWorldModel();
    // The shoulder X sensors are read 90 degrees turned.
    EXPECT_DOUBLE_EQ(s.getDOF(DOF_SHOULDER_RX), Geometry::normalizeAngle(103 + 90));
    EXPECT_DOUBLE_EQ(s.getDOF(DOF_HEAD_PAN), 100);
    EXPECT_DOUBLE_EQ(s.getDOF(DOF_ANKLE_LY), 131.5);
}
