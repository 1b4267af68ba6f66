// The turn: direction from the target's sign, the twelve leg commands of
// its first cycle worked out by hand, its follower's dead band and clip,
// the standing posture once the heading is reached, and a phase paced by
// the server cycle rather than by when the ball was last seen.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "geometry/Point.h"
#include "skills/lowLevelSkills/TurnSkill.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

constexpr double kLimit = 6.1395447;

void setYaw(double yaw) { wm()->setDir(Point(0, 0, yaw)); }

}  // namespace

TEST(TurnSkill, DirectionFollowsTheSignOfTheTarget) {
    EXPECT_EQ(TurnSkill(30).getRotDir(), Counter_Clock_Wise);
    EXPECT_EQ(TurnSkill(0).getRotDir(), Clock_Wise);
    EXPECT_EQ(TurnSkill(-30).getRotDir(), Clock_Wise);
    TurnSkill turn(-30);
    turn.setDeg(0.5);
    EXPECT_EQ(turn.getRotDir(), Counter_Clock_Wise);
}

TEST(TurnSkill, FirstCycleDrivesTheTwelveLegJoints) {
    wm()->setTime(5.0f);
    setBallUnseenFor(5.0);  // ball never seen: the phase must not care
    setYaw(0);
    senseAllJointsAt(0);
    senseJoint(DOF_KNEE_R, -10);
    senseJoint(DOF_KNEE_L, -20);
    senseJoint(DOF_LEG_RT, -18);
    senseJoint(DOF_LEG_LT, -20.141633);  // 0.005 off its target: dead band
    senseJoint(DOF_ANKLE_RX, 10);
    senseJoint(DOF_ANKLE_LX, 15);
    TurnSkill ccw(30);
    bool result = false;
    // Targets at phase 0.02 s of the 0.596956 s cycle: hip pitch 0.245435
    // and 1.827417, right hip roll -4.404275, knees -14.7555 and -20.998359,
    // hip yaw -20.146633, ankle pitch 14.510065 and 19.170942; each ankle
    // rolls with the other hip.
    expectSent(runOnce(ccw, &result),
               {{"rle3", 0.1227175}, {"lle3", 0.9137085},  {"rle2", -2.2021375},
                {"lle2", 0.0},       {"rle4", -2.37775},   {"lle4", -0.4991795},
                {"rle1", -1.0733165}, {"lle1", 0.0},       {"rle5", 2.2550325},
                {"lle5", 2.085471},  {"rle6", 0.0},        {"lle6", -2.2021375}});
    EXPECT_TRUE(result);
    EXPECT_TRUE(ccw.isFinished());

    // Clockwise puts the legs half a cycle on.
    senseAllJointsAt(0);
    TurnSkill cw(-30);
    expectSent(runOnce(cw),
               {{"rle3", 0.913708}, {"lle3", 0.1227175}, {"rle2", 0.0},      {"lle2", 2.202137},
                {"rle4", -kLimit},  {"lle4", -kLimit},   {"rle1", -kLimit},  {"lle1", -kLimit},
                {"rle5", kLimit},   {"lle5", kLimit},    {"rle6", 2.202137}, {"lle6", 0.0}});
}

TEST(TurnSkill, ReachedHeadingHoldsTheStandingPosture) {
    senseAllJointsAt(0);
    setYaw(29.95);
    TurnSkill turn(30);
    bool result = true;
    Sent sent = parseCommand(runOnce(turn, &result));
    EXPECT_FALSE(result);
    EXPECT_FALSE(turn.isFinished());
    ASSERT_EQ(sent.size(), 22u);  // the aligner drives every joint, head first
    EXPECT_EQ(sent[0].first, "he1");
    // Exactly a tenth of a degree off counts as reached; beyond, it turns.
    setYaw(0);
    turn.setDeg(0.1);
    EXPECT_EQ(parseCommand(runOnce(turn)).size(), 22u);
    turn.setDeg(0.25);
    setYaw(0.125);
    EXPECT_EQ(parseCommand(runOnce(turn, &result)).size(), 12u);
    EXPECT_TRUE(result);
}

TEST(TurnSkill, FollowerHasADeadBandAndAClip) {
    const TurnSkill turn(10);
    EXPECT_EQ(turn.predictEffector(0, 0.005), 0.0);
    EXPECT_DOUBLE_EQ(turn.predictEffector(0, 0.01), 0.005);
    EXPECT_DOUBLE_EQ(turn.predictEffector(0, 10), 5.0);
    EXPECT_DOUBLE_EQ(turn.predictEffector(0, 13), kLimit);
    EXPECT_DOUBLE_EQ(turn.predictEffector(13, 0), -kLimit);
    EXPECT_EQ(turn.predictEffector(std::numeric_limits<double>::quiet_NaN(), 1), 0.0);
    EXPECT_EQ(turn.predictEffector(0, std::numeric_limits<double>::infinity()), 0.0);
}

TEST(TurnSkill, PhaseIgnoresTheBallAndSurvivesRetargeting) {
    wm()->setTime(8.0f);
    setYaw(0);
    senseAllJointsAt(1.5);
    TurnSkill unseen(45);
    TurnSkill inView(45);
    TurnSkill retargeted(-45);
    const double odd[7] = {1, 2, 3, 4, 5, 6, 0};
    inView.setOscParameters(odd);  // stored only: the gait is fixed
    for (int n = 0; n < 40; ++n) {
        wm()->setTime(wm()->getTime() + 0.02f);
        setBallUnseenFor(8.0 + n);
        const std::string a = runOnce(unseen);
        setBallUnseenFor(0.02);
        ASSERT_EQ(a, runOnce(inView)) << n;
    }
    retargeted.setDeg(45);
    EXPECT_EQ(runOnce(retargeted), runOnce(unseen));
}
