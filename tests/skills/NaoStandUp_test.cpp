// The stand-up: settling (straight joints, gyro at most 0.3), the one-time
// side detection from the fall detector or a clear accelerometer, the front
// chain's 1.02 threshold for its second keyframe, the return to standing
// that stops every joint, a stand-up that finds the robot upright, the
// swing off the side, and the values read from its parameter file.
#include "skills/lowLevelSkills/NaoStandUp.h"

#include <cmath>

#include "dmu/DMUtil.h"
#include "etc/SkillParams.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

// Front keyframe k (1..3), every joint `shift` degrees past it.
const double* front(int k, double shift = 0) {
    static double a[DOF_COUNT];
    const struct { DOFID r, l; double v[3]; } rows[] = {
        {DOF_SHOULDER_RX, DOF_SHOULDER_LX, {90, 86.41, 81.34}},
        {DOF_LEG_RT, DOF_LEG_LT, {0, -5.51, -9.21}}, {DOF_LEG_RX, DOF_LEG_LX, {-0.22, 110.03, 78.61}},
        {DOF_KNEE_R, DOF_KNEE_L, {0, 0.95, -34.57}}, {DOF_ANKLE_RX, DOF_ANKLE_LX, {6.86, 6.97, 6.97}}};
    for (double& v : a) v = shift;
    for (const auto& r : rows) a[r.r] = a[r.l] = r.v[k - 1] + shift;
    return a;
}

// The fall detector's view for n cycles: the left foot's pressure centre
// in front of (face down) or behind the ankle.
void feetSay(bool faceDown, int n) {
    wm()->setFRPCenterL(Point(0, faceDown ? 0.05 : -0.05, -0.01));
    for (int i = 0; i < n; ++i) DMUtil::getUniqueInstance()->isFallen();
}

}  // namespace

TEST(NaoStandUp, SettlingAndTheSideReadOnceFromFeetOrAClearAccelerometer) {
    sense(kStanding);
    senseGyro(0, 0, 0);
    NaoStandUp s;
    EXPECT_NEAR(speeds(cycle(s))["rle3"], toward(11, 0), 1e-6);  // straightening
    senseAll(0);
    for (double rate : {0.31, std::nan(""), 0.3}) {  // exactly 0.3 is at rest
        senseGyro(0, rate, 0);
        cycle(s);
        EXPECT_EQ(s.isSettled(), rate == 0.3) << rate;
    }
    EXPECT_EQ(s.getMonitor(), nullptr) << "the side is read in the next cycle";
    feetSay(true, 3);
    cycle(s);
    EXPECT_TRUE(s.isSideDetected() && s.isFaceDown());
    feetSay(false, 10);
    cycle(s);
    EXPECT_TRUE(s.isFaceDown()) << "a later reading does not switch the pattern";
    // The toes rarely touch lying on the front: a clear accelerometer decides.
    for (double y : {-9.8, -6.0}) {
        wm()->setAcc(Point(0, y, 0.5));
        NaoStandUp lying;
        cycle(lying);
        cycle(lying);
        EXPECT_EQ(lying.isFaceDown(), y < -7.0) << y;
    }
    senseAll(std::nan(""));  // no reading that is no number becomes a speed
    senseGyro(HUGE_VAL, 0, 0);
    EXPECT_TRUE(allFinite(cycle(s)));
}

TEST(NaoStandUp, FrontChainRaisesTheSecondThresholdAndEndsStanding) {
    feetSay(true, 3);
    senseAll(0);
    senseGyro(0, 0, 0);
    NaoStandUp s;
    cycle(s);
    cycle(s);  // settled, then face down: keyframe 1
    sense(front(1));
    EXPECT_NEAR(speeds(cycle(s))["rle3"], toward(-0.22, 110.03), 1e-5);  // keyframe 2
    EXPECT_EQ(s.getMonitor()->getThr(), 1.02);
    // 1.01 degrees off counts under 1.02: keyframe 3 is driven and 1.0 restored.
    sense(front(2, 1.01));
    EXPECT_NEAR(speeds(cycle(s))["rle4"], toward(0.95 + 1.01, -34.57), 1e-4);
    EXPECT_EQ(s.getMonitor()->getThr(), 1.0);
    sense(front(3));
    EXPECT_NEAR(speeds(cycle(s))["rle3"], toward(78.61, 11), 1e-5);  // standing
    EXPECT_FALSE(s.isFinished());
    sense(kStanding);
    const Sent stop = parseCommand(cycle(s));
    EXPECT_EQ(stop.size(), 22u);
    for (const auto& e : stop) EXPECT_EQ(e.second, 0.0) << e.first;
    EXPECT_TRUE(s.isFinished());
}

namespace {

void setStandUp(const char* name, double value) {
    SkillParams::getUniqueInstance()->set(NaoStandUp::kSkillName, name, value);
}

}  // namespace

TEST(NaoStandUp, FoundUprightItOnlyStandsInsteadOfThrowingItselfDown) {
    // The fall detector looks back half a second, so a stand-up may be
    // queued just after the robot got up: gravity along the torso tells.
    sense(kStanding);
    senseGyro(0, 0, 0);
    wm()->setAcc(Point(0, 0, 9.81));
    NaoStandUp s;
    cycle(s);
    cycle(s);
    EXPECT_FALSE(s.foundUpright()) << "a single reading may be a jolt";
    cycle(s);
    EXPECT_TRUE(s.foundUpright());
    EXPECT_EQ(s.getMonitor(), nullptr) << "no keyframe is ever loaded";
    wm()->setAcc(Point(0, 9.8, 0.3));  // even if it then reads lying
    bool done = false;
    const Sent stop = parseCommand(cycle(s, &done));
    EXPECT_TRUE(done);
    EXPECT_EQ(stop.size(), 22u);  // the standing posture reached: every joint stopped
    // Lying, the same readings never count as upright.
    senseAll(0);
    NaoStandUp lying;
    for (int n = 0; n < 5; ++n) cycle(lying);
    EXPECT_FALSE(lying.foundUpright());
    EXPECT_NE(lying.getMonitor(), nullptr);
}

TEST(NaoStandUp, OnItsSideArmsAndHipsSwingForwardOnceThenItSettlesAgain) {
    senseAll(0);
    senseGyro(0, 0, 0);
    wm()->setTime(10.0f);
    wm()->setAcc(Point(9.8, 0.5, 0.2));  // gravity across the torso sideways
    NaoStandUp s;
    cycle(s);  // settled (straight, still)
    ASSERT_TRUE(s.isSettled());
    auto sent = speeds(cycle(s));
    EXPECT_GT(sent.at("rae1"), 0.0);  // arms forward
    EXPECT_GT(sent.at("rle3"), 0.0);  // hips bent
    EXPECT_FALSE(s.isSideDetected());
    wm()->setTime(10.0f + static_cast<float>(NaoStandUp::kRollTime) + 0.02f);
    cycle(s);  // time up: settle again, the side is not read yet
    EXPECT_TRUE(s.rolledOffSide());
    EXPECT_FALSE(s.isSideDetected());
    // Still on the side after settling: once is enough, the side is read.
    senseAll(0);
    cycle(s);
    cycle(s);
    EXPECT_TRUE(s.isSideDetected());
    // Three clear readings on the back end the swing early.
    wm()->setTime(20.0f);
    NaoStandUp early;
    cycle(early);
    cycle(early);
    wm()->setAcc(Point(2.0, 9.8, 0.3));
    for (int n = 0; n < 3; ++n) cycle(early);
    EXPECT_TRUE(early.rolledOffSide());
    EXPECT_FALSE(early.isSideDetected());
}

TEST(NaoStandUp, GainsAndThresholdsComeFromItsValuesFile) {
    setStandUp("keyframeThr", 2.5);
    setStandUp("keyframePower", 20.0);
    setStandUp("restGyro", 4.0);
    setStandUp("straightenTolerance", 3.0);
    setStandUp("risePower", -1.0);  // no gain: the design gain
    feetSay(true, 3);
    wm()->setAcc(Point(0, -9.8, 0.3));
    senseAll(2.9);         // within 3 degrees of straight
    senseGyro(0, 3.9, 0);  // and still enough
    NaoStandUp s;
    cycle(s);
    EXPECT_TRUE(s.isSettled());
    sense(front(1, 2.4));
    const auto sent = speeds(cycle(s));
    EXPECT_EQ(s.getMonitor()->getThr(), 1.02) << "front's second keyframe keeps its own";
    // Keyframe 2 at twice the design gain.
    const double e = front(1, 2.4)[DOF_LEG_RX] - 110.03;
    EXPECT_NEAR(sent.at("rle3"), e / -180.0 * 20.0 + 0.05, 1e-5);
    ASSERT_EQ(NaoStandUp::paramList().size(), 7u);
    EXPECT_STREQ(NaoStandUp::paramList()[5].name, "risePower");
}
