// The stand-up: settling (straight joints, gyro at most 0.3), the one-time
// side detection from the fall detector, the front and back keyframe chains
// with the front's 1.02 threshold for the second keyframe, and the return to
// standing that stops every joint.
#include "skills/lowLevelSkills/NaoStandUp.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "dmu/DMUtil.h"
#include "geometry/Point.h"
#include "objects/Gyro.h"
#include "skills/KeyframeTestKit.h"

using namespace kit;

namespace {

const double kZero[DOF_COUNT] = {};
const char* const kStopAll =
    "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
    "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
    "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";

// Keyframe k (1..3) of a side, every joint `shift` degrees past it.
struct Posture {
    double a[DOF_COUNT] = {};
    Posture(bool front, int k, double shift = 0) {
        const int i = k - 1;
        auto both = [&](DOFID r, DOFID l, const double (&v)[3]) { a[r] = a[l] = v[i]; };
        if (front) {
            both(DOF_SHOULDER_RX, DOF_SHOULDER_LX, {90, 86.41, 81.34});
            both(DOF_LEG_RT, DOF_LEG_LT, {0, -5.51, -9.21});
            both(DOF_LEG_RX, DOF_LEG_LX, {-0.22, 110.03, 78.61});
            both(DOF_KNEE_R, DOF_KNEE_L, {0, 0.95, -34.57});
            both(DOF_ANKLE_RX, DOF_ANKLE_LX, {6.86, 6.97, 6.97});
        } else {
            both(DOF_SHOULDER_RX, DOF_SHOULDER_LX, {-31.42, -29.13, -29.61});
            both(DOF_SHOULDER_RY, DOF_SHOULDER_LY, {0, -96.21, -93.93});
            a[DOF_SHOULDER_LY] = -a[DOF_SHOULDER_LY];
            both(DOF_LEG_RT, DOF_LEG_LT, {0, -43.83, -89.95});
            both(DOF_LEG_RY, DOF_LEG_LY, {24.64, 24.82, 23.6});
            a[DOF_LEG_LY] = -a[DOF_LEG_LY];
            both(DOF_LEG_RX, DOF_LEG_LX, {100, 100, 102.08});
            both(DOF_KNEE_R, DOF_KNEE_L, {0, 0, -70.23});
            both(DOF_ANKLE_RX, DOF_ANKLE_LX, {-45.94, -46.06, -44.73});
        }
        for (double& v : a) v += shift;
    }
};

void senseGyro(double x, double y, double z) {
    Gyro g;
    g.setRate(Point(x, y, z));
    WorldModel::getUniqueInstance()->setGyro(g);
}

// The fall detector's view for n cycles: the left foot's pressure centre
// in front of (face down) or behind the ankle.
void feetSay(bool faceDown, int n) {
    WorldModel::getUniqueInstance()->setFRPCenterL(Point(0, faceDown ? 0.05 : -0.05, -0.01));
    for (int i = 0; i < n; ++i) DMUtil::getUniqueInstance()->isFallen();
}

// Settles a stand-up on a straight body at rest.
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
    EXPECT_NEAR(speeds(cycle(s))["rle3"], toward(11, 0), 1e-6);
    EXPECT_FALSE(s.isSettled());
    sense(kZero);
    for (double rate : {0.31, std::numeric_limits<double>::quiet_NaN()}) {
        senseGyro(rate, 0, 0);
        cycle(s);
        EXPECT_FALSE(s.isSettled()) << rate << " is no rest";
    }
    senseGyro(0, 0.3, 0);   // exactly 0.3 is at rest
    cycle(s);
    EXPECT_TRUE(s.isSettled());
    EXPECT_FALSE(s.isFinished());
    EXPECT_EQ(s.getMonitor(), nullptr) << "the side is read in the next cycle";
}

TEST(NaoStandUp, SideIsReadOnceAfterSettling) {
    feetSay(true, 3);
    NaoStandUp s;
    s.setFaceSide(false);
    settle(s);
    cycle(s);
    EXPECT_TRUE(s.isSideDetected() && s.isFaceDown());
    feetSay(false, 10);
    cycle(s);
    EXPECT_TRUE(s.isFaceDown()) << "a later reading does not switch the pattern";
    NaoStandUp up;
    settle(up);
    cycle(up);
    EXPECT_FALSE(up.isFaceDown());
}

// The foot sensors say face up (the toes rarely touch lying on the front);
// the accelerometer, when the server sends one, says which way it lies.
TEST(NaoStandUp, AccelerometerDecidesTheSideWhenItIsClear) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    for (double y : {-9.8, 9.8, -6.0}) {
        feetSay(false, 3);
        wm->setAcc(Point(0, y, 0.5));
        NaoStandUp s;
        settle(s);
        cycle(s);
        EXPECT_EQ(s.isFaceDown(), y < -7.0) << y;
    }
    // A message without an accelerometer leaves the foot sensors in charge.
    wm->resetForUpdate();
    feetSay(true, 20);
    NaoStandUp s;
    settle(s);
    cycle(s);
    EXPECT_EQ(s.isFaceDown(), DMUtil::getUniqueInstance()->isWatchingGround());
}

TEST(NaoStandUp, FrontChainRaisesTheSecondThresholdWhileItIsDriven) {
    feetSay(true, 3);
    NaoStandUp s;
    settle(s);
    EXPECT_NEAR(speeds(cycle(s))["rae1"], toward(0, 90), 1e-6);   // keyframe 1
    sense(Posture(true, 1).a);
    EXPECT_NEAR(speeds(cycle(s))["rle3"], toward(-0.22, 110.03), 1e-5);   // keyframe 2
    EXPECT_EQ(s.getMonitor()->getThr(), 1.02);

    // 1.01 degrees off counts under 1.02: keyframe 2 retires, and the same
    // cycle drives keyframe 3 and restores 1.0.
    sense(Posture(true, 2, 1.01).a);
    EXPECT_NEAR(speeds(cycle(s))["rle4"], toward(0.95 + 1.01, -34.57), 1e-4);
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 1u);
    EXPECT_EQ(s.getMonitor()->getThr(), 1.0);

    sense(Posture(true, 3).a);
    EXPECT_NEAR(speeds(cycle(s))["rle3"], toward(78.61, 11), 1e-5);   // standing
    EXPECT_FALSE(s.isFinished());
    sense(kStanding);
    EXPECT_EQ(cycle(s), kStopAll);
    EXPECT_TRUE(s.isFinished());
    EXPECT_EQ(cycle(s), kStopAll);
}

TEST(NaoStandUp, BackChainKeepsTheThresholdAndSkipsAReachedFirstKeyframe) {
    feetSay(false, 3);
    NaoStandUp s;
    settle(s);
    // Already at keyframe 1 in the detection cycle: keyframe 2 is driven.
    sense(Posture(false, 1).a);
    EXPECT_NEAR(speeds(cycle(s))["rae2"], toward(0, -96.21), 1e-5);
    EXPECT_FALSE(s.isFaceDown());
    // On the back 1.01 degrees off is not reached.
    sense(Posture(false, 2, 1.01).a);
    cycle(s);
    EXPECT_EQ(s.getMonitor()->getPattern().size(), 2u);
    EXPECT_EQ(s.getMonitor()->getThr(), 1.0);

    sense(Posture(false, 2).a);
    EXPECT_NEAR(speeds(cycle(s))["rle4"], toward(0, -70.23), 1e-5);   // keyframe 3
    sense(Posture(false, 3).a);
    EXPECT_NEAR(speeds(cycle(s))["rle4"], toward(-70.23, -29), 1e-5);   // standing
    sense(kStanding);
    EXPECT_EQ(cycle(s), kStopAll);
    EXPECT_TRUE(s.isFinished());
}

TEST(NaoStandUp, NoSpeedThatIsNotANumber) {
    feetSay(true, 3);
    NaoStandUp s;
    settle(s);
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), inf, -inf}) {
        for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, bad);
        senseGyro(bad, bad, bad);
        for (int i = 0; i < 20; ++i) EXPECT_TRUE(allFinite(cycle(s)));
    }
}
