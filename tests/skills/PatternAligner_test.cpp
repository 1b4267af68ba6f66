// The aligner's commanded speeds on chosen errors, its tolerance, target
// handling and guards against readings that are no angles; the restart
// skill finishing only when aligned and at rest.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "geometry/Point.h"
#include "objects/BodyState.h"
#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "skills/lowLevelSkills/RestartSkill.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

const double kStanding[DOF_COUNT] = {0, 0, 0, -10, 90, 0, 0, 10, -90, 0, 0,
                                     0, 11, -29, 18, 0, 0, 0, 11, -29, 18, 0};
const double kRestart[DOF_COUNT] = {0, 0, -15, 0, 90, 85, -15, 0, -90, -85, 0,
                                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Effector of each joint, in the order the aligner sends them.
struct Sent {
    DOFID id;
    const char* effector;
};
const Sent kOrder[DOF_COUNT] = {
    {DOF_HEAD_PAN, "he1"},     {DOF_HEAD_TILT, "he2"},    {DOF_LEG_LX, "lle3"},
    {DOF_LEG_LY, "lle2"},      {DOF_LEG_RX, "rle3"},      {DOF_LEG_RY, "rle2"},
    {DOF_ANKLE_LX, "lle5"},    {DOF_ANKLE_LY, "lle6"},    {DOF_ANKLE_RX, "rle5"},
    {DOF_ANKLE_RY, "rle6"},    {DOF_KNEE_L, "lle4"},      {DOF_KNEE_R, "rle4"},
    {DOF_LEG_LT, "lle1"},      {DOF_LEG_RT, "rle1"},      {DOF_ELBOW_L, "lae4"},
    {DOF_ELBOW_R, "rae4"},     {DOF_SHOULDER_LT, "lae3"}, {DOF_SHOULDER_RT, "rae3"},
    {DOF_SHOULDER_LX, "lae1"}, {DOF_SHOULDER_LY, "lae2"}, {DOF_SHOULDER_RX, "rae1"},
    {DOF_SHOULDER_RY, "rae2"}};

void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    WorldModel::getUniqueInstance()->setAHingeJoint(hj, i);
}

void sense(const double* angles) {
    for (int i = 0; i < DOF_COUNT; ++i) {
        senseJoint(i, angles[i]);
    }
}

void senseGyro(double x, double y, double z) {
    Gyro g;
    g.setRate(Point(x, y, z));
    WorldModel::getUniqueInstance()->setGyro(g);
}

std::string command() {
    return CommandCreator::getUniqueInstance()->getPreparedCommand();
}

// The whole text for the given speeds per joint.
std::string expected(const float* speed) {
    std::string text;
    char number[64];
    for (const Sent& s : kOrder) {
        std::snprintf(number, sizeof number, "%f", static_cast<double>(speed[s.id]));
        text += std::string("(") + s.effector + " " + number + ")";
    }
    return text;
}

std::string runOnce(SkillBase& skill, bool* result = nullptr) {
    CommandCreator::getUniqueInstance()->reset();
    const bool r = skill.run();
    if (result != nullptr) {
        *result = r;
    }
    return command();
}

}  // namespace

TEST(PatternAligner, AtTheTargetEveryJointGetsZero) {
    sense(kStanding);
    PatternAligner pa;
    EXPECT_EQ(pa.getSkillID(), SKILL_PATTERN_ALIGNER);
    EXPECT_EQ(pa.getName(), "SKILL_PATTERN_ALIGNER");
    bool done = false;
    const float zeros[DOF_COUNT] = {};
    EXPECT_EQ(runOnce(pa, &done), expected(zeros));
    EXPECT_TRUE(done);
    EXPECT_TRUE(pa.isFinished());
}

TEST(PatternAligner, EachJointIsDrivenThroughItsOwnEffector) {
    // Joint i is i+1 degrees past its target, so every effector carries a
    // speed of its own and a swapped pair shows.
    double angles[DOF_COUNT];
    float speed[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) {
        angles[i] = kStanding[i] + (i + 1);
        speed[i] = static_cast<float>(-(i + 1) / 18.0) - 0.05f;
    }
    sense(angles);
    PatternAligner pa;
    bool done = true;
    EXPECT_EQ(runOnce(pa, &done), expected(speed));
    EXPECT_FALSE(done);
}

TEST(PatternAligner, SpeedsOnChosenErrors) {
    double angles[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) {
        angles[i] = kStanding[i];
    }
    angles[DOF_KNEE_L] = -29 + 18;  // 18 degrees past: 1.05 back
    angles[DOF_KNEE_R] = -29 - 18;  // 18 degrees short: 1.05 forward
    angles[DOF_HEAD_PAN] = 0.25;    // just outside the tolerance
    angles[DOF_HEAD_TILT] = 0.2;    // exactly the tolerance: aligned
    sense(angles);
    PatternAligner pa;
    const std::string text = runOnce(pa);
    EXPECT_NE(text.find("(lle4 -1.050000)"), std::string::npos) << text;
    EXPECT_NE(text.find("(rle4 1.050000)"), std::string::npos) << text;
    EXPECT_NE(text.find("(he1 -0.063889)"), std::string::npos) << text;
    EXPECT_NE(text.find("(he2 0.000000)"), std::string::npos) << text;
    EXPECT_FALSE(pa.isFinished());

    // Tolerance exactly met everywhere: finished, all zeros.
    angles[DOF_KNEE_L] = -29;
    angles[DOF_KNEE_R] = -29.125;
    angles[DOF_HEAD_PAN] = -0.2;
    sense(angles);
    bool done = false;
    const float zeros[DOF_COUNT] = {};
    EXPECT_EQ(runOnce(pa, &done), expected(zeros));
    EXPECT_TRUE(done);

    // Other gains: error 9, power 20, add 0.5 -> -(9/180*20) - 0.5 = -1.5.
    angles[DOF_KNEE_L] = -20;
    sense(angles);
    pa.setRestartParameter(0.5f, 20.0f, 0.5f);
    EXPECT_NE(runOnce(pa).find("(lle4 -1.500000)"), std::string::npos);
}

TEST(PatternAligner, TargetsFromKeyframesArraysAndGaitTables) {
    PatternAligner pa;
    // A keyframe's unset joint keeps the previous target.
    BodyState key;
    key.setAllZero();
    for (int i = 0; i < DOF_COUNT; ++i) {
        key.setDOF(static_cast<DOFID>(i), 5);
    }
    key.setDOF(DOF_KNEE_L, 9999);
    pa.setPattern(key);
    EXPECT_EQ(pa.getPattern().getDOF(DOF_KNEE_L), -29.0);
    EXPECT_EQ(pa.getPattern().getDOF(DOF_KNEE_R), 5.0);

    double values[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) {
        values[i] = 100 + i;
    }
    pa.setPattern(values);
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(pa.getPattern().getDOF(static_cast<DOFID>(i)), 100.0 + i);
    }
    pa.setPattern(static_cast<const double*>(nullptr));
    EXPECT_EQ(pa.getPattern().getDOF(DOF_HEAD_PAN), 100.0);

    pa.setPattern(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18);
    const BodyState t = pa.getPattern();
    EXPECT_EQ(t.getDOF(DOF_SHOULDER_RY), 1.0);
    EXPECT_EQ(t.getDOF(DOF_SHOULDER_RX), 2.0);
    EXPECT_EQ(t.getDOF(DOF_SHOULDER_LX), 3.0);
    EXPECT_EQ(t.getDOF(DOF_LEG_RX), 4.0);
    EXPECT_EQ(t.getDOF(DOF_LEG_LX), 5.0);
    EXPECT_EQ(t.getDOF(DOF_SHOULDER_RT), 6.0);
    EXPECT_EQ(t.getDOF(DOF_SHOULDER_LT), 7.0);
    EXPECT_EQ(t.getDOF(DOF_KNEE_R), 8.0);
    EXPECT_EQ(t.getDOF(DOF_KNEE_L), 9.0);
    EXPECT_EQ(t.getDOF(DOF_ANKLE_RX), 10.0);
    EXPECT_EQ(t.getDOF(DOF_ANKLE_LX), 11.0);
    EXPECT_EQ(t.getDOF(DOF_SHOULDER_LY), 12.0);
    EXPECT_EQ(t.getDOF(DOF_LEG_RY), 13.0);
    EXPECT_EQ(t.getDOF(DOF_LEG_LY), 14.0);
    EXPECT_EQ(t.getDOF(DOF_ANKLE_RY), 15.0);
    EXPECT_EQ(t.getDOF(DOF_ANKLE_LY), 16.0);
    EXPECT_EQ(t.getDOF(DOF_HEAD_PAN), 17.0);
    EXPECT_EQ(t.getDOF(DOF_HEAD_TILT), 18.0);
    EXPECT_EQ(t.getDOF(DOF_ELBOW_R), 105.0);
    EXPECT_EQ(t.getDOF(DOF_ELBOW_L), 109.0);
    EXPECT_EQ(t.getDOF(DOF_LEG_RT), 110.0);
    EXPECT_EQ(t.getDOF(DOF_LEG_LT), 116.0);
}

TEST(PatternAligner, NeverCommandsAnInfiniteOrNaNSpeed) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    PatternAligner pa;
    bool aligned = false;

    // Readings or targets that are no angles: no speed, no hold-up.
    for (double bad : {9999.0, 9000.0, -9999.0, inf, -inf, nan}) {
        aligned = false;
        EXPECT_EQ(pa.jointSpeed(bad, 0.0, aligned), 0.0f) << bad;
        EXPECT_TRUE(aligned) << bad;
        aligned = false;
        EXPECT_EQ(pa.jointSpeed(0.0, bad, aligned), 0.0f) << bad;
        EXPECT_TRUE(aligned) << bad;
    }
    // Just below the unset mark it is still an angle.
    EXPECT_NE(pa.jointSpeed(8999.0, 0.0, aligned), 0.0f);
    EXPECT_FALSE(aligned);

    // Zero power leaves only the constant push against the error.
    pa.setRestartParameter(0.2f, 0.0f, 0.05f);
    EXPECT_EQ(pa.jointSpeed(18.0, 0.0, aligned), -0.05f);
    EXPECT_EQ(pa.jointSpeed(-18.0, 0.0, aligned), 0.05f);

    // Gains that would overflow or are no numbers: the joint holds still and
    // still counts as not aligned.
    const float finf = std::numeric_limits<float>::infinity();
    const float fnan = std::numeric_limits<float>::quiet_NaN();
    const float gains[][2] = {{finf, 0.05f}, {fnan, 0.05f}, {3e38f, 0.05f}, {10.0f, finf},
                              {10.0f, fnan}};
    for (const auto& g : gains) {
        pa.setRestartParameter(0.2f, g[0], g[1]);
        aligned = true;
        const float s = pa.jointSpeed(8000.0, 0.0, aligned);
        EXPECT_TRUE(std::isfinite(s)) << g[0] << " " << g[1];
        EXPECT_FALSE(aligned);
    }

    // Through run(): a world model full of unset and broken readings.
    double angles[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) {
        angles[i] = kStanding[i];
    }
    sense(angles);
    senseJoint(DOF_KNEE_L, 9999);
    senseJoint(DOF_KNEE_R, inf);
    senseJoint(DOF_ANKLE_LY, nan);
    PatternAligner fresh;
    bool done = false;
    const std::string text = runOnce(fresh, &done);
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
    EXPECT_NE(text.find("(lle4 0.000000)"), std::string::npos) << text;
    EXPECT_TRUE(done) << "only unreadable joints are off";
}

TEST(RestartSkill, FinishesOnlyWhenAlignedAndAtRest) {
    sense(kRestart);
    senseGyro(3, 4, 0);  // magnitude exactly 5
    RestartSkill rs(0.2f, 10.0f, 0.0f, 5.0f);
    EXPECT_EQ(rs.getSkillID(), SKILL_RESTART);
    EXPECT_EQ(rs.getName(), "SKILL_RESTART");
    bool done = true;
    const float zeros[DOF_COUNT] = {};
    EXPECT_EQ(runOnce(rs, &done), expected(zeros));
    EXPECT_FALSE(done) << "a rate equal to the threshold is not at rest";

    senseGyro(3, 3.9, 0);
    runOnce(rs, &done);
    EXPECT_TRUE(done);
    EXPECT_TRUE(rs.isFinished());

    // Moving again: no longer finished.
    senseGyro(0, 0, 5.1);
    runOnce(rs, &done);
    EXPECT_FALSE(rs.isFinished());

    senseGyro(std::nan(""), 0, 0);
    runOnce(rs, &done);
    EXPECT_FALSE(done);

    // At rest but an elbow 10 degrees off.
    senseGyro(0, 0, 0);
    senseJoint(DOF_ELBOW_R, 95);
    const std::string text = runOnce(rs, &done);
    EXPECT_FALSE(done);
    EXPECT_FALSE(rs.checkState());
    EXPECT_NE(text.find("(rae4 -0.605556)"), std::string::npos) << text;
}

TEST(RestartSkill, ParametersReachItsAligner) {
    double angles[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) {
        angles[i] = kRestart[i];
    }
    angles[DOF_ELBOW_R] = 95;
    sense(angles);
    senseGyro(0, 0, 0);

    RestartSkill rs(0.2f, 20.0f, 0.0f, 1.0f);
    bool done = true;
    // -(10/180*20) - 0.05
    EXPECT_NE(runOnce(rs, &done).find("(rae4 -1.161111)"), std::string::npos);
    EXPECT_FALSE(done);

    rs.setPower(10.0f);
    EXPECT_NE(runOnce(rs, &done).find("(rae4 -0.605556)"), std::string::npos);

    rs.setTelorance(15.0f);
    runOnce(rs, &done);
    EXPECT_TRUE(done);

    // All four at once: a gyro threshold of 0 can never be met.
    rs.setRestartParameter(15.0f, 10.0f, 1.0f, 0.0f);
    runOnce(rs, &done);
    EXPECT_FALSE(done);
    rs.setStablity(2.0f);
    runOnce(rs, &done);
    EXPECT_FALSE(done);
}
