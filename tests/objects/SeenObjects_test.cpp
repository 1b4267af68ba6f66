#include <gtest/gtest.h>

#include <string>

#include "objects/Ball.h"
#include "objects/BasicObject.h"
#include "objects/Boned.h"
#include "objects/Flag.h"
#include "objects/Player.h"

TEST(BasicObjectTest, SharedLastSeenTimeAndBoundedFlagSlots) {
    Ball b;
    b.setLastTimeSeenBall(12.5);
    EXPECT_EQ(b.getLastTimeSeenPlayer(), 12.5);

    BasicObject o;
    o.setLastTimeSeenFlag(7.25, 7);
    o.setLastTimeSeenFlag(99, 8);
    o.setLastTimeSeenFlag(99, -1);
    EXPECT_EQ(o.getLastTimeSeenFlag(7), 7.25);
    EXPECT_EQ(o.getLastTimeSeenFlag(6), 0);
    EXPECT_EQ(o.getLastTimeSeenFlag(8), 0);
    EXPECT_EQ(o.getLastTimeSeenFlag(-1), 0);
    EXPECT_EQ(o.getLastTimeSeenBall(), 0);  // a separate slot
}

TEST(FlagTest, NameIsBoundedToItsFifteenByteField) {
    Flag f;
    f.setName("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(std::string(f.getName()), "ABCDEFGHIJKLMN");  // 14 characters kept
    f.setName(nullptr);
    EXPECT_STREQ(f.getName(), "");
    // A copy owns its own name.
    f.setName("F2R");
    Flag copy = f;
    f.setName("F1L");
    EXPECT_STREQ(copy.getName(), "F2R");
}

TEST(BonedTest, PolarSetterIsAnnounced) {
    Boned b;
    testing::internal::CaptureStdout();
    b.setPolarPos(Point(16.11, -10.3, 3.1));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "< ----------------- setter ----------------- >\n");
    EXPECT_EQ(b.getPolarPos(), Point(16.11, -10.3, 3.1));
    b.setName(nullptr);
    EXPECT_EQ(b.getName(), "");
}

TEST(PlayerTest, BodyPartsGoIntoTheirOwnSlotsAndBadIdsAreHarmless) {
    Player p;
    EXPECT_EQ(p.getSide(), SIDE_UNKNOWN);
    Boned foot;
    foot.setName("lfoot");
    p.setBoned(foot, lFoot);
    EXPECT_EQ(p.getBoned(lFoot).getName(), "lfoot");
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
