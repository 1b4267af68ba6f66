// The learner's kick (stepping in place for 0.6 s of arms held beside the
// body, then a kick phase that commands nothing) and the four-keyframe kick
// (standing first, then keyframes 1 to 4 with the fast strike aligner).
#include "skills/lowLevelSkills/NaoKick.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "skills/KeyframeTestKit.h"
#include "skills/lowLevelSkills/NaoKick2.h"

using namespace kit;

namespace {

// What keepHandInBeside sends once both arms are down.
const std::string kArmsHeld = "(rae1 0.000000)(rae2 0.000000)(lae1 0.000000)(lae2 0.000000)";

std::string cycleAt(SkillBase& s, float time) {
    WorldModel::getUniqueInstance()->setTime(time);
    return cycle(s);
}

// NaoKick2's keyframe k (1..4); joints not listed are 0.
struct Key2 {
    double a[DOF_COUNT] = {};
    explicit Key2(int k) {
        const struct {
            DOFID joint;
            double angle[4];
        } rows[] = {{DOF_SHOULDER_RX, {50, 0, 0, 0}},         {DOF_LEG_RT, {0, 0, 0, -2.08}},
                    {DOF_LEG_RY, {-11.74, -12.85, -12.85, -12.88}},
                    {DOF_LEG_RX, {0, 0, -25.21, 99.97}},       {DOF_KNEE_R, {0, 0, -15.34, -1.38}},
                    {DOF_ANKLE_RX, {0, 0, 21.55, -41.14}},     {DOF_LEG_LT, {0, 0, 0, 0.18}},
                    {DOF_LEG_LY, {0, -6.42, -6.42, -6.42}},    {DOF_LEG_LX, {0, 0, 0, -31.2}},
                    {DOF_KNEE_L, {0, 0, 0, -14.12}},           {DOF_ANKLE_LY, {0, 16.04, 16.04, 16.04}}};
        for (const auto& r : rows) a[r.joint] = r.angle[k - 1];
    }
};

}  // namespace

TEST(NaoKick, StepsInPlaceForSixTenthsOfASecondThenCommandsNothing) {
    sense(kStanding);
    WorldModel::getUniqueInstance()->setTime(10.0f);
    NaoKick k;
    for (int i = 0; i < 30; ++i) {
        const std::string text = cycleAt(k, 10.0f + 0.02f * i);
        ASSERT_TRUE(k.isStepping()) << i;
        EXPECT_EQ(text.rfind(kArmsHeld, 0), 0u) << text;
        EXPECT_NE(text.find("(rle3 "), std::string::npos) << "the small walk steps";
    }
    for (float t : {10.6f, 10.62f, 12.0f}) {   // exactly 0.6 s on, and for good
        EXPECT_EQ(cycleAt(k, t), kArmsHeld) << t;
        EXPECT_FALSE(k.isStepping() || k.isFinished());
    }
    // Single-precision times: 1.0 - 0.4 comes out a hair short of 0.6.
    WorldModel::getUniqueInstance()->setTime(0.4f);
    NaoKick early;
    cycleAt(early, 0.98f);
    EXPECT_TRUE(early.isStepping());
    EXPECT_EQ(cycleAt(early, 1.0f), kArmsHeld);
}

TEST(NaoKick, ArmsLeavingTheSideRestartTheTimer) {
    sense(kStanding);
    WorldModel::getUniqueInstance()->setTime(10.0f);
    NaoKick k;
    cycleAt(k, 10.28f);
    senseJoint(DOF_SHOULDER_LX, 30);   // the left arm is up: lowered, clock restarted
    EXPECT_EQ(cycleAt(k, 10.3f), "(lae1 -6.000000)(lae2 0.000000)");
    senseJoint(DOF_SHOULDER_LX, 0);
    cycleAt(k, 10.88f);
    EXPECT_TRUE(k.isStepping()) << "0.58 s since the restart";
    EXPECT_EQ(cycleAt(k, 10.9f), kArmsHeld);
}

TEST(NaoKick, PredictEffectorIsAlwaysAFiniteSpeed) {
    NaoKick k;
    EXPECT_DOUBLE_EQ(k.predictEffector(10.0f, 20.0f), 5.0);   // a hundred cycles of 0.02 s
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(k.predictEffector(0.0f, inf), 0.0);
    EXPECT_EQ(k.predictEffector(inf, inf), 0.0);
    EXPECT_EQ(k.predictEffector(0.0f, std::numeric_limits<float>::quiet_NaN()), 0.0);
}

TEST(NaoKick2, StandsFirstThenDrivesTheFourKeyframes) {
    // At keyframe 1 the monitor may count it, but the standing posture comes first.
    sense(Key2(1).a);
    NaoKick2 k;
    EXPECT_NEAR(speeds(cycle(k))["rae1"], toward(50, 0), 1e-6);
    EXPECT_FALSE(k.isStartOver());

    sense(kStanding);
    NaoKick2 fresh;
    cycle(fresh);   // already standing: the start phase ends
    EXPECT_NEAR(speeds(cycle(fresh))["rae1"], toward(0, 50), 1e-6);
    sense(Key2(1).a);
    EXPECT_NEAR(speeds(cycle(fresh))["lle6"], toward(0, 16.04), 1e-5);
    sense(Key2(2).a);
    EXPECT_NEAR(speeds(cycle(fresh))["rle3"], toward(0, -25.21), 1e-5);
    sense(Key2(3).a);
    // The strike: power 50.
    EXPECT_NEAR(speeds(cycle(fresh))["rle3"], 125.18 / 180 * 50 + 0.05, 1e-4);
    // Tolerance 0.1: 0.15 short still moves (mean error kept above 1.0).
    Key2 almost(4);
    almost.a[DOF_LEG_RX] -= 0.15;
    almost.a[DOF_LEG_LX] += 30;
    sense(almost.a);
    EXPECT_NEAR(speeds(cycle(fresh))["rle3"], 0.15 / 180 * 50 + 0.05, 1e-4);

    sense(Key2(4).a);
    cycle(fresh);
    EXPECT_EQ(fresh.getQueuedKeyframes(), 0u);
    sense(kStanding);
    cycle(fresh);
    EXPECT_TRUE(fresh.isFinished());
    EXPECT_EQ(cycle(fresh), "");
}
