// The competition build's stand-up: the same motion, not one console line.
#include "skills/lowLevelSkills/NaoStandUp.h"

#include <gtest/gtest.h>

#include <string>

#include "geometry/Point.h"
#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

// Posture convention: the shoulder X joints are reported 90 degrees off.
void senseStraight() {
    for (int i = 0; i < DOF_COUNT; ++i) {
        HingeJoint hj;
        const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
        hj.setAxis(shoulderX ? -90.0f : 0.0f);
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

TEST(NaoStandUpMatch, SameMotionWithoutConsoleLines) {
    senseStraight();
    Gyro g;
    g.setRate(Point(0, 0, 0));
    WorldModel::getUniqueInstance()->setGyro(g);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    NaoStandUp s;
    const std::string settling = cycle(s);
    const std::string detection = cycle(s);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_TRUE(s.isSettled());
    EXPECT_TRUE(s.isSideDetected());
    EXPECT_NE(settling.find("(rle3 0.000000)"), std::string::npos) << settling;
    // Lying face up (no fall detector readings): keyframe 1 of the back.
    EXPECT_NE(detection.find("(rle3 5.605556)"), std::string::npos) << detection;
}
