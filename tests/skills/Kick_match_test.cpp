// The competition build's kicks: the same motion, not one console line.
#include "skills/lowLevelSkills/Kick.h"

#include <gtest/gtest.h>

#include <string>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/BackKick.h"
#include "skills/lowLevelSkills/NaoKick2.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

void senseAll(double angle) {
    for (int i = 0; i < DOF_COUNT; ++i) {
        HingeJoint hj;
        hj.setAxis(static_cast<float>(angle));
        WorldModel::getUniqueInstance()->setAHingeJoint(hj, i);
    }
}

std::string cycle(SkillBase& s) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    s.run();
    return cc->getPreparedCommand();
}

}  // namespace

TEST(KickMatch, SameMotionWithoutConsoleLines) {
    Ball b;
    b.setPolarPos(Point(0.1, 0, -20));  // too near, right foot
    WorldModel::getUniqueInstance()->setBall(b);
    senseAll(0);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Kick k;
    BackKick back;  // head not looking back: nothing queued
    NaoKick2 k2;
    std::string kickText;
    std::string backText;
    std::string kick2Text;
    for (int i = 0; i < 40; ++i) {
        kickText += cycle(k);
        backText += cycle(back);
        kick2Text += cycle(k2);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_EQ(k.getCasePos(), 2);
    EXPECT_EQ(k.getQueuedKeyframes(), 3u);
    EXPECT_NE(kickText.find("(rle3 "), std::string::npos);
    // The back kick's start phase ends only on the standing posture, which
    // a body with every joint at 0 is not: it keeps aligning.
    EXPECT_EQ(BackKick::getSwingCount(), 0);
    EXPECT_NE(backText.find("(rle4 "), std::string::npos);
    EXPECT_FALSE(k2.isStartOver());
    EXPECT_NE(kick2Text.find("(rle4 "), std::string::npos);
}
