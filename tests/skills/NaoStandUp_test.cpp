// The stand-up: settling (straight joints, gyro at most 0.3), the one-time
// side detection from the fall detector, the front and back keyframe chains
// with the front's 1.02 threshold for the second keyframe, the return to
// standing that stops every joint, and its place in the skill manager.
#include "skills/lowLevelSkills/NaoStandUp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <map>
#include <string>

#include "dmu/DMUtil.h"
#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "skills/SkillManager.h"
#include "skills/lowLevelSkills/Kick.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};
const double kZero[DOF_COUNT] = {};
const char* const kStopAll =
    "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
    "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
    "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";

struct Posture {
    double a[DOF_COUNT] = {};
};

Posture front(int k) {
    Posture p;
    const double sx[] = {90, 86.41, 81.34}, lt[] = {0, -5.51, -9.21},
                 lx[] = {-0.22, 110.03, 78.61}, kn[] = {0, 0.95, -34.57},
                 ax[] = {6.86, 6.97, 6.97};
    p.a[DOF_SHOULDER_RX] = p.a[DOF_SHOULDER_LX] = sx[k - 1];
    p.a[DOF_LEG_RT] = p.a[DOF_LEG_LT] = lt[k - 1];
    p.a[DOF_LEG_RX] = p.a[DOF_LEG_LX] = lx[k - 1];
    p.a[DOF_KNEE_R] = p.a[DOF_KNEE_L] = kn[k - 1];
    p.a[DOF_ANKLE_RX] = p.a[DOF_ANKLE_LX] = ax[k - 1];
    return p;
}

Posture back(int k) {
    Posture p;
    const double sx[] = {-31.42, -29.13, -29.61}, sy[] = {0, -96.21, -93.93},
                 lt[] = {0, -43.83, -89.95}, ly[] = {24.64, 24.82, 23.6}, lx[] = {100, 100, 102.08},
                 kn[] = {0, 0, -70.23}, ax[] = {-45.94, -46.06, -44.73};
    p.a[DOF_SHOULDER_RX] = p.a[DOF_SHOULDER_LX] = sx[k - 1];
    p.a[DOF_SHOULDER_RY] = sy[k - 1];
    p.a[DOF_SHOULDER_LY] = -sy[k - 1];
    p.a[DOF_LEG_RT] = p.a[DOF_LEG_LT] = lt[k - 1];
    p.a[DOF_LEG_RY] = ly[k - 1];
    p.a[DOF_LEG_LY] = -ly[k - 1];
    p.a[DOF_LEG_RX] = p.a[DOF_LEG_LX] = lx[k - 1];
    p.a[DOF_KNEE_R] = p.a[DOF_KNEE_L] = kn[k - 1];
    p.a[DOF_ANKLE_RX] = p.a[DOF_ANKLE_LX] = ax[k - 1];
    return p;
}

// Every joint `by` degrees past the posture: mean absolute error `by`.
Posture shifted(Posture p, double by) {
    for (double& v : p.a) v += by;
    return p;
}

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

void senseGyro(double x, double y, double z) {
    Gyro g;
    g.setRate(Point(x, y, z));
    wm()->setGyro(g);
}

// The fall detector's view: the left foot's pressure centre in front of
// (y > 0) or behind the ankle, fed for n cycles.
void feetSay(bool faceDown, int n) {
    wm()->setFRPCenterL(Point(0, faceDown ? 0.05 : -0.05, -0.01));
    for (int i = 0; i < n; ++i) DMUtil::getUniqueInstance()->isFallen();
}

std::string cycle(SkillBase& s, bool* result = nullptr) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    const bool r = s.run();
    if (result != nullptr) *result = r;
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

// Settles a fresh stand-up on a straight, resting body.
void settle(NaoStandUp& s) {
    sense(kZero);
    senseGyro(0, 0, 0);
    cycle(s);
    ASSERT_TRUE(s.isSettled());
}

}  // namespace

TEST(NaoStandUp, SettlingStraightensAndWaitsForRest) {
    sense(kStanding);
    senseGyro(0, 0, 0);
    NaoStandUp s;
    EXPECT_EQ(s.getSkillID(), SKILL_NAO_STANDUP);
    bool result = true;
    auto v = speeds(cycle(s, &result));
    EXPECT_EQ(v.size(), 22u);
    EXPECT_NEAR(v["rle3"], -11 / 18.0 - 0.05, 1e-6);   // hip X 11 -> 0
    EXPECT_FALSE(result);
    EXPECT_FALSE(s.isSettled());

    // Straight but still moving: settling goes on, finished stays false.
    sense(kZero);
    senseGyro(0.31, 0, 0);
    cycle(s, &result);
    EXPECT_FALSE(s.isSettled());
    EXPECT_FALSE(result || s.isFinished());
    senseGyro(std::numeric_limits<double>::quiet_NaN(), 0, 0);
    cycle(s);
    EXPECT_FALSE(s.isSettled()) << "a rate that is no number is no rest";
    // Exactly 0.3 is at rest.
    senseGyro(0, 0.3, 0);
    cycle(s, &result);
    EXPECT_TRUE(s.isSettled());
    EXPECT_FALSE(result || s.isFinished());
    EXPECT_EQ(s.getMonitor(), nullptr) << "the side is read in the next cycle";
}

TEST(NaoStandUp, SideIsReadOnceAfterSettling) {
    feetSay(true, 3);
    NaoStandUp s;
    s.setFaceSide(false);
    settle(s);
    EXPECT_FALSE(s.isSideDetected());
    cycle(s);
    EXPECT_TRUE(s.isSideDetected());
    EXPECT_TRUE(s.isFaceDown());
    ASSERT_NE(s.getMonitor(), nullptr);
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 3u);

    feetSay(false, 10);
    ASSERT_FALSE(DMUtil::getUniqueInstance()->isWatchingGround());
    cycle(s);
    EXPECT_TRUE(s.isFaceDown()) << "a later reading does not switch the pattern";

    feetSay(false, 1);
    NaoStandUp up;
    settle(up);
    cycle(up);
    EXPECT_FALSE(up.isFaceDown());
}

TEST(NaoStandUp, FrontChainRaisesTheSecondThresholdWhileItIsDriven) {
    feetSay(true, 3);
    NaoStandUp s;
    settle(s);
    // Detection cycle on a straight body: keyframe 1 is driven (shoulders 0 -> 90).
    auto v = speeds(cycle(s));
    EXPECT_NEAR(v["rae1"], 90 / 18.0 + 0.05, 1e-6);
    EXPECT_EQ(s.getMonitor()->getThr(), 1.0);

    // Keyframe 1 reached: retired, keyframe 2 driven with the threshold 1.02.
    sense(front(1).a);
    v = speeds(cycle(s));
    EXPECT_NEAR(v["rle3"], (110.03 + 0.22) / 18.0 + 0.05, 1e-5);   // hip X -0.22 -> 110.03
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 2u);
    EXPECT_EQ(s.getMonitor()->getThr(), 1.02);

    // 1.01 degrees off on every joint counts under 1.02: keyframe 2 retires,
    // and the same cycle drives keyframe 3 and restores 1.0.
    sense(shifted(front(2), 1.01).a);
    v = speeds(cycle(s));
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 1u);
    EXPECT_EQ(s.getMonitor()->getThr(), 1.0);
    EXPECT_NEAR(v["rle4"], (0.95 + 1.01 + 34.57) / -18.0 - 0.05, 1e-4);   // knee -> -34.57

    // Keyframe 3 reached: the standing posture, then every joint stopped.
    sense(front(3).a);
    bool result = true;
    v = speeds(cycle(s, &result));
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 0u);
    EXPECT_NEAR(v["rle3"], (78.61 - 11) / -18.0 - 0.05, 1e-5);
    EXPECT_FALSE(result);
    sense(kStanding);
    EXPECT_EQ(cycle(s, &result), kStopAll);
    EXPECT_TRUE(result && s.isFinished());
    EXPECT_EQ(cycle(s, &result), kStopAll);
}

TEST(NaoStandUp, BackChainKeepsTheThresholdAndSkipsAReachedFirstKeyframe) {
    feetSay(false, 3);
    NaoStandUp s;
    settle(s);
    // The body already matches keyframe 1 in the detection cycle: that cycle
    // drives keyframe 2 (right shoulder Y 0 -> -96.21).
    sense(back(1).a);
    auto v = speeds(cycle(s));
    EXPECT_FALSE(s.isFaceDown());
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 2u);
    EXPECT_NEAR(v["rae2"], 96.21 / -18.0 - 0.05, 1e-5);

    // On the back 1.01 degrees off is not reached: the threshold stays 1.0.
    sense(shifted(back(2), 1.01).a);
    cycle(s);
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 2u);
    EXPECT_EQ(s.getMonitor()->getThr(), 1.0);

    // Keyframe 2 reached: retired, and the same cycle's later tests drive
    // keyframe 3 (knee 0 -> -70.23).
    sense(back(2).a);
    v = speeds(cycle(s));
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 1u);
    EXPECT_NEAR(v["rle4"], -70.23 / 18.0 - 0.05, 1e-5);
    sense(back(3).a);
    v = speeds(cycle(s));
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 0u);
    EXPECT_NEAR(v["rle4"], (-70.23 + 29) / -180.0 * 10 + 0.05, 1e-5);   // standing knee
    EXPECT_FALSE(s.isFinished());
    sense(kStanding);
    EXPECT_EQ(cycle(s), kStopAll);
    EXPECT_TRUE(s.isFinished());
}

TEST(NaoStandUp, PreemptsARunningKickInTheManager) {
    sense(kStanding);
    Ball b;
    b.setPolarPos(Point(0.5, 0, -10));
    wm()->setBall(b);
    SkillManager* sm = SkillManager::getUniqueInstance();
    sm->putSkillInQ(new Kick());
    ASSERT_TRUE(sm->runSkills());
    sm->putSkillInQ(new Kick());   // the same kind: the running kick goes on
    sm->runSkills();
    ASSERT_EQ(sm->getRunningSkill()->getSkillID(), SKILL_NAO_KICK);

    sm->putSkillInQ(new NaoStandUp());
    CommandCreator::getUniqueInstance()->reset();
    ASSERT_TRUE(sm->runSkills());
    EXPECT_EQ(sm->getRunningSkill()->getSkillID(), SKILL_NAO_STANDUP);
    EXPECT_EQ(sm->getPrevSkillID(), SKILL_NAO_KICK);
    // Another stand-up waits; the running one is not interrupted.
    SkillBase* running = sm->getRunningSkill();
    sm->putSkillInQ(new NaoStandUp());
    sm->runSkills();
    EXPECT_EQ(sm->getRunningSkill(), running);
}

TEST(NaoStandUp, NoSpeedThatIsNotANumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    feetSay(true, 3);
    NaoStandUp s;
    settle(s);
    for (double bad : {nan, inf, -inf}) {
        for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, bad);
        senseGyro(bad, bad, bad);
        for (int i = 0; i < 20; ++i) {
            const std::string text = cycle(s);
            EXPECT_EQ(text.find("nan"), std::string::npos) << text;
            EXPECT_EQ(text.find("inf"), std::string::npos) << text;
        }
    }
}
