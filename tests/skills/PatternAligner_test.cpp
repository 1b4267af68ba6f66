// The aligner's guards against readings and gains that are no numbers; the
// restart skill finishing only when aligned and at rest.
#include "skills/lowLevelSkills/PatternAligner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>

#include "geometry/Point.h"
#include "objects/BodyState.h"
#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/RestartSkill.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};
const double kRestart[DOF_COUNT] = {0, 0, -15, 0, 90, 85, -15, 0, -90, -85, 0,
                                    0, 0, 0,   0, 0,  0,  0,   0, 0,   0,   0};

// The shoulder X joints are read back turned by 90 degrees.
void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    WorldModel::getUniqueInstance()->setAHingeJoint(hj, i);
}

void sense(const double* angles, double offsetPerJoint = 0) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angles[i] + offsetPerJoint * (i + 1));
}

void senseGyro(double x, double y, double z) {
    Gyro g;
    g.setRate(Point(x, y, z));
    WorldModel::getUniqueInstance()->setGyro(g);
}

std::string runOnce(SkillBase& skill, bool* result = nullptr) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    const bool r = skill.run();
    if (result != nullptr) *result = r;
    return cc->getPreparedCommand();
}

bool sends(const std::string& text, const char* expression) {
    return text.find(expression) != std::string::npos;
}

}  // namespace

TEST(PatternAligner, NeverCommandsAnInfiniteOrNaNSpeed) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    PatternAligner pa;
    bool aligned = false;
    // Readings or targets that are no angles: no speed, no hold-up.
    for (double bad : {9999.0, 9000.0, -9999.0, inf, nan}) {
        EXPECT_EQ(pa.jointSpeed(bad, 0.0, aligned), 0.0f);
        EXPECT_TRUE(aligned);
        EXPECT_EQ(pa.jointSpeed(0.0, bad, aligned), 0.0f);
        EXPECT_TRUE(aligned);
    }
    // Zero power leaves the constant push against the error.
    pa.setRestartParameter(0.2f, 0.0f, 0.05f);
    EXPECT_EQ(pa.jointSpeed(18.0, 0.0, aligned), -0.05f);
    // Gains that overflow or are no numbers: the joint holds, unaligned.
    const float finf = std::numeric_limits<float>::infinity();
    const float gains[][2] = {{finf, 0.05f}, {std::nanf(""), 0.05f}, {3e38f, 0.05f}, {10, finf}};
    for (const auto& g : gains) {
        pa.setRestartParameter(0.2f, g[0], g[1]);
        EXPECT_EQ(pa.jointSpeed(8000.0, 0.0, aligned), 0.0f) << g[0] << " " << g[1];
        EXPECT_FALSE(aligned);
    }

    sense(kStanding);
    senseJoint(DOF_KNEE_L, 9999);
    senseJoint(DOF_KNEE_R, inf);
    senseJoint(DOF_ANKLE_LY, nan);
    PatternAligner fresh;
    bool done = false;
    const std::string text = runOnce(fresh, &done);
    EXPECT_TRUE(sends(text, "(lle4 0.000000)") && sends(text, "(rle4 0.000000)")) << text;
    EXPECT_TRUE(done) << "only unreadable joints are off";
}

TEST(RestartSkill, FinishesOnlyWhenAlignedAndAtRest) {
    sense(kRestart);
    senseGyro(3, 4, 0);  // magnitude exactly 5
    RestartSkill rs(0.2f, 20.0f, 0.0f, 5.0f);
    EXPECT_EQ(rs.getName(), "SKILL_RESTART");
    bool done = true;
    runOnce(rs, &done);
    EXPECT_FALSE(done) << "a rate equal to the threshold is not at rest";
    senseGyro(3, 3.9, 0);
    runOnce(rs, &done);
    EXPECT_TRUE(done && rs.isFinished());
    senseGyro(std::nan(""), 0, 0);
    runOnce(rs, &done);
    EXPECT_FALSE(done || rs.isFinished());

    // At rest, an elbow 10 degrees off: -(10/180*20) - 0.05.
    senseGyro(0, 0, 0);
    senseJoint(DOF_ELBOW_R, 95);
    EXPECT_TRUE(sends(runOnce(rs, &done), "(rae4 -1.161111)"));
    EXPECT_FALSE(done || rs.checkState());
    // The setters reach the aligner.
    rs.setPower(10.0f);
    EXPECT_TRUE(sends(runOnce(rs, &done), "(rae4 -0.605556)"));
    rs.setTelorance(15.0f);
    runOnce(rs, &done);
    EXPECT_TRUE(done);
    rs.setRestartParameter(15.0f, 10.0f, 1.0f, 0.0f);  // a threshold of 0 is never met
    runOnce(rs, &done);
    EXPECT_FALSE(done);
}
