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

std::string printed(const BodyState& s) {
    testing::internal::CaptureStdout();
    s.print();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(BodyStateTest, FreshStateIsAllUnsetAndPrintsNothing) {
    const BodyState s;
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(s.getDOF(static_cast<DOFID>(i)), 9999);
    }
    EXPECT_EQ(printed(s), "");
}

TEST(BodyStateTest, PrintListsSetJointsByNameBelowTheUnsetLimit) {
    BodyState s;
    s.setDOF(DOF_HEAD_PAN, 10);
    s.setDOF(DOF_LEG_RY, -2.5);
    s.setDOF(DOF_LEG_RX, 8999);    // still a value
    s.setDOF(DOF_ANKLE_LY, 9000);  // counts as unset
    EXPECT_EQ(printed(s), "hj1: 10\nrlj2: -2.5\nrlj3: 8999\n");
}

TEST(BodyStateTest, SingleJointsAndWholeArrays) {
    BodyState s;
    s.setDOF(DOF_KNEE_L, 42);
    EXPECT_EQ(s.getDOF(DOF_KNEE_L), 42);

    // Ids outside the table neither write nor read past the array.
    s.setDOF(DOF_COUNT, 1);
    s.setDOF(static_cast<DOFID>(-1), 1);
    EXPECT_EQ(s.getDOF(DOF_COUNT), 9999);
    EXPECT_EQ(s.getDOF(static_cast<DOFID>(-1)), 9999);
    EXPECT_EQ(s.getDOF(DOF_ANKLE_LY), 9999);
    EXPECT_EQ(s.getDOF(DOF_HEAD_PAN), 9999);

    s.setAllZero();
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(s.getDOF(static_cast<DOFID>(i)), 0);
    }

    double table[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) {
        table[i] = -i * 2.0;
    }
    BodyState a;
    a.setBodyState(table);
    BodyState b;
    b.getFromBodyState(table);
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(a.getDOF(static_cast<DOFID>(i)), -i * 2.0);
        EXPECT_EQ(b.getDOF(static_cast<DOFID>(i)), -i * 2.0);
    }
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
    for (int i = 0; i < DOF_COUNT; ++i) {
        if (i != DOF_ELBOW_R) {
            EXPECT_EQ(d.getDOF(static_cast<DOFID>(i)), 9999) << "joint " << i;
        }
    }
    // The operands are left alone.
    EXPECT_EQ(a.getDOF(DOF_ELBOW_R), 10);
    EXPECT_EQ(b.getDOF(DOF_ELBOW_R), 4);

    const BodyState full = fullState(-11) - fullState(1);
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(full.getDOF(static_cast<DOFID>(i)), -12);
    }
}

TEST(BodyStateTest, AssignmentTakesOverOnlyJointsSetOnBothSides) {
    const BodyState source = fullState(1);

    BodyState fresh;
    fresh = source;
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(fresh.getDOF(static_cast<DOFID>(i)), 9999);
    }

    BodyState target = fullState(100);
    const BodyState returned = (target = source);
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(target.getDOF(static_cast<DOFID>(i)), 1 + i);
        EXPECT_EQ(returned.getDOF(static_cast<DOFID>(i)), 1 + i);
    }

    // Mixed: the target constrains joints 0..10, the source 5..21.
    BodyState partTarget;
    BodyState partSource;
    for (int i = 0; i <= 10; ++i) {
        partTarget.setDOF(static_cast<DOFID>(i), -1);
    }
    for (int i = 5; i < DOF_COUNT; ++i) {
        partSource.setDOF(static_cast<DOFID>(i), 7);
    }
    partTarget = partSource;
    for (int i = 0; i < DOF_COUNT; ++i) {
        const double expected = i < 5 ? -1 : (i <= 10 ? 7 : 9999);
        EXPECT_EQ(partTarget.getDOF(static_cast<DOFID>(i)), expected) << "joint " << i;
    }
}

TEST(BodyStateTest, CopyConstructionDuplicatesEverything) {
    BodyState a;
    a.setDOF(DOF_HEAD_TILT, -20);
    const BodyState b(a);
    EXPECT_EQ(b.getDOF(DOF_HEAD_TILT), -20);
    EXPECT_EQ(b.getDOF(DOF_HEAD_PAN), 9999);
    a.setDOF(DOF_HEAD_TILT, 5);
    EXPECT_EQ(b.getDOF(DOF_HEAD_TILT), -20);
}

TEST(BodyStateTest, VORPatternSetsSixteenJointsInArgumentOrder) {
    BodyState s;
    s.setBodyWithVORPattern(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(s.getDOF(DOF_SHOULDER_RY), 1);
    EXPECT_EQ(s.getDOF(DOF_SHOULDER_RX), 2);
    EXPECT_EQ(s.getDOF(DOF_SHOULDER_LX), 3);
    EXPECT_EQ(s.getDOF(DOF_LEG_RX), 4);
    EXPECT_EQ(s.getDOF(DOF_LEG_LX), 5);
    EXPECT_EQ(s.getDOF(DOF_SHOULDER_RT), 6);
    EXPECT_EQ(s.getDOF(DOF_SHOULDER_LT), 7);
    EXPECT_EQ(s.getDOF(DOF_KNEE_R), 8);
    EXPECT_EQ(s.getDOF(DOF_KNEE_L), 9);
    EXPECT_EQ(s.getDOF(DOF_ANKLE_RX), 10);
    EXPECT_EQ(s.getDOF(DOF_ANKLE_LX), 11);
    EXPECT_EQ(s.getDOF(DOF_SHOULDER_LY), 12);
    EXPECT_EQ(s.getDOF(DOF_LEG_RY), 13);
    EXPECT_EQ(s.getDOF(DOF_LEG_LY), 14);
    EXPECT_EQ(s.getDOF(DOF_ANKLE_RY), 15);
    EXPECT_EQ(s.getDOF(DOF_ANKLE_LY), 16);
    for (DOFID untouched : {DOF_HEAD_PAN, DOF_HEAD_TILT, DOF_ELBOW_R, DOF_ELBOW_L, DOF_LEG_RT,
                            DOF_LEG_LT}) {
        EXPECT_EQ(s.getDOF(untouched), 9999);
    }
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
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_DOUBLE_EQ(s.getDOF(static_cast<DOFID>(i)), wm->getDOF(static_cast<DOFID>(i)));
    }
    // The shoulder X sensors are read 90 degrees turned.
    EXPECT_DOUBLE_EQ(s.getDOF(DOF_SHOULDER_RX), Geometry::normalizeAngle(103 + 90));
    EXPECT_DOUBLE_EQ(s.getDOF(DOF_HEAD_PAN), 100);
    EXPECT_DOUBLE_EQ(s.getDOF(DOF_ANKLE_LY), 131.5);
}
