// The walk and its follower: which leg follows which oscillator output, the
// speed ramp paced by the server cycle whatever the ball's delta time, the
// turning bands and their messages, stopping, the change of direction
// through standstill, the gyro guard, and readings or periods that must
// never become infinite or undefined speeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "control/TFSOscillator.h"
#include "geometry/Point.h"
#include "objects/Gyro.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

constexpr double kLimit = 6.1395447;
constexpr double kRampStep = 0.02 / 1.7;
const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Opens up the scales the ramp writes.
class ProbeWalk : public TFSWalk {
public:
    double armScale() const { return RMaArm; }
    double kneeScale() const { return RSaknee; }
    double rollScale() const { return RMaHipY; }
    double kneeHoldEnd() const { return t2; }
};

void senseGyro(double x, double y, double z) {
    Gyro g;
    g.setRate(Point(x, y, z));
    wm()->setGyro(g);
}

std::string cycle(TFSWalk& walk) {
    wm()->setTime(wm()->getTime() + 0.02f);
    return runOnce(walk);
}

// Cycles until the reached speed is exactly `target` (the ramp's last step
// is capped); returns how many it took.
int rampTo(TFSWalk& walk, double target) {
    walk.setspeed(target);
    int n = 0;
    for (; walk.getLastSpeed() != target && n < 1000; ++n) cycle(walk);
    return n;
}

std::string steer(TFSWalk& walk, double degree) {
    walk.setDegree(degree);
    testing::internal::CaptureStdout();
    walk.setCloseLoopWalkParameter();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(TFSSkillFollower, SpeedIsTheErrorOverOneHundredCyclesClipped) {
    ProbeWalk walk;
    EXPECT_DOUBLE_EQ(walk.predictEffector(0, 0.0, 10.0), 5.0);
    EXPECT_NEAR(walk.predictEffector(2, 0.0, 12.27), 6.135, 1e-12);
    EXPECT_DOUBLE_EQ(walk.predictEffector(2, 0.0, 12.28), kLimit);
    EXPECT_DOUBLE_EQ(walk.predictEffector(3, 13.0, 0.0), -kLimit);
    // Readings that are no angles command nothing rather than a wild speed.
    EXPECT_EQ(walk.predictEffector(5, kNan, 10.0), 0.0);
    EXPECT_EQ(walk.predictEffector(7, 0.0, -kInf), 0.0);
    // Outside the bookkeeping's range the command is still computed.
    EXPECT_DOUBLE_EQ(walk.predictEffector(14, 0.0, 2.0), 1.0);
}

TEST(TFSSkillFollower, RightLegIsMasterUnlessLegsAreSwapped) {
    for (bool r : {false, true}) {
        SCOPED_TRACE(r);
        wm()->setTime(7.0f);
        setBallUnseenFor(7.0);
        ProbeWalk walk;
        walk.setReverse(r);
        wm()->setTime(7.1f);
        const double phase = (wm()->getTime() - 7.0f) + 0.02;
        // The default gait at full scales, no hip yaw.
        TFSOscillator o(phase);
        const double gait[10] = {-20.9241, 0.0,    0.1865148, -29.7735, 20.7945,
                                 -7.0,     -18.05, 11.6474,   15.2049,  0.2};
        o.setOscParameters(gait);
        o.calcOSC();
        struct Row {
            const char* effector;
            int joint;
            double target;
        };
        std::vector<Row> rows = {
            {"rle3", DOF_LEG_RX, r ? o.slaveHipXGEN() : o.masterHipXGEN()},
            {"lle3", DOF_LEG_LX, r ? o.masterHipXGEN() : o.slaveHipXGEN()},
            {"rle4", DOF_KNEE_R, r ? o.slaveKneeGEN() : o.masterKneeGEN()},
            {"lle4", DOF_KNEE_L, r ? o.masterKneeGEN() : o.slaveKneeGEN()},
            {"rle5", DOF_ANKLE_RX, r ? o.slaveAnkleGEN() : o.masterAnkleGEN()},
            {"lle5", DOF_ANKLE_LX, r ? o.masterAnkleGEN() : o.slaveAnkleGEN()},
            {"rle6", DOF_ANKLE_RY, r ? o.slaveAnkleYGEN() : o.masterAnkleYGEN()},
            {"lle6", DOF_ANKLE_LY, r ? o.masterAnkleYGEN() : o.slaveAnkleYGEN()},
            {"lle2", DOF_LEG_LY, r ? o.masterHipYGEN() : o.slaveHipYGEN()},
            {"rle2", DOF_LEG_RY, r ? o.slaveHipYGEN() : o.masterHipYGEN()},
            {"rae1", DOF_SHOULDER_RX, r ? o.slaveArmGEN() : o.masterArmGEN()},
            {"lae1", DOF_SHOULDER_LX, r ? o.masterArmGEN() : o.slaveArmGEN()},
            {"rle1", DOF_LEG_RT, 0.0},
            {"lle1", DOF_LEG_LT, 0.0}};
        // Swapped legs send the right ankle's two commands first.
        if (r) std::swap(rows[5], rows[6]);
        // Each joint sensed a different distance short of its own target,
        // so a joint fed another joint's target shows.
        Sent expected;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            senseJoint(rows[i].joint, rows[i].target - 0.3 * (i + 1));
            expected.emplace_back(rows[i].effector, 0.15 * (i + 1));
        }
        cc()->reset();
        testing::internal::CaptureStdout();
        walk.runGA();
        const std::string out = testing::internal::GetCapturedStdout();
        expectSent(cc()->getPreparedCommand(), expected);
        EXPECT_NEAR(walk.getPredTime(), phase, 1e-9);
        EXPECT_EQ(out.rfind("in follower: 1 , 1\n", 0), 0u) << out;
        EXPECT_EQ(out.find("rROT: 0\nROT Deg: 0\nROT Eff: ") != std::string::npos, !r) << out;
    }
}

TEST(TFSWalkRamp, FullSpeedAfter86CyclesWithTheBallNeverSeen) {
    wm()->setTime(40.0f);
    setBallUnseenFor(40.0);  // never seen: delta time is the whole match
    ProbeWalk walk;
    EXPECT_FLOAT_EQ(walk.getspeed(), 1.0f);
    cycle(walk);
    EXPECT_NEAR(walk.getLastSpeed(), 0.0117647, 1e-7);
    for (int i = 2; i <= 85; ++i) cycle(walk);
    EXPECT_LT(walk.getLastSpeed(), 1.0);
    cycle(walk);
    EXPECT_EQ(walk.getLastSpeed(), 1.0);
    EXPECT_EQ(walk.rollScale(), 0.0);
    // Slowing down goes at two full speeds per second.
    EXPECT_EQ(rampTo(walk, 0.6), 10);
}

TEST(TFSWalkRamp, CommandsDoNotDependOnTheBallsDeltaTime) {
    wm()->setTime(12.0f);
    ProbeWalk unseen;
    ProbeWalk inView;
    senseAllJointsAt(0);
    for (int n = 0; n < 60; ++n) {
        wm()->setTime(wm()->getTime() + 0.02f);
        setBallUnseenFor(12.0 + 0.02 * n);
        const std::string a = runOnce(unseen);
        setBallUnseenFor(0.02);
        ASSERT_EQ(a, runOnce(inView)) << "cycle " << n;
    }
    // The legs really move: some joint is driven hard.
    double largest = 0;
    for (const auto& e : parseCommand(cycle(unseen))) {
        largest = std::max(largest, std::fabs(e.second));
    }
    EXPECT_GT(largest, 1.0);
    EXPECT_NEAR(unseen.getLastSpeed(), 61 * kRampStep, 1e-9);
}

TEST(TFSWalkTurning, BandsFollowTheReachedSpeed) {
    // {reached speed, left-turn amplitude}: slower walks yaw wider; the band
    // limits are exclusive.
    const double cases[][2] = {{1.0, 2.5}, {0.95, 4.5}, {0.85, 4.0}, {0.7, 4.0},
                               {0.5, 3.5}, {0.4, 4.0},  {0.3, 6.0},  {0.2, 6.5},
                               {0.1, 7.5}, {0.0, 7.5},  {-0.5, 3.5}, {-0.1, 7.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        ProbeWalk walk;
        rampTo(walk, c[0]);
        EXPECT_EQ(steer(walk, 10.0), "walk And turn right");
        EXPECT_DOUBLE_EQ(walk.getARot(), -c[1]);
        EXPECT_EQ(steer(walk, -10.0), "walk And turn left");
        EXPECT_DOUBLE_EQ(walk.getARot(), c[1]);
        EXPECT_FLOAT_EQ(walk.getspeed(), static_cast<float>(c[0]));
    }
}

TEST(TFSWalkTurning, SharpTurnsSlowDownAndStraightIsWithinOneDegree) {
    ProbeWalk walk;
    rampTo(walk, 0.5);
    EXPECT_EQ(steer(walk, -20.0), "walk And turn left");
    EXPECT_DOUBLE_EQ(walk.getARot(), 3.5);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.2f);
    walk.setspeed(0.1);  // a crawl stays a crawl
    EXPECT_EQ(steer(walk, 20.0), "walk And turn High");
    EXPECT_DOUBLE_EQ(walk.getARot(), -3.5);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.1f);
    walk.setspeed(0.5);
    EXPECT_EQ(steer(walk, 15.0), "walk And turn right");  // still mild
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.5f);
    for (double straight : {1.0, -1.0}) {
        walk.setARot(9.0);
        EXPECT_EQ(steer(walk, straight), "walk Striaght\n");
        EXPECT_EQ(walk.getARot(), 0.0);
    }
    // At full speed a sharp turn ramps down to a fifth in 20 cycles.
    rampTo(walk, 1.0);
    walk.setDegree(20.0);
    EXPECT_EQ(rampTo(walk, 0.2), 20);
}

TEST(TFSWalkTurning, BackwardSharpTurnsAndTheOtherDirection) {
    ProbeWalk walk;
    EXPECT_EQ(rampTo(walk, -0.5), 43);
    EXPECT_EQ(steer(walk, 20.0), "");  // the backward sharp right turn is silent
    EXPECT_DOUBLE_EQ(walk.getARot(), -3.5);
    EXPECT_FLOAT_EQ(walk.getspeed(), -0.2f);
    walk.setspeed(-0.1);
    EXPECT_EQ(steer(walk, -20.0), "walk And turn left");
    EXPECT_FLOAT_EQ(walk.getspeed(), -0.1f);
    // Asked forward while still moving backward: no band, aRot stays.
    walk.setspeed(0.5);
    walk.setARot(1.25);
    steer(walk, 10.0);
    EXPECT_DOUBLE_EQ(walk.getARot(), 1.25);
}

TEST(TFSWalkStop, StandingWalkFinishesAtOnceMovingOneBrakesFirst) {
    ProbeWalk standing;
    EXPECT_FALSE(standing.checkState());
    EXPECT_TRUE(standing.stop());

    ProbeWalk walk;
    rampTo(walk, 1.0);
    EXPECT_FALSE(walk.stop());
    EXPECT_TRUE(walk.isstopping());
    int cycles = 0;
    for (bool done = false; !done && cycles < 100;) {
        cycle(walk);
        ++cycles;
        done = walk.stop();
    }
    EXPECT_EQ(cycles, 25);  // full speed to standstill in 0.5 s
    EXPECT_FALSE(walk.isstopping());

    // A ramp that ends at 0 keeps swaying until stop() is called.
    ProbeWalk slowed;
    rampTo(slowed, 0.5);
    EXPECT_EQ(rampTo(slowed, 0.0), 13);
    cycle(slowed);
    EXPECT_FALSE(slowed.isFinished());
    EXPECT_EQ(slowed.rollScale(), 1.0);
    EXPECT_TRUE(slowed.stop());
}

TEST(TFSWalkDirection, ChangeOfDirectionPassesThroughStandstill) {
    ProbeWalk walk;
    rampTo(walk, 1.0);
    walk.setspeed(-0.5);
    int braking = 0;
    for (double previous = 1.0; walk.getLastSpeed() > 0 && braking < 100; ++braking) {
        cycle(walk);
        EXPECT_LE(walk.getLastSpeed(), previous);
        EXPECT_GE(walk.getLastSpeed(), 0.0);
        previous = walk.getLastSpeed();
    }
    EXPECT_EQ(walk.getLastSpeed(), 0.0);
    EXPECT_NEAR(braking, 25, 1);
    cycle(walk);  // then backward at the usual rate
    EXPECT_NEAR(walk.getLastSpeed(), -kRampStep, 1e-12);
    EXPECT_LT(walk.armScale(), 0.0);
    EXPECT_GT(walk.kneeScale(), 0.0);
    EXPECT_EQ(rampTo(walk, -0.5), 42);
    walk.setspeed(0.3);
    cycle(walk);
    EXPECT_NEAR(walk.getLastSpeed(), -0.46, 1e-12);
}

TEST(TFSWalkGuards, FastSpinSlowsToACrawlAndStopsTurning) {
    ProbeWalk walk;
    walk.setDegree(10.0);
    senseGyro(0, 0, 400);  // exactly the limit is still tolerated
    cycle(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 1.0f);
    senseGyro(300, -300, 0);
    const Sent sent = parseCommand(cycle(walk));
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.1f);
    EXPECT_EQ(walk.getARot(), 0.0);
    EXPECT_EQ(sent.at(12).second, 0.0);  // the right hip no longer yaws
    senseGyro(0, 0, 0);
    cycle(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.1f);  // until someone sets a speed
}

TEST(TFSWalkGuards, UnreadableJointsAndZeroStepsGiveFiniteSpeeds) {
    ProbeWalk walk;
    senseAllJointsAt(0);
    senseJoint(DOF_KNEE_R, kNan);
    senseJoint(DOF_ANKLE_LX, kInf);
    for (int n = 0; n < 20; ++n) {
        const Sent sent = parseCommand(cycle(walk));
        EXPECT_EQ(sent.at(2).second, 0.0);  // rle4
        EXPECT_EQ(sent.at(5).second, 0.0);  // lle5
    }
    walk.changeTFSfPeriods(0.3);  // the knee window keeps its share
    EXPECT_NEAR(walk.kneeHoldEnd(), 0.2797722, 1e-12);
    walk.setCurveParameters(0.5f, 0.7f, 0.0f);  // no step at all
    EXPECT_EQ(walk.kneeHoldEnd(), 0.0);
    walk.changeTFSfPeriods(0.2);  // nothing to rescale from, no division by 0
    walk.changeTFSfPeriods(kNan);  // refused
    EXPECT_EQ(walk.kneeHoldEnd(), 0.0);
    for (int n = 0; n < 20; ++n) {
        const std::string text = cycle(walk);
        EXPECT_EQ(parseCommand(text).size(), 14u);
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
        EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    }
}

TEST(TFSWalk, UpdatersLinePrintsTheRampState) {
    ProbeWalk walk;
    testing::internal::CaptureStdout();
    walk.updaters();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string line = "========================UPDATERS++++==> ";
    EXPECT_EQ(out, line + "1 , 0 , 0 , 0.02\n" + line + "1 , 0.0117647 , 0.0117647 , 0.02\n" +
                       line + "1 , 0.0117647 , 0 , 0.02\n");
    EXPECT_EQ(walk.getSkillID(), SKILL_TFS_WALK);
}
