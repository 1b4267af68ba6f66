// The walk and its follower: which leg follows which oscillator output, the
// speed ramp paced by the server cycle whatever the ball's delta time, the
// turning bands and their messages, stopping, the change of direction
// through standstill, the gyro guard, no infinite or undefined speed, the
// values read from the walk's parameter file and the heading hold.
#include "skills/lowLevelSkills/TFSWalk.h"

#include <cmath>
#include <string>

#include "control/TFSOscillator.h"
#include "etc/SkillParams.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

std::string step(TFSWalk& walk) {
    wm()->setTime(wm()->getTime() + 0.02f);
    return cycle(walk, nullptr, true);
}

// Cycles until the reached speed is exactly `target`; returns how many.
int rampTo(TFSWalk& walk, double target) {
    walk.setspeed(target);
    int n = 0;
    for (; walk.getLastSpeed() != target && n < 1000; ++n) step(walk);
    return n;
}

std::string steer(TFSWalk& walk, double degree) {
    walk.setDegree(degree);
    testing::internal::CaptureStdout();
    walk.setCloseLoopWalkParameter();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(TFSSkillFollower, ClippedSpeedsAndLegsSwappedOnRequest) {
    TFSWalk follower;
    EXPECT_DOUBLE_EQ(follower.predictEffector(3, 13.0, 0.0), -kLimit);
    EXPECT_EQ(follower.predictEffector(5, std::nan(""), 10.0), 0.0);
    for (bool r : {false, true}) {
        wm()->setTime(7.0f);
        TFSWalk walk;
        walk.setReverse(r);
        wm()->setTime(7.1f);
        TFSOscillator o((wm()->getTime() - 7.0f) + 0.02);  // the default gait, full scales
        const double gait[10] = {-20.9241, 0.0,    0.1865148, -29.7735, 20.7945,
                                 -7.0,     -18.05, 11.6474,   15.2049,  0.2};
        o.setOscParameters(gait);
        o.calcOSC();
        // Each joint sensed its own distance short of its target.
        const struct { const char* eff; int joint; double target; } rows[] = {
            {"rle3", DOF_LEG_RX, r ? o.slaveHipXGEN() : o.masterHipXGEN()},
            {"lle4", DOF_KNEE_L, r ? o.masterKneeGEN() : o.slaveKneeGEN()},
            {"rle6", DOF_ANKLE_RY, r ? o.slaveAnkleYGEN() : o.masterAnkleYGEN()}};
        for (int i = 0; i < 3; ++i) senseJoint(rows[i].joint, rows[i].target - 0.3 * (i + 1));
        cc()->reset();
        testing::internal::CaptureStdout();
        walk.runGA();
        testing::internal::GetCapturedStdout();
        auto sent = speeds(cc()->getPreparedCommand());
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(sent[rows[i].eff], 0.15 * (i + 1), 2e-5) << r;
    }
}

TEST(TFSWalkRamp, FullSpeedAfter86CyclesWhateverTheBallsDeltaTime) {
    wm()->setTime(40.0f);
    TFSWalk unseen;
    TFSWalk inView;
    senseAll(0);
    for (int n = 1; n <= 86; ++n) {
        EXPECT_LT(unseen.getLastSpeed(), 1.0) << n;
        wm()->setTime(wm()->getTime() + 0.02f);
        setBallUnseenFor(40.0 + 0.02 * n);  // never seen: the whole match
        const std::string a = cycle(unseen, nullptr, true);
        setBallUnseenFor(0.02);
        ASSERT_EQ(a, cycle(inView, nullptr, true)) << "cycle " << n;
    }
    EXPECT_EQ(unseen.getLastSpeed(), 1.0);
    EXPECT_EQ(rampTo(unseen, 0.6), 10);  // slowing: two full speeds per second
}

TEST(TFSWalkTurning, BandsFollowTheReachedSpeed) {
    // {reached speed, left-turn amplitude}; the band limits are exclusive.
    const double cases[][2] = {{1.0, 2.5}, {0.95, 4.5}, {0.85, 4.0}, {0.5, 3.5}, {0.4, 4.0},
                               {0.3, 6.0}, {0.2, 6.5},  {0.1, 7.5},  {-0.5, 3.5}};
    for (const auto& c : cases) {
        TFSWalk walk;
        rampTo(walk, c[0]);
        EXPECT_EQ(steer(walk, 10.0), "walk And turn right") << c[0];
        EXPECT_DOUBLE_EQ(walk.getARot(), -c[1]) << c[0];
        EXPECT_EQ(steer(walk, -10.0), "walk And turn left");
        EXPECT_DOUBLE_EQ(walk.getARot(), c[1]) << c[0];
    }
}

TEST(TFSWalkTurning, SharpTurnsSlowDownAndStraightIsWithinOneDegree) {
    TFSWalk walk;
    rampTo(walk, 0.5);
    EXPECT_EQ(steer(walk, -20.0), "walk And turn left");
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.2f);
    walk.setspeed(0.1);  // a crawl stays a crawl
    EXPECT_EQ(steer(walk, 20.0), "walk And turn High");
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.1f);
    EXPECT_EQ(steer(walk, -1.0), "walk Striaght\n");
    EXPECT_EQ(walk.getARot(), 0.0);
    rampTo(walk, -0.5);
    EXPECT_EQ(steer(walk, 20.0), "");  // the backward sharp right turn is silent
    EXPECT_FLOAT_EQ(walk.getspeed(), -0.2f);
}

TEST(TFSWalkStop, StopBrakesFirstAndDirectionChangesPassThroughStandstill) {
    TFSWalk walk;
    EXPECT_FALSE(walk.checkState());
    EXPECT_TRUE(walk.stop());  // standing: at once
    rampTo(walk, 1.0);
    int cycles = 0;
    while (!walk.stop() && cycles < 100) step(walk), ++cycles;
    EXPECT_EQ(cycles, 25);  // full speed to standstill in 0.5 s
    TFSWalk turning;
    rampTo(turning, 1.0);
    turning.setspeed(-0.5);
    for (cycles = 0; turning.getLastSpeed() > 0 && cycles < 100; ++cycles) step(turning);
    EXPECT_NEAR(cycles, 25, 1);
    EXPECT_EQ(turning.getLastSpeed(), 0.0);
    step(turning);  // then backward at the usual rate
    EXPECT_NEAR(turning.getLastSpeed(), -0.02 / 1.7, 1e-12);
}

TEST(TFSWalkGuards, FastSpinUnreadableJointsAndZeroSteps) {
    TFSWalk walk;
    walk.setDegree(10.0);
    senseGyro(0, 0, 400);  // exactly the limit is tolerated
    step(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 1.0f);
    senseGyro(300, -300, 0);
    EXPECT_EQ(parseCommand(step(walk)).at(12).second, 0.0);  // the hip no longer yaws
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.1f);
    senseGyro(0, 0, 0);
    senseJoint(DOF_KNEE_R, std::nan(""));
    EXPECT_EQ(parseCommand(step(walk)).at(2).second, 0.0);  // rle4
    walk.setCurveParameters(0.5f, 0.7f, 0.0f);  // no step at all
    walk.changeTFSfPeriods(0.2);  // nothing to rescale from
    for (int n = 0; n < 20; ++n) EXPECT_TRUE(allFinite(step(walk)));
}

namespace {

void setWalk(const char* name, double value) {
    SkillParams::getUniqueInstance()->set(TFSWalk::kSkillName, name, value);
}

}  // namespace

TEST(TFSWalkValues, TheFileNamesAreTheTunersAndItsValuesDriveGaitAndRamp) {
    // The learner's vector, the values file and the tuner's tfswalk.params
    // share the names and the order: the ten gait values come first.
    const char* names[] = {"kneeAmplitude", "kneeHoldEnd",   "kneeOffset",     "armAmplitude",
                           "hipRollAmp",    "hipPitchFirst", "hipPitchSecond", "hipPitchOffset",
                           "halfPeriod",    "timeR",         "accelTime",      "brakeTime",
                           "headingGain"};
    ASSERT_EQ(TFSWalk::paramList().size(), 13u);
    for (std::size_t i = 0; i < 13; ++i) EXPECT_STREQ(TFSWalk::paramList()[i].name, names[i]);

    wm()->setTime(3.0f);
    senseAll(0);
    senseJoint(DOF_LEG_RX, 20.0);  // near the hips' targets: no clipped speed
    TFSWalk design;
    const double designHip = speeds(cycle(design, nullptr, true)).at("rle3");
    setWalk("hipPitchOffset", 25.0);
    TFSWalk offset;
    // The hip pitch offset reaches the follower: the target moves by the
    // change, the speed by a hundredth of it per control step.
    EXPECT_NEAR(speeds(cycle(offset, nullptr, true)).at("rle3") - designHip, (25.0 - 15.2049) / 2.0,
                1e-4);
    setWalk("accelTime", 1.0);
    setWalk("brakeTime", 0.2);
    TFSWalk walk;
    EXPECT_NEAR(rampTo(walk, 1.0), 50, 1);  // one second from standstill
    int cycles = 0;
    while (!walk.stop() && cycles < 100) step(walk), ++cycles;
    EXPECT_NEAR(cycles, 10, 1);  // and 0.2 s back
}

TEST(TFSWalkValues, ValuesThatMakeNoGaitFallBackToTheDesign) {
    wm()->setTime(5.0f);
    senseAll(0);
    TFSWalk design;
    const std::string designCommand = cycle(design, nullptr, true);
    setWalk("halfPeriod", 0.0);  // no step duration: the whole design gait
    setWalk("kneeOffset", -60.0);
    setWalk("accelTime", 0.0);  // a ramp shorter than a cycle: the design ramp
    testing::internal::CaptureStderr();
    TFSWalk bad;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("halfPeriod"), std::string::npos) << said;
    EXPECT_EQ(cycle(bad, nullptr, true), designCommand);
    EXPECT_NEAR(rampTo(bad, 1.0), 85, 1);
}

TEST(TFSWalkHeading, StraightWalkYawsTheHipsAgainstTheTurnSeenSinceItWentStraight) {
    wm()->setTime(1.0f);
    senseAll(0);
    setWalk("headingGain", 0.5);
    TFSWalk walk;
    rampTo(walk, 1.0);
    senseGyro(0, 0, 50);  // turning left at 50 deg/s for 0.2 s: 10 degrees
    for (int n = 0; n < 10; ++n) step(walk);
    EXPECT_NEAR(walk.getHeadingDrift(), 10.0, 1e-9);
    EXPECT_DOUBLE_EQ(walk.getARot(), -TFSWalk::kMaxHold) << "clipped to a mild turn's yaw";
    senseGyro(0, 0, -40);  // back to 2 degrees left: a right yaw of 1 degree
    for (int n = 0; n < 10; ++n) step(walk);
    EXPECT_NEAR(walk.getARot(), -1.0, 1e-9);
    senseGyro(0, 0, std::nan(""));  // a reading that is no number adds nothing
    step(walk);
    EXPECT_NEAR(walk.getHeadingDrift(), 2.0, 1e-9);
    // A sharp turn (the band's fixed yaw) starts the hold afresh after it.
    senseGyro(0, 0, 0);
    walk.setDegree(30.0);
    step(walk);
    EXPECT_DOUBLE_EQ(walk.getARot(), -2.5);  // the band of the speed reached so far
    walk.setDegree(0.0);
    step(walk);
    EXPECT_EQ(walk.getHeadingDrift(), 0.0);
    EXPECT_EQ(walk.getARot(), 0.0);
    // Stopping, the hips come to rest straight whatever the drift.
    senseGyro(0, 0, 50);
    walk.stop();
    step(walk);
    EXPECT_EQ(walk.getARot(), 0.0);
}

TEST(TFSWalkHeading, OffByDesign) {
    senseAll(0);
    TFSWalk walk;
    rampTo(walk, 1.0);
    senseGyro(0, 0, 80);
    for (int n = 0; n < 10; ++n) step(walk);
    EXPECT_EQ(walk.getARot(), 0.0);
}

TEST(TFSWalkHeading, AMildTurnIsSteeredByTheGyroWhicheverWayTheGaitTurnsByItself) {
    wm()->setTime(1.0f);
    senseAll(0);
    setWalk("headingGain", 0.5);
    TFSWalk walk;
    rampTo(walk, 1.0);
    // Ten degrees to the right asked: the heading to hold turns clockwise at
    // 5 deg/s. Not turning at all, the hips yaw ever more to the right...
    senseGyro(0, 0, 0);
    walk.setDegree(10.0);
    for (int n = 0; n < 10; ++n) step(walk);
    EXPECT_NEAR(walk.getARot(), -0.5 * 1.0, 1e-9);  // 1 degree behind after 0.2 s
    for (int n = 0; n < 90; ++n) step(walk);
    EXPECT_DOUBLE_EQ(walk.getARot(), -2.5) << "at most the band's yaw at full speed";
    // ... and turning the other way by itself makes them yaw no less.
    senseGyro(0, 0, 30);
    step(walk);
    EXPECT_DOUBLE_EQ(walk.getARot(), -2.5);
    // Turning right faster than asked, they yaw back to the left.
    senseGyro(0, 0, -200);
    for (int n = 0; n < 10; ++n) step(walk);
    EXPECT_GT(walk.getARot(), 0.0);
    // Straight on from the heading reached: no yaw back to where it began.
    senseGyro(0, 0, 0);
    walk.setDegree(0.0);
    step(walk);
    EXPECT_EQ(walk.getARot(), 0.0);
    // A sharp turn keeps the band's fixed yaw and slows the walk.
    walk.setDegree(30.0);
    step(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.2f);
}
