// The aligner's commanded speeds on chosen errors, its tolerance, targets and
// guards against readings that are no angles; the restart skill finishing
// only when aligned and at rest.
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

// Joint and effector, in the order the aligner sends them.
const std::pair<DOFID, const char*> kOrder[DOF_COUNT] = {
    {DOF_HEAD_PAN, "he1"},     {DOF_HEAD_TILT, "he2"},    {DOF_LEG_LX, "lle3"},
    {DOF_LEG_LY, "lle2"},      {DOF_LEG_RX, "rle3"},      {DOF_LEG_RY, "rle2"},
    {DOF_ANKLE_LX, "lle5"},    {DOF_ANKLE_LY, "lle6"},    {DOF_ANKLE_RX, "rle5"},
    {DOF_ANKLE_RY, "rle6"},    {DOF_KNEE_L, "lle4"},      {DOF_KNEE_R, "rle4"},
    {DOF_LEG_LT, "lle1"},      {DOF_LEG_RT, "rle1"},      {DOF_ELBOW_L, "lae4"},
    {DOF_ELBOW_R, "rae4"},     {DOF_SHOULDER_LT, "lae3"}, {DOF_SHOULDER_RT, "rae3"},
    {DOF_SHOULDER_LX, "lae1"}, {DOF_SHOULDER_LY, "lae2"}, {DOF_SHOULDER_RX, "rae1"},
    {DOF_SHOULDER_RY, "rae2"}};

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

// The whole command text with speed(id) for each joint.
template <typename Speed>
std::string expected(Speed speed) {
    std::string text;
    char number[64];
    for (const auto& [id, effector] : kOrder) {
        std::snprintf(number, sizeof number, "%f", static_cast<double>(speed(id)));
        text += std::string("(") + effector + " " + number + ")";
    }
    return text;
}

bool sends(const std::string& text, const char* expression) {
    return text.find(expression) != std::string::npos;
}

}  // namespace

TEST(PatternAligner, DrivesEveryJointThroughItsOwnEffector) {
    // Joint i is i+1 degrees past its target: every effector carries a speed
    // of its own, so a swapped pair or a missing joint shows.
    sense(kStanding, 1.0);
    PatternAligner pa;
    bool done = true;
    const std::string text = runOnce(pa, &done);
    EXPECT_EQ(text, expected([](int id) { return -(id + 1) / 18.0f - 0.05f; }));
    EXPECT_FALSE(done);

    sense(kStanding);
    EXPECT_EQ(runOnce(pa, &done), expected([](int) { return 0.0f; }));
    EXPECT_TRUE(done) << "a fresh default aligner is a standing controller";
}

TEST(PatternAligner, SpeedsOnChosenErrorsAndTheInclusiveTolerance) {
    double angles[DOF_COUNT];
    std::copy(kStanding, kStanding + DOF_COUNT, angles);
    angles[DOF_KNEE_L] = -29 + 18;  // 18 degrees past: 1.05 back
    angles[DOF_KNEE_R] = -29 - 18;  // 18 degrees short: 1.05 forward
    angles[DOF_HEAD_PAN] = 0.25;    // just outside the tolerance
    angles[DOF_HEAD_TILT] = -0.2;   // exactly the tolerance: aligned
    sense(angles);
    PatternAligner pa;
    bool done = true;
    const std::string text = runOnce(pa, &done);
    EXPECT_TRUE(sends(text, "(lle4 -1.050000)") && sends(text, "(rle4 1.050000)")) << text;
    EXPECT_TRUE(sends(text, "(he1 -0.063889)") && sends(text, "(he2 0.000000)")) << text;
    EXPECT_FALSE(done);

    angles[DOF_KNEE_L] = angles[DOF_KNEE_R] = -29;
    angles[DOF_HEAD_PAN] = 0.2;
    sense(angles);
    runOnce(pa, &done);
    EXPECT_TRUE(done);

    // Error 9, power 20, add 0.5: -(9/180*20) - 0.5.
    angles[DOF_KNEE_L] = -20;
    sense(angles);
    pa.setRestartParameter(0.5f, 20.0f, 0.5f);
    EXPECT_TRUE(sends(runOnce(pa), "(lle4 -1.500000)"));
}

TEST(PatternAligner, Targets) {
    PatternAligner pa;
    BodyState key;
    key.setAllZero();
    key.setDOF(DOF_KNEE_R, 5);
    key.setDOF(DOF_KNEE_L, 9999);  // unset in the keyframe: keeps -29
    pa.setPattern(key);
    EXPECT_EQ(pa.getPattern().getDOF(DOF_KNEE_L), -29.0);
    EXPECT_EQ(pa.getPattern().getDOF(DOF_KNEE_R), 5.0);

    double values[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) values[i] = 100 + i;
    pa.setPattern(values);
    pa.setPattern(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18);
    // Gait-table order; the elbows and hip rotations keep the array's values.
    const DOFID order[] = {DOF_SHOULDER_RY, DOF_SHOULDER_RX, DOF_SHOULDER_LX, DOF_LEG_RX,
                           DOF_LEG_LX,      DOF_SHOULDER_RT, DOF_SHOULDER_LT, DOF_KNEE_R,
                           DOF_KNEE_L,      DOF_ANKLE_RX,    DOF_ANKLE_LX,    DOF_SHOULDER_LY,
                           DOF_LEG_RY,      DOF_LEG_LY,      DOF_ANKLE_RY,    DOF_ANKLE_LY,
                           DOF_HEAD_PAN,    DOF_HEAD_TILT};
    for (int k = 0; k < 18; ++k) EXPECT_EQ(pa.getPattern().getDOF(order[k]), k + 1.0);
    for (DOFID id : {DOF_ELBOW_R, DOF_ELBOW_L, DOF_LEG_RT, DOF_LEG_LT}) {
        EXPECT_EQ(pa.getPattern().getDOF(id), 100.0 + id);
    }
}

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
