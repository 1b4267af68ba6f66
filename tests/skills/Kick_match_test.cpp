// The competition build's keyframe skills: the same motion, not one console
// line.
#include "skills/lowLevelSkills/Kick.h"

#include <gtest/gtest.h>

#include <string>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/Gyro.h"
#include "skills/KeyframeTestKit.h"
#include "skills/lowLevelSkills/BackKick.h"
#include "skills/lowLevelSkills/NaoKick2.h"
#include "skills/lowLevelSkills/NaoStandUp.h"

using namespace kit;

TEST(KeyframeSkillsMatch, SameMotionWithoutConsoleLines) {
    Ball b;
    b.setPolarPos(Point(0.1, 0, -20));   // too near, right foot
    WorldModel::getUniqueInstance()->setBall(b);
    const double zero[DOF_COUNT] = {};
    sense(zero);
    Gyro g;
    g.setRate(Point(0, 0, 0));
    WorldModel::getUniqueInstance()->setGyro(g);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Kick kick;
    BackKick back;   // head not looking back: nothing queued
    NaoKick2 kick2;
    NaoStandUp standUp;
    std::string texts[4];
    for (int i = 0; i < 40; ++i) {
        texts[0] += cycle(kick);
        texts[1] += cycle(back);
        texts[2] += cycle(kick2);
    }
    const std::string settling = cycle(standUp);
    const std::string detection = cycle(standUp);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    EXPECT_EQ(kick.getCasePos(), 2);
    EXPECT_NE(texts[0].find("(rle3 "), std::string::npos);
    EXPECT_NE(texts[1].find("(rle4 "), std::string::npos);
    EXPECT_NE(texts[2].find("(rle4 "), std::string::npos);
    EXPECT_NE(settling.find("(rle3 0.000000)"), std::string::npos) << settling;
    // Face up (no fall detector readings): keyframe 1 of the back, hip X 0 -> 100.
    EXPECT_NE(detection.find("(rle3 5.605556)"), std::string::npos) << detection;
}
