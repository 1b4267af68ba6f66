// The turn: direction from the target's sign, the twelve leg commands of its
// first cycle worked out by hand with the ball never seen (phase and
// follower paced by the server cycle), its follower's dead band and clip,
// and the standing posture once the heading is reached.
#include <cmath>

#include "skills/MotionTestKit.h"
#include "skills/lowLevelSkills/TurnSkill.h"

using namespace motiontest;

TEST(TurnSkill, SignOfTheTargetAndTheFirstCycle) {
    EXPECT_EQ(TurnSkill(0).getRotDir(), Clock_Wise);
    TurnSkill turn(-30);
    EXPECT_EQ(turn.getRotDir(), Clock_Wise);
    turn.setDeg(0.5);
    EXPECT_EQ(turn.getRotDir(), Counter_Clock_Wise);

    wm()->setTime(5.0f);
    setBallUnseenFor(5.0);  // ball never seen: the phase must not care
    wm()->setDir(Point(0, 0, 0));
    senseAll(0);
    senseJoint(DOF_KNEE_R, -10);
    senseJoint(DOF_KNEE_L, -20);
    senseJoint(DOF_LEG_RT, -18);
    senseJoint(DOF_LEG_LT, -20.141633);  // 0.005 off its target: dead band
    senseJoint(DOF_ANKLE_RX, 10);
    senseJoint(DOF_ANKLE_LX, 15);
    TurnSkill ccw(30);
    bool result = false;
    // Phase 0.02 s of the 0.596956 s cycle; each ankle rolls with the other hip.
    expectSent(cycle(ccw, &result),
               {{"rle3", 0.1227175}, {"lle3", 0.9137085},  {"rle2", -2.2021375},
                {"lle2", 0.0},       {"rle4", -2.37775},   {"lle4", -0.4991795},
                {"rle1", -1.0733165}, {"lle1", 0.0},       {"rle5", 2.2550325},
                {"lle5", 2.085471},  {"rle6", 0.0},        {"lle6", -2.2021375}});
    EXPECT_TRUE(result);
}

TEST(TurnSkill, ReachedHeadingHoldsTheStandingPostureAndTheFollowerClips) {
    senseAll(0);
    wm()->setDir(Point(0, 0, 0));
    TurnSkill turn(0.1);  // exactly a tenth of a degree off counts as reached
    bool result = true;
    const std::string text = cycle(turn, &result);
    EXPECT_FALSE(result);
    EXPECT_EQ(parseCommand(text).size(), 22u);  // the aligner drives every joint
    EXPECT_EQ(text.rfind("(he1 ", 0), 0u);
    turn.setDeg(0.25);
    wm()->setDir(Point(0, 0, 0.125));
    EXPECT_EQ(parseCommand(cycle(turn, &result)).size(), 12u);
    EXPECT_TRUE(result);
    const TurnSkill follower(10);
    EXPECT_EQ(follower.predictEffector(0, 0.005), 0.0);
    EXPECT_DOUBLE_EQ(follower.predictEffector(0, 0.01), 0.005);
    EXPECT_DOUBLE_EQ(follower.predictEffector(13, 0), -kLimit);
    EXPECT_EQ(follower.predictEffector(std::nan(""), 1), 0.0);
    EXPECT_EQ(follower.predictEffector(0, HUGE_VAL), 0.0);
}

// The yaw moves about a degree a cycle and seldom lands within the tenth of a
// degree: once it has stepped past the heading the turn holds there instead
// of spinning round for another try; a new heading turns again, and a jump
// across ±180 is not taken for passing.
TEST(TurnSkill, HoldsOnceThePassedHeadingAndTurnsAgainForANewOne) {
    senseAll(0);
    TurnSkill turn(90);
    bool result = false;
    const auto at = [&](double yaw) {
        wm()->setDir(Point(0, 0, yaw));
        return parseCommand(cycle(turn, &result)).size();
    };
    EXPECT_EQ(at(89.4), 12u);
    EXPECT_EQ(at(90.6), 22u) << "passed: the standing posture";
    EXPECT_EQ(at(91.8), 22u) << "and it stays there";
    turn.setDeg(-170);
    EXPECT_EQ(at(179.0), 12u);
    EXPECT_EQ(at(-179.0), 12u) << "wrapping round is no passing";
}
