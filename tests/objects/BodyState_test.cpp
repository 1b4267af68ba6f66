// The body state (9999 marks a joint as unset) and the seen-object records.
#include "objects/BodyState.h"

#include <gtest/gtest.h>

#include "objects/BasicObject.h"
#include "objects/Flag.h"
#include "objects/Player.h"

TEST(BodyStateTest, ArithmeticOnlyTouchesJointsSetOnBothSides) {
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
    a = b;
    EXPECT_EQ(a.getDOF(DOF_ELBOW_R), 4);
    EXPECT_EQ(a.getDOF(DOF_KNEE_R), 30);
    EXPECT_EQ(a.getDOF(DOF_KNEE_L), 9999);
}

TEST(BodyStateTest, BadIdsAndNullArraysAreHarmless) {
    BodyState s;
    s.setDOF(DOF_COUNT, 1);
    s.setDOF(static_cast<DOFID>(-1), 1);
    EXPECT_EQ(s.getDOF(DOF_COUNT), 9999);
    s.setBodyState(nullptr);
    s.getFromBodyState(nullptr);
}

TEST(SeenObjects, NamesAreCutToTheirFieldsAndSlotsAreBounded) {
    Flag f;
    f.setName("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_STREQ(f.getName(), "ABCDEFGHIJKLMN");  // 14 of 15 bytes
    const Flag copy = f;  // a copy owns its own name
    f.setName("F1L");
    EXPECT_STREQ(copy.getName(), "ABCDEFGHIJKLMN");
    BasicObject o;
    o.setLastTimeSeenFlag(99, 8);
    o.setLastTimeSeenFlag(99, -1);
    EXPECT_EQ(o.getLastTimeSeenFlag(8), 0);
    Player p;
    p.setBoned(Boned(), static_cast<BONEDID>(5));
    p.setBoned(Boned(), static_cast<BONEDID>(-1));
    EXPECT_EQ(p.getBoned(static_cast<BONEDID>(5)).getName(), "");
}
