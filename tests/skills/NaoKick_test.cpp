// The learner's kick (stepping in place for 0.6 s of arms held beside the
// body, then a kick phase that commands nothing) and the four-keyframe kick
// (standing first, then keyframes 1 to 4 with the fast strike aligner).
#include "skills/lowLevelSkills/NaoKick.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <map>
#include <string>

#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/NaoKick2.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};
// What keepHandInBeside sends once both arms are down.
const char* const kArmsHeld = "(rae1 0.000000)(rae2 0.000000)(lae1 0.000000)(lae2 0.000000)";

WorldModel* wm() { return WorldModel::getUniqueInstance(); }

void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    wm()->setAHingeJoint(hj, i);
}

void sense(const double (&angles)[DOF_COUNT]) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angles[i]);
}

std::string cycleAt(SkillBase& s, float time) {
    wm()->setTime(time);
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    s.run();
    return cc->getPreparedCommand();
}

std::map<std::string, double> speeds(const std::string& text) {
    std::map<std::string, double> out;
    const char* c = text.c_str();
    char name[16];
    double value = 0;
    int used = 0;
    while (std::sscanf(c, "(%15s %lf)%n", name, &value, &used) == 2) {
        out[name] = value;
        c += used;
    }
    return out;
}

// NaoKick2's keyframes; joints not listed are 0.
struct Key2 {
    double a[DOF_COUNT] = {};
};
Key2 key2(int k) {
    const struct {
        DOFID joint;
        double angle[4];
    } rows[] = {{DOF_SHOULDER_RX, {50, 0, 0, 0}},
                {DOF_LEG_RT, {0, 0, 0, -2.08}},
                {DOF_LEG_RY, {-11.74, -12.85, -12.85, -12.88}},
                {DOF_LEG_RX, {0, 0, -25.21, 99.97}},
                {DOF_KNEE_R, {0, 0, -15.34, -1.38}},
                {DOF_ANKLE_RX, {0, 0, 21.55, -41.14}},
                {DOF_LEG_LT, {0, 0, 0, 0.18}},
                {DOF_LEG_LY, {0, -6.42, -6.42, -6.42}},
                {DOF_LEG_LX, {0, 0, 0, -31.2}},
                {DOF_KNEE_L, {0, 0, 0, -14.12}},
                {DOF_ANKLE_LY, {0, 16.04, 16.04, 16.04}}};
    Key2 out;
    for (const auto& r : rows) out.a[r.joint] = r.angle[k - 1];
    return out;
}

}  // namespace

TEST(NaoKick, StepsInPlaceForSixTenthsOfASecondThenCommandsNothing) {
    sense(kStanding);
    wm()->setTime(10.0f);
    NaoKick k;
    EXPECT_EQ(k.getSkillID(), SKILL_NAO_KICK);
    for (int i = 0; i < 30; ++i) {
        const float t = 10.0f + 0.02f * i;
        const std::string text = cycleAt(k, t);
        ASSERT_TRUE(k.isStepping()) << t;
        EXPECT_EQ(text.rfind(kArmsHeld, 0), 0u) << text;
        EXPECT_NE(text.find("(rle3 "), std::string::npos) << "the small walk steps: " << text;
    }
    // Exactly 0.6 s after the arms came down the stepping ends for good.
    for (float t : {10.6f, 10.62f, 12.0f}) {
        EXPECT_EQ(cycleAt(k, t), kArmsHeld) << t;
        EXPECT_FALSE(k.isStepping());
        EXPECT_FALSE(k.isFinished()) << "the owner replaces the kick";
    }

    // Times are single precision: 1.0 - 0.4 is a hair short of 0.6.
    wm()->setTime(0.4f);
    NaoKick early;
    cycleAt(early, 0.98f);
    EXPECT_TRUE(early.isStepping());
    EXPECT_EQ(cycleAt(early, 1.0f), kArmsHeld);
    EXPECT_FALSE(early.isStepping());
}

TEST(NaoKick, ArmsLeavingTheSideRestartTheTimer) {
    sense(kStanding);
    wm()->setTime(10.0f);
    NaoKick k;
    cycleAt(k, 10.0f);
    cycleAt(k, 10.28f);
    ASSERT_TRUE(k.isStepping());

    // The left arm is up: it is lowered, the clock starts again.
    senseJoint(DOF_SHOULDER_LX, 30);
    EXPECT_EQ(cycleAt(k, 10.3f), "(lae1 -6.000000)(lae2 0.000000)");
    senseJoint(DOF_SHOULDER_LX, 0);
    cycleAt(k, 10.32f);
    cycleAt(k, 10.88f);
    EXPECT_TRUE(k.isStepping()) << "0.58 s since the restart";
    EXPECT_EQ(cycleAt(k, 10.9f), kArmsHeld);
    EXPECT_FALSE(k.isStepping());
}

TEST(NaoKick, PredictEffectorIsAlwaysAFiniteSpeed) {
    NaoKick k;
    EXPECT_DOUBLE_EQ(k.predictEffector(10.0f, 20.0f), 5.0);
    EXPECT_DOUBLE_EQ(k.predictEffector(20.0f, -20.0f), -20.0);
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(k.predictEffector(0.0f, inf), 0.0);
    EXPECT_EQ(k.predictEffector(inf, inf), 0.0);
    EXPECT_EQ(k.predictEffector(0.0f, std::numeric_limits<float>::quiet_NaN()), 0.0);
    // Setting the shape parameters changes no motion.
    const double v[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    k.setTFSParameters(v);
    k.setTFSParameters(nullptr);
    sense(kStanding);
    wm()->setTime(50.0f);
    k.init2();
    EXPECT_EQ(cycleAt(k, 50.6f), kArmsHeld);
}

TEST(NaoKick2, StandsFirstThenDrivesTheFourKeyframes) {
    // Body exactly at keyframe 1: the monitor may count it, but the first
    // cycles drive the standing posture, not the keyframe.
    sense(key2(1).a);
    NaoKick2 k;
    EXPECT_EQ(k.getSkillID(), SKILL_NAO_KICK2);
    auto s = speeds(cycleAt(k, 1.0f));
    EXPECT_NEAR(s["rae1"], -50 / 18.0 - 0.05, 1e-6);   // 50 -> 0, the standing target
    EXPECT_FALSE(k.isStartOver());
    EXPECT_EQ(k.getQueuedKeyframes(), 3u);
    sense(kStanding);
    cycleAt(k, 1.02f);
    EXPECT_TRUE(k.isStartOver());

    NaoKick2 fresh;
    cycleAt(fresh, 2.0f);   // standing: the start phase ends at once
    s = speeds(cycleAt(fresh, 2.02f));
    EXPECT_NEAR(s["rae1"], 50 / 18.0 + 0.05, 1e-6);    // keyframe 1: 0 -> 50
    sense(key2(1).a);
    s = speeds(cycleAt(fresh, 2.04f));
    EXPECT_NEAR(s["lle6"], 16.04 / 18.0 + 0.05, 1e-5);   // keyframe 2
    sense(key2(2).a);
    s = speeds(cycleAt(fresh, 2.06f));
    EXPECT_NEAR(s["rle3"], -25.21 / 18.0 - 0.05, 1e-5);  // keyframe 3
    sense(key2(3).a);
    s = speeds(cycleAt(fresh, 2.08f));
    EXPECT_EQ(fresh.getQueuedKeyframes(), 1u);
    EXPECT_NEAR(s["rle3"], 125.18 / 180 * 50 + 0.05, 1e-4);   // the strike: power 50

    // The strike's tolerance is 0.1: 0.15 short still moves.
    Key2 almost = key2(4);
    almost.a[DOF_LEG_RX] -= 0.15;
    almost.a[DOF_LEG_LX] += 30;   // keeps the mean error above the threshold
    sense(almost.a);
    s = speeds(cycleAt(fresh, 2.1f));
    EXPECT_EQ(fresh.getQueuedKeyframes(), 1u);
    EXPECT_NEAR(s["rle3"], 0.15 / 180 * 50 + 0.05, 1e-4);

    sense(key2(4).a);
    cycleAt(fresh, 2.12f);
    EXPECT_EQ(fresh.getQueuedKeyframes(), 0u);
    EXPECT_FALSE(fresh.isFinished());
    sense(kStanding);
    cycleAt(fresh, 2.14f);
    EXPECT_TRUE(fresh.isFinished());
    EXPECT_EQ(cycleAt(fresh, 2.16f), "");
}
