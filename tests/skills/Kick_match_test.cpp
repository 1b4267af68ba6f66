// The competition build's keyframe skills: the same motion, not one console
// line.
#include "skills/MotionTestKit.h"
#include "skills/lowLevelSkills/BackKick.h"
#include "skills/lowLevelSkills/Kick.h"
#include "skills/lowLevelSkills/NaoKick2.h"
#include "skills/lowLevelSkills/NaoStandUp.h"

using namespace motiontest;

TEST(KeyframeSkillsMatch, SameMotionWithoutConsoleLines) {
    Ball b;
    b.setPolarPos(Point(0.1, 0, -20));  // too near, right foot
    wm()->setBall(b);
    senseAll(0);
    senseGyro(0, 0, 0);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Kick kick;
    BackKick back;  // head not looking back: nothing queued
    NaoKick2 kick2;
    NaoStandUp standUp;
    std::string texts[3];
    for (int i = 0; i < 40; ++i) {
        texts[0] += cycle(kick), texts[1] += cycle(back), texts[2] += cycle(kick2);
    }
    cycle(standUp);  // settling
    const std::string detection = cycle(standUp);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(texts[0].find("(rle3 "), std::string::npos);
    EXPECT_NE(texts[1].find("(rle4 "), std::string::npos);
    EXPECT_NE(texts[2].find("(rle4 "), std::string::npos);
    // Face up: keyframe 1 of the back, hip X 0 -> 100.
    EXPECT_NE(detection.find("(rle3 5.605556)"), std::string::npos) << detection;
}
