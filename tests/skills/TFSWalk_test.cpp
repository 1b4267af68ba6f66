// The walk and its follower: commanded speeds read back from the command
// text, the speed ramp paced by the server cycle whatever the ball's delta
// time, the turning bands and their messages, stopping, the change of
// direction through standstill, the gyro guard, and readings or periods
// that must never turn into infinite or undefined speeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "control/TFSOscillator.h"
#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kLimit = 6.1395447;
constexpr double kRampStep = 0.02 / 1.7;

// Opens up the scales the ramp writes, so the tests can watch them.
class ProbeWalk : public TFSWalk {
public:
    using TFSWalk::TFSWalk;
    double armScale() const { return RMaArm; }
    double hipScale() const { return RSbHip; }
    double kneeScale() const { return RMaknee; }
    double rollScale() const { return RMaHipY; }
    double kneeHoldEnd() const { return t2; }
    double step() const { return p; }
};

WorldModel* wm() { return WorldModel::getUniqueInstance(); }
CommandCreator* cc() { return CommandCreator::getUniqueInstance(); }

// The shoulder X joints are reported 90 degrees off.
void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    wm()->setAHingeJoint(hj, i);
}

void senseGyro(double x, double y, double z) {
    Gyro g;
    g.setRate(Point(x, y, z));
    wm()->setGyro(g);
}

// The world model's delta time is the time since the ball was last seen.
void setBallUnseenFor(double seconds) {
    Ball b;
    b.setLastTimeSeenBall(wm()->getTime() - seconds);
    wm()->setBall(b);
    wm()->setLastTime();
    wm()->setDeltaTime();
}

// Every "(name value)" of a command text, in order.
std::vector<std::pair<std::string, double>> parse(const std::string& text) {
    std::vector<std::pair<std::string, double>> out;
    std::size_t pos = 0;
    while ((pos = text.find('(', pos)) != std::string::npos) {
        const std::size_t space = text.find(' ', pos);
        const std::size_t close = text.find(')', pos);
        if (space == std::string::npos || close == std::string::npos) break;
        out.emplace_back(text.substr(pos + 1, space - pos - 1),
                         std::strtod(text.c_str() + space + 1, nullptr));
        pos = close;
    }
    return out;
}

double speedOf(const std::string& text, const std::string& name) {
    for (const auto& [n, v] : parse(text)) {
        if (n == name) return v;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

std::vector<std::string> names(const std::string& text) {
    std::vector<std::string> out;
    for (const auto& e : parse(text)) out.push_back(e.first);
    return out;
}

// One server cycle later, one walking cycle; returns the command text.
std::string cycle(TFSWalk& walk) {
    wm()->setTime(wm()->getTime() + 0.02f);
    cc()->reset();
    testing::internal::CaptureStdout();
    walk.run();
    testing::internal::GetCapturedStdout();
    return cc()->getPreparedCommand();
}

// Runs until the reached speed equals `target` exactly (the ramp's last
// step is capped); returns the number of cycles.
int rampTo(TFSWalk& walk, double target) {
    walk.setspeed(target);
    int n = 0;
    while (walk.getLastSpeed() != target && n < 1000) {
        cycle(walk);
        ++n;
    }
    return n;
}

std::string closeLoop(TFSWalk& walk, double degree) {
    walk.setDegree(degree);
    testing::internal::CaptureStdout();
    walk.setCloseLoopWalkParameter();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(TFSSkillFollower, SpeedIsTheErrorOverOneHundredCyclesClipped) {
    ProbeWalk walk;
    EXPECT_DOUBLE_EQ(walk.predictEffector(0, 0.0, 10.0), 5.0);
    EXPECT_DOUBLE_EQ(walk.predictEffector(1, 3.0, 3.0), 0.0);
    EXPECT_NEAR(walk.predictEffector(2, 0.0, 12.27), 6.135, 1e-12);
    EXPECT_DOUBLE_EQ(walk.predictEffector(2, 0.0, 12.28), kLimit);
    EXPECT_DOUBLE_EQ(walk.predictEffector(3, 13.0, 0.0), -kLimit);
    EXPECT_DOUBLE_EQ(walk.predictEffector(4, -500.0, 9999.0), kLimit);
    // Readings that are no angles command nothing rather than a wild speed.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_DOUBLE_EQ(walk.predictEffector(5, nan, 10.0), 0.0);
    EXPECT_DOUBLE_EQ(walk.predictEffector(6, inf, 10.0), 0.0);
    EXPECT_DOUBLE_EQ(walk.predictEffector(7, 0.0, -inf), 0.0);
    // Indices outside the bookkeeping still get their command.
    EXPECT_DOUBLE_EQ(walk.predictEffector(-1, 0.0, 2.0), 1.0);
    EXPECT_DOUBLE_EQ(walk.predictEffector(14, 0.0, 2.0), 1.0);
}

TEST(TFSSkillFollower, RightLegIsMasterUnlessLegsAreSwapped) {
    for (bool reverse : {false, true}) {
        SCOPED_TRACE(reverse);
        wm()->setTime(7.0f);
        ProbeWalk walk;
        walk.setReverse(reverse);
        EXPECT_EQ(walk.isSwappingLeg(), reverse);
        wm()->setTime(7.1f);
        const double phase = (wm()->getTime() - 7.0f) + 0.02;

        // The default gait at full scales, no hip yaw.
        TFSOscillator osc(phase);
        const double params[10] = {-20.9241, 0.0, 0.1865148, -29.7735, 20.7945,
                                   -7.0,     -18.05, 11.6474, 15.2049,  0.2};
        osc.setOscParameters(params);
        osc.calcOSC();
        const bool r = reverse;
        // Effector, joint, target: the order the follower sends them in.
        const std::vector<std::pair<std::string, std::pair<int, double>>> expected = {
            {"rle3", {DOF_LEG_RX, r ? osc.slaveHipXGEN() : osc.masterHipXGEN()}},
            {"lle3", {DOF_LEG_LX, r ? osc.masterHipXGEN() : osc.slaveHipXGEN()}},
            {"rle4", {DOF_KNEE_R, r ? osc.slaveKneeGEN() : osc.masterKneeGEN()}},
            {"lle4", {DOF_KNEE_L, r ? osc.masterKneeGEN() : osc.slaveKneeGEN()}},
            {"rle5", {DOF_ANKLE_RX, r ? osc.slaveAnkleGEN() : osc.masterAnkleGEN()}},
            {r ? "rle6" : "lle5",
             r ? std::pair<int, double>{DOF_ANKLE_RY, osc.slaveAnkleYGEN()}
               : std::pair<int, double>{DOF_ANKLE_LX, osc.slaveAnkleGEN()}},
            {r ? "lle5" : "rle6",
             r ? std::pair<int, double>{DOF_ANKLE_LX, osc.masterAnkleGEN()}
               : std::pair<int, double>{DOF_ANKLE_RY, osc.masterAnkleYGEN()}},
            {"lle6", {DOF_ANKLE_LY, r ? osc.masterAnkleYGEN() : osc.slaveAnkleYGEN()}},
            {"lle2", {DOF_LEG_LY, r ? osc.masterHipYGEN() : osc.slaveHipYGEN()}},
            {"rle2", {DOF_LEG_RY, r ? osc.slaveHipYGEN() : osc.masterHipYGEN()}},
            {"rae1", {DOF_SHOULDER_RX, r ? osc.slaveArmGEN() : osc.masterArmGEN()}},
            {"lae1", {DOF_SHOULDER_LX, r ? osc.masterArmGEN() : osc.slaveArmGEN()}},
            {"rle1", {DOF_LEG_RT, 0.0}},
            {"lle1", {DOF_LEG_LT, 0.0}},
        };
        // Each joint sensed a different distance short of its own target, so
        // a joint fed another joint's target shows.
        for (std::size_t i = 0; i < expected.size(); ++i) {
            senseJoint(expected[i].second.first, expected[i].second.second - 0.3 * (i + 1));
        }
        cc()->reset();
        testing::internal::CaptureStdout();
        walk.runGA();
        testing::internal::GetCapturedStdout();
        const auto sent = parse(cc()->getPreparedCommand());
        ASSERT_EQ(sent.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(expected[i].first);
            EXPECT_EQ(sent[i].first, expected[i].first);
            EXPECT_NEAR(sent[i].second, 0.15 * (i + 1), 2e-5);
        }
        EXPECT_NEAR(walk.getPredTime(), phase, 1e-9);
    }
}

TEST(TFSSkillFollower, PrintsItsTraceInTheDevelopmentBuild) {
    ProbeWalk walk;
    walk.setARot(2.5);
    cc()->reset();
    testing::internal::CaptureStdout();
    walk.runGA();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("in follower: 1 , 1\n", 0), 0u) << out;
    EXPECT_NE(out.find("rROT: 2.5\nROT Deg: "), std::string::npos) << out;
    EXPECT_NE(out.find("\nROT Eff: "), std::string::npos) << out;
}

TEST(TFSWalkRamp, FullSpeedAfter86CyclesWithTheBallNeverSeen) {
    wm()->setTime(40.0f);
    setBallUnseenFor(40.0);  // never seen: delta time is the whole match
    ProbeWalk walk;
    EXPECT_DOUBLE_EQ(walk.getspeed(), 1.0f);
    cycle(walk);
    EXPECT_NEAR(walk.getLastSpeed(), 0.0117647, 1e-7);
    for (int i = 2; i <= 85; ++i) cycle(walk);
    EXPECT_LT(walk.getLastSpeed(), 1.0);
    EXPECT_GT(walk.getLastSpeed(), 0.99);
    cycle(walk);
    EXPECT_EQ(walk.getLastSpeed(), 1.0);
    cycle(walk);
    EXPECT_EQ(walk.getLastSpeed(), 1.0);
    EXPECT_EQ(walk.kneeScale(), 1.0);
    EXPECT_EQ(walk.armScale(), 1.0);
    EXPECT_EQ(walk.rollScale(), 0.0);
    EXPECT_FALSE(walk.isFinished());
}

TEST(TFSWalkRamp, CommandsDoNotDependOnTheBallsDeltaTime) {
    wm()->setTime(12.0f);
    ProbeWalk unseen;
    ProbeWalk inView;
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, 0.0);
    for (int n = 0; n < 60; ++n) {
        wm()->setTime(wm()->getTime() + 0.02f);
        setBallUnseenFor(12.0 + 0.02 * n);
        cc()->reset();
        testing::internal::CaptureStdout();
        unseen.run();
        testing::internal::GetCapturedStdout();
        const std::string a = cc()->getPreparedCommand();

        setBallUnseenFor(0.02);
        cc()->reset();
        testing::internal::CaptureStdout();
        inView.run();
        testing::internal::GetCapturedStdout();
        const std::string b = cc()->getPreparedCommand();
        ASSERT_EQ(a, b) << "cycle " << n;
        EXPECT_EQ(unseen.getLastSpeed(), inView.getLastSpeed());
    }
    // The legs really move: the knees are driven at full joint speed once
    // the bend begins.
    const std::string text = cycle(unseen);
    EXPECT_EQ(names(text).size(), 14u);
    double largest = 0;
    for (const auto& e : parse(text)) largest = std::max(largest, std::fabs(e.second));
    EXPECT_GT(largest, 1.0);
    EXPECT_NEAR(unseen.getLastSpeed(), 61 * kRampStep, 1e-9);
}

TEST(TFSWalkRamp, PhaseAdvancesOneCycleStepAhead) {
    wm()->setTime(3.0f);
    setBallUnseenFor(3.0);
    ProbeWalk walk;
    cc()->reset();
    testing::internal::CaptureStdout();
    walk.runGA();
    testing::internal::GetCapturedStdout();
    EXPECT_DOUBLE_EQ(walk.getPredTime(), 0.02);
    cycle(walk);
    EXPECT_NEAR(walk.getPredTime(), 0.04, 1e-6);
}

TEST(TFSWalkRamp, SlowerRequestBrakesTwoFullSpeedsPerSecond) {
    ProbeWalk walk;
    ASSERT_EQ(rampTo(walk, 1.0), 86);
    EXPECT_EQ(rampTo(walk, 0.6), 10);
    EXPECT_NEAR(walk.rollScale(), 0.4, 1e-12);
    EXPECT_NEAR(walk.hipScale(), 0.6, 1e-12);
}

TEST(TFSWalkTurning, BandsFollowTheReachedSpeed) {
    struct Case {
        double reached;
        double leftAmplitude;
    };
    // Slower walks yaw the hips wider; the band limits are exclusive.
    const Case cases[] = {{1.0, 2.5}, {0.95, 4.5}, {0.9, 4.5}, {0.85, 4.0}, {0.7, 4.0},
                          {0.5, 3.5}, {0.4, 4.0},  {0.3, 6.0}, {0.2, 6.5},  {0.1, 7.5},
                          {0.0, 7.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reached);
        ProbeWalk walk;
        rampTo(walk, c.reached);
        walk.setspeed(c.reached);
        EXPECT_EQ(closeLoop(walk, 10.0), "walk And turn right");
        EXPECT_DOUBLE_EQ(walk.getARot(), -c.leftAmplitude);
        EXPECT_EQ(closeLoop(walk, -10.0), "walk And turn left");
        EXPECT_DOUBLE_EQ(walk.getARot(), c.leftAmplitude);
        EXPECT_EQ(walk.getspeed(), static_cast<float>(c.reached));
    }
}

TEST(TFSWalkTurning, SharpTurnsSlowDownAndStraightIsWithinOneDegree) {
    ProbeWalk walk;
    rampTo(walk, 0.5);
    EXPECT_EQ(closeLoop(walk, -20.0), "walk And turn left");
    EXPECT_DOUBLE_EQ(walk.getARot(), 3.5);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.2f);

    walk.setspeed(0.5);
    EXPECT_EQ(closeLoop(walk, 20.0), "walk And turn High");
    EXPECT_DOUBLE_EQ(walk.getARot(), -3.5);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.2f);

    walk.setspeed(0.1);  // a crawl stays a crawl
    closeLoop(walk, 30.0);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.1f);

    for (double straight : {1.0, -1.0, 0.0, 0.5}) {
        walk.setARot(9.0);
        EXPECT_EQ(closeLoop(walk, straight), "walk Striaght\n");
        EXPECT_EQ(walk.getARot(), 0.0);
    }
    // 15 degrees is still a mild turn.
    walk.setspeed(0.5);
    EXPECT_EQ(closeLoop(walk, 15.0), "walk And turn right");
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.5f);
}

TEST(TFSWalkTurning, BackwardBandsAndTheSilentSharpRightTurn) {
    ProbeWalk walk;
    EXPECT_EQ(rampTo(walk, -0.5), 43);
    EXPECT_EQ(closeLoop(walk, 10.0), "walk And turn right");
    EXPECT_DOUBLE_EQ(walk.getARot(), -3.5);
    EXPECT_EQ(closeLoop(walk, -10.0), "walk And turn left");
    EXPECT_DOUBLE_EQ(walk.getARot(), 3.5);
    EXPECT_EQ(closeLoop(walk, 20.0), "");
    EXPECT_DOUBLE_EQ(walk.getARot(), -3.5);
    EXPECT_FLOAT_EQ(walk.getspeed(), -0.2f);
    walk.setspeed(-0.1);
    EXPECT_EQ(closeLoop(walk, -20.0), "walk And turn left");
    EXPECT_FLOAT_EQ(walk.getspeed(), -0.1f);
    EXPECT_DOUBLE_EQ(walk.getARot(), 3.5);
}

TEST(TFSWalkTurning, NoBandWhileStillMovingTheOtherWay) {
    ProbeWalk walk;
    rampTo(walk, -0.5);
    walk.setspeed(0.5);
    walk.setARot(1.25);
    EXPECT_EQ(closeLoop(walk, 10.0), "walk And turn right");
    EXPECT_DOUBLE_EQ(walk.getARot(), 1.25);
    EXPECT_EQ(closeLoop(walk, -25.0), "walk And turn left");
    EXPECT_DOUBLE_EQ(walk.getARot(), 1.25);
}

TEST(TFSWalkTurning, SharpTurnAtFullSpeedRampsDownToAFifth) {
    ProbeWalk walk;
    rampTo(walk, 1.0);
    walk.setDegree(20.0);
    cycle(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.2f);
    EXPECT_NEAR(walk.getLastSpeed(), 0.96, 1e-12);
    int n = 1;
    while (walk.getLastSpeed() != 0.2 && n < 100) {
        cycle(walk);
        ++n;
    }
    EXPECT_EQ(n, 20);
    // At 0.2 reached, the right-turn band is 0.1 .. 0.25.
    EXPECT_DOUBLE_EQ(walk.getARot(), -6.5);
}

TEST(TFSWalkStop, StandingWalkFinishesAtOnce) {
    ProbeWalk walk;
    EXPECT_FALSE(walk.checkState());
    EXPECT_TRUE(walk.stop());
    EXPECT_TRUE(walk.isFinished());
    EXPECT_FALSE(walk.isstopping());
    EXPECT_FALSE(walk.isstop());
}

TEST(TFSWalkStop, MovingWalkBrakesThenFinishes) {
    ProbeWalk walk;
    rampTo(walk, 1.0);
    EXPECT_FALSE(walk.stop());
    EXPECT_TRUE(walk.isstopping());
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.0f);
    int cycles = 0;
    bool done = false;
    while (!done && cycles < 100) {
        cycle(walk);
        ++cycles;
        done = walk.stop();
    }
    EXPECT_TRUE(done);
    EXPECT_EQ(cycles, 25);  // full speed to standstill in 0.5 s
    EXPECT_TRUE(walk.isFinished());
    EXPECT_FALSE(walk.isstopping());
    // The finished walk reports it from run() as well.
    EXPECT_EQ(walk.getLastSpeed(), 0.0);
}

TEST(TFSWalkStop, RampEndingAtZeroIsNotFinishedUntilStopAgain) {
    ProbeWalk walk;
    rampTo(walk, 0.5);
    EXPECT_EQ(rampTo(walk, 0.0), 13);
    EXPECT_EQ(walk.rollScale(), 1.0);
    cycle(walk);
    EXPECT_FALSE(walk.isFinished());
    EXPECT_FALSE(walk.checkState());
    EXPECT_TRUE(walk.stop());
}

TEST(TFSWalkDirection, ChangeOfDirectionPassesThroughStandstill) {
    ProbeWalk walk;
    rampTo(walk, 1.0);
    walk.setspeed(-0.5);
    int braking = 0;
    double previous = walk.getLastSpeed();
    while (walk.getLastSpeed() > 0 && braking < 100) {
        cycle(walk);
        ++braking;
        EXPECT_LE(walk.getLastSpeed(), previous);
        EXPECT_GE(walk.getLastSpeed(), 0.0);
        EXPECT_GE(walk.armScale(), 0.0);
        previous = walk.getLastSpeed();
    }
    EXPECT_EQ(walk.getLastSpeed(), 0.0);
    EXPECT_GE(braking, 25);
    EXPECT_LE(braking, 26);
    // Then backward, accelerating at the usual rate.
    cycle(walk);
    EXPECT_NEAR(walk.getLastSpeed(), -kRampStep, 1e-12);
    EXPECT_LT(walk.armScale(), 0.0);
    EXPECT_LT(walk.hipScale(), 0.0);
    EXPECT_GT(walk.kneeScale(), 0.0);
    EXPECT_NEAR(walk.rollScale(), 1.0 - kRampStep, 1e-12);
    EXPECT_EQ(rampTo(walk, -0.5), 42);
    EXPECT_EQ(walk.armScale(), -0.5);
    // And back forward through zero again.
    walk.setspeed(0.3);
    cycle(walk);
    EXPECT_NEAR(walk.getLastSpeed(), -0.46, 1e-12);
}

TEST(TFSWalkGuards, FastSpinSlowsToACrawlAndStopsTurning) {
    ProbeWalk walk;
    walk.setDegree(10.0);
    senseGyro(250, 250, 0);  // 353.6 deg/s
    cycle(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 1.0f);
    EXPECT_NE(walk.getARot(), 0.0);
    senseGyro(0, 0, 400);  // exactly the limit is still tolerated
    cycle(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 1.0f);
    senseGyro(300, -300, 0);
    const std::string text = cycle(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.1f);
    EXPECT_EQ(walk.getARot(), 0.0);
    EXPECT_EQ(speedOf(text, "rle1"), 0.0);  // the hips no longer yaw
    senseGyro(0, 0, 0);
    cycle(walk);
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.1f);  // stays until someone sets a speed
}

TEST(TFSWalkGuards, UnreadableJointsGetNoSpeed) {
    ProbeWalk walk;
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, 0.0);
    senseJoint(DOF_KNEE_R, std::numeric_limits<double>::quiet_NaN());
    senseJoint(DOF_ANKLE_LX, std::numeric_limits<double>::infinity());
    senseJoint(DOF_LEG_LY, -std::numeric_limits<double>::infinity());
    for (int n = 0; n < 20; ++n) {
        const std::string text = cycle(walk);
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
        EXPECT_EQ(text.find("inf"), std::string::npos) << text;
        EXPECT_EQ(speedOf(text, "rle4"), 0.0);
        EXPECT_EQ(speedOf(text, "lle5"), 0.0);
        EXPECT_EQ(speedOf(text, "lle2"), 0.0);
    }
}

TEST(TFSWalkGuards, StepDurationChangesKeepTheKneeWindowAndNeverDivideByZero) {
    ProbeWalk walk;
    EXPECT_NEAR(walk.kneeHoldEnd(), 0.1865148, 1e-12);
    walk.changeTFSfPeriods(0.3);
    EXPECT_NEAR(walk.kneeHoldEnd(), 0.2797722, 1e-12);
    // A zero step shrinks the window to nothing and leaves no period.
    walk.setCurveParameters(0.5f, 0.7f, 0.0f);
    EXPECT_EQ(walk.step(), 0.0);
    EXPECT_EQ(walk.kneeHoldEnd(), 0.0);
    cc()->reset();
    testing::internal::CaptureStdout();
    walk.runGA();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("in follower: 0.5 , 0.7"), std::string::npos) << out;
    const std::string text = cc()->getPreparedCommand();
    EXPECT_EQ(names(text).size(), 14u);
    for (const auto& e : parse(text)) EXPECT_TRUE(std::isfinite(e.second)) << e.first;
    // From no step back to a real one: nothing to rescale, no division by 0.
    walk.changeTFSfPeriods(0.2);
    EXPECT_EQ(walk.kneeHoldEnd(), 0.0);
    EXPECT_EQ(walk.step(), 0.2);
    // A duration that is no number is refused.
    walk.changeTFSfPeriods(std::numeric_limits<double>::quiet_NaN());
    walk.changeTFSfPeriods(std::numeric_limits<double>::infinity());
    EXPECT_EQ(walk.step(), 0.2);
    EXPECT_EQ(walk.kneeHoldEnd(), 0.0);
    cc()->reset();
    testing::internal::CaptureStdout();
    walk.runGA();
    testing::internal::GetCapturedStdout();
    for (const auto& e : parse(cc()->getPreparedCommand())) {
        EXPECT_TRUE(std::isfinite(e.second)) << e.first;
    }
}

TEST(TFSWalk, IdentityAndConstruction) {
    wm()->setTime(2.0f);
    TFSWalk walk(0.5);
    EXPECT_EQ(walk.getSkillID(), SKILL_TFS_WALK);
    EXPECT_EQ(walk.getName(), "SKILL_TFS_WALK");
    EXPECT_FLOAT_EQ(walk.getspeed(), 0.5f);
    EXPECT_EQ(walk.getDegree(), 0.0);
    walk.setDegree(-7.0);
    walk.setDistance(3.0);
    EXPECT_EQ(walk.getDegree(), -7.0);
    // init() restarts at full requested speed, straight, from standstill.
    walk.setspeed(0.3);
    walk.init();
    EXPECT_FLOAT_EQ(walk.getspeed(), 1.0f);
    EXPECT_EQ(walk.getDegree(), 0.0);
    EXPECT_EQ(walk.getLastSpeed(), 0.0);
}

TEST(TFSWalk, UpdatersLinePrintsTheRampState) {
    ProbeWalk walk;
    testing::internal::CaptureStdout();
    walk.updaters();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string line = "========================UPDATERS++++==> ";
    EXPECT_EQ(out.rfind(line + "1 , 0 , 0 , 0.02\n", 0), 0u) << out;
    // Accelerating prints the line with the increase, then with the decrease.
    EXPECT_NE(out.find(line + "1 , 0.0117647 , 0.0117647 , 0.02\n"), std::string::npos) << out;
    EXPECT_NE(out.find(line + "1 , 0.0117647 , 0 , 0.02\n"), std::string::npos) << out;
}
