#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "objects/Ball.h"
#include "objects/BasicObject.h"
#include "objects/Boned.h"
#include "objects/Flag.h"
#include "objects/Player.h"

TEST(BasicObjectTest, FreshRecordHasDefinedZeroState) {
    const BasicObject o;
    EXPECT_EQ(o.getPolarPos(), Point(0, 0, 0));
    EXPECT_EQ(o.getCartesianPos(), Point(0, 0, 0));
    EXPECT_EQ(o.getLastStepSeenHeadPanDegree(), 0);
    EXPECT_EQ(o.getLastStepSeenHeadTiltDegree(), 0);
    EXPECT_EQ(o.getLastTimeSeenBall(), 0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(o.getLastTimeSeenFlag(i), 0);
    }
}

TEST(BasicObjectTest, BallAndPlayerShareOneLastSeenTime) {
    Ball b;
    b.setLastTimeSeenBall(12.5);
    EXPECT_EQ(b.getLastTimeSeenPlayer(), 12.5);
    b.setLastTimeSeenPlayer(3);
    EXPECT_EQ(b.getLastTimeSeenBall(), 3);
}

TEST(BasicObjectTest, FlagTimesAreKeptPerIndexAndBadIndexesAreHarmless) {
    BasicObject o;
    o.setLastTimeSeenFlag(1.5, 0);
    o.setLastTimeSeenFlag(7.25, 7);
    o.setLastTimeSeenFlag(99, 8);
    o.setLastTimeSeenFlag(99, -1);
    EXPECT_EQ(o.getLastTimeSeenFlag(0), 1.5);
    EXPECT_EQ(o.getLastTimeSeenFlag(7), 7.25);
    for (int i = 1; i < 7; ++i) {
        EXPECT_EQ(o.getLastTimeSeenFlag(i), 0);
    }
    EXPECT_EQ(o.getLastTimeSeenFlag(8), 0);
    EXPECT_EQ(o.getLastTimeSeenFlag(-1), 0);
    // The shared last-seen time is a separate slot.
    EXPECT_EQ(o.getLastTimeSeenBall(), 0);
}

TEST(FlagTest, NameIsBoundedToItsFifteenByteField) {
    Flag f;
    EXPECT_STREQ(f.getName(), "");
    char g1l[] = "G1L";
    f.setName(g1l);
    EXPECT_STREQ(f.getName(), "G1L");

    f.setName("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(std::string(f.getName()), "ABCDEFGHIJKLMN");  // 14 characters kept
    f.setName("12345678901234");
    EXPECT_STREQ(f.getName(), "12345678901234");
    f.setName(nullptr);
    EXPECT_STREQ(f.getName(), "");

    // A copy owns its own name.
    f.setName("F2R");
    Flag copy = f;
    f.setName("F1L");
    EXPECT_STREQ(copy.getName(), "F2R");
}

TEST(BonedTest, DefaultsAndAnnouncedPolarSetter) {
    Boned b;
    EXPECT_EQ(b.getName(), "");
    EXPECT_EQ(b.getID(), head);
    EXPECT_EQ(b.getCartPos(), Point(0, 0, 0));
    EXPECT_EQ(b.getLastTimeSeenBoned(), 0);

    testing::internal::CaptureStdout();
    b.setPolarPos(Point(16.11, -10.3, 3.1));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "< ----------------- setter ----------------- >\n");
    EXPECT_EQ(b.getPolarPos(), Point(16.11, -10.3, 3.1));
    char name[] = "rlowerarm";
    b.setName(name);
    EXPECT_EQ(b.getName(), "rlowerarm");
    b.setName(nullptr);
    EXPECT_EQ(b.getName(), "");
}

TEST(PlayerTest, ConstructorsGiveDefinedFields) {
    const Player blank;
    EXPECT_EQ(blank.getNum(), 0);
    EXPECT_EQ(blank.getSide(), SIDE_UNKNOWN);
    EXPECT_EQ(blank.getGlbPos(), Point(0, 0, 0));
    EXPECT_EQ(blank.getPolarPos(), Point(0, 0, 0));
    EXPECT_EQ(blank.getLastTimeSeenPlayer(), 0);

    const Player p(7, SIDE_OPP, Point(1000, 1000, 0.38));
    EXPECT_EQ(p.getNum(), 7);
    EXPECT_EQ(p.getSide(), SIDE_OPP);
    EXPECT_EQ(p.getGlbPos(), Point(1000, 1000, 0.38));
}

TEST(PlayerTest, BodyPartsGoIntoTheirOwnSlotsAndBadIdsAreHarmless) {
    Player p;
    Boned foot;
    foot.setName("lfoot");
    foot.setID(lFoot);
    foot.setLastTimeSeenBoned(2);
    p.setBoned(foot, lFoot);
    Boned hd;
    hd.setName("head");
    p.setBoned(hd, head);

    EXPECT_EQ(p.getBoned(lFoot).getName(), "lfoot");
    EXPECT_EQ(p.getBoned(lFoot).getLastTimeSeenBoned(), 2);
    EXPECT_EQ(p.getBoned(head).getName(), "head");
    EXPECT_EQ(p.getBoned(rFoot).getName(), "");

    // getBoned hands out a copy.
    Boned copy = p.getBoned(lFoot);
    copy.setName("changed");
    EXPECT_EQ(p.getBoned(lFoot).getName(), "lfoot");

    const BONEDID bad = static_cast<BONEDID>(5);
    p.setBoned(foot, bad);
    p.setBoned(foot, static_cast<BONEDID>(-1));
    EXPECT_EQ(p.getBoned(bad).getName(), "");
    EXPECT_EQ(p.getBoned(static_cast<BONEDID>(-1)).getName(), "");
}
