// The turn: direction from the target's sign, the twelve leg commands of
// its first cycle worked out by hand, the dead band and clip of its
// follower, the standing posture once the heading is reached, and a phase
// paced by the server cycle rather than by when the ball was last seen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/TurnSkill.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kLimit = 6.1395447;

WorldModel* wm() { return WorldModel::getUniqueInstance(); }
CommandCreator* cc() { return CommandCreator::getUniqueInstance(); }

void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    wm()->setAHingeJoint(hj, i);
}

void senseAllJointsAt(double angle) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angle);
}

void setBallUnseenFor(double seconds) {
    Ball b;
    b.setLastTimeSeenBall(wm()->getTime() - seconds);
    wm()->setBall(b);
    wm()->setLastTime();
    wm()->setDeltaTime();
}

void setYaw(double yaw) { wm()->setDir(Point(0, 0, yaw)); }

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

std::string runOnce(TurnSkill& turn, bool* result = nullptr) {
    cc()->reset();
    const bool r = turn.run();
    if (result != nullptr) *result = r;
    return cc()->getPreparedCommand();
}

}  // namespace

TEST(TurnSkill, DirectionFollowsTheSignOfTheTarget) {
    EXPECT_EQ(TurnSkill(30).getRotDir(), Counter_Clock_Wise);
    EXPECT_EQ(TurnSkill(0).getRotDir(), Clock_Wise);
    EXPECT_EQ(TurnSkill(-30).getRotDir(), Clock_Wise);
    TurnSkill turn(-30);
    turn.setDeg(0.5);
    EXPECT_EQ(turn.getRotDir(), Counter_Clock_Wise);
    EXPECT_EQ(turn.getDeg(), 0.5);
    turn.setDeg(-0.5);
    EXPECT_EQ(turn.getRotDir(), Clock_Wise);
    EXPECT_EQ(turn.getSkillID(), SKILL_TFS_TURN);
    EXPECT_EQ(TurnSkill().getRotDir(), Clock_Wise);
    EXPECT_EQ(TurnSkill().getDeg(), 0.0);
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
    TurnSkill turn(30);
    bool result = false;
    const auto sent = parse(runOnce(turn, &result));
    EXPECT_TRUE(result);
    EXPECT_TRUE(turn.isFinished());

    // Targets at phase 0.02 s of the 0.596956 s cycle, counter-clockwise:
    // right hip pitch 0.245435, left 1.827417, right hip roll -4.404275,
    // knees -14.7555 / -20.998359, hip yaw -20.146633, ankle pitch
    // 14.510065 / 19.170942; each ankle rolls with the other hip.
    const std::vector<std::pair<std::string, double>> expected = {
        {"rle3", 0.1227175}, {"lle3", 0.9137085},  {"rle2", -2.2021375}, {"lle2", 0.0},
        {"rle4", -2.37775},  {"lle4", -0.4991795}, {"rle1", -1.0733165}, {"lle1", 0.0},
        {"rle5", 2.2550325}, {"lle5", 2.085471},   {"rle6", 0.0},        {"lle6", -2.2021375},
    };
    ASSERT_EQ(sent.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first);
        EXPECT_EQ(sent[i].first, expected[i].first);
        EXPECT_NEAR(sent[i].second, expected[i].second, 2e-5);
    }
}

TEST(TurnSkill, ClockwiseShiftsTheLegsHalfACycle) {
    wm()->setTime(5.0f);
    setYaw(0);
    senseAllJointsAt(0);
    TurnSkill turn(-30);
    const auto sent = parse(runOnce(turn));
    ASSERT_EQ(sent.size(), 12u);
    EXPECT_NEAR(sent[0].second, 0.913708, 2e-5);   // right hip pitch
    EXPECT_NEAR(sent[1].second, 0.1227175, 2e-5);  // left hip pitch
    EXPECT_EQ(sent[2].second, 0.0);                // right hip roll
    EXPECT_NEAR(sent[3].second, 2.202137, 2e-5);   // left hip roll
    EXPECT_NEAR(sent[4].second, -kLimit, 1e-6);      // knees far from target
    EXPECT_NEAR(sent[4].second, sent[5].second, 1e-6);
}

TEST(TurnSkill, ReachedHeadingHoldsTheStandingPosture) {
    senseAllJointsAt(0);
    setYaw(29.95);
    TurnSkill turn(30);
    bool result = true;
    const auto sent = parse(runOnce(turn, &result));
    EXPECT_FALSE(result);
    EXPECT_FALSE(turn.isFinished());
    // The aligner drives all 22 joints, head first.
    ASSERT_EQ(sent.size(), 22u);
    EXPECT_EQ(sent[0].first, "he1");

    // Exactly a tenth of a degree off counts as reached.
    setYaw(0);
    turn.setDeg(0.1);
    EXPECT_EQ(parse(runOnce(turn, &result)).size(), 22u);
    EXPECT_FALSE(result);
    // Just beyond it the turn steps again and counts as finished.
    turn.setDeg(0.25);
    setYaw(0.125);
    EXPECT_EQ(parse(runOnce(turn, &result)).size(), 12u);
    EXPECT_TRUE(result);
}

TEST(TurnSkill, FollowerHasADeadBandAndAClip) {
    const TurnSkill turn(10);
    EXPECT_EQ(turn.predictEffector(0, 0.005), 0.0);
    EXPECT_EQ(turn.predictEffector(3.0, 2.995), 0.0);
    EXPECT_DOUBLE_EQ(turn.predictEffector(0, 0.01), 0.005);
    EXPECT_DOUBLE_EQ(turn.predictEffector(0, 10), 5.0);
    EXPECT_DOUBLE_EQ(turn.predictEffector(0, 13), kLimit);
    EXPECT_DOUBLE_EQ(turn.predictEffector(13, 0), -kLimit);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(turn.predictEffector(nan, 1), 0.0);
    EXPECT_EQ(turn.predictEffector(0, inf), 0.0);
    EXPECT_EQ(turn.predictEffector(-inf, 0), 0.0);
}

TEST(TurnSkill, RetargetingKeepsTheGaitPhase) {
    wm()->setTime(5.0f);
    setYaw(0);
    senseAllJointsAt(1.5);
    TurnSkill retargeted(30);
    TurnSkill fresh(-30);
    wm()->setTime(5.3f);
    retargeted.setDeg(-30);
    EXPECT_EQ(runOnce(retargeted), runOnce(fresh));
}

TEST(TurnSkill, PhaseIgnoresTheBallsDeltaTime) {
    wm()->setTime(8.0f);
    setYaw(0);
    senseAllJointsAt(0);
    TurnSkill a(45);
    TurnSkill b(45);
    for (int n = 0; n < 40; ++n) {
        wm()->setTime(wm()->getTime() + 0.02f);
        setBallUnseenFor(8.0 + n);
        const std::string unseen = runOnce(a);
        setBallUnseenFor(0.02);
        ASSERT_EQ(unseen, runOnce(b)) << n;
    }
}

TEST(TurnSkill, LearnerParametersDoNotChangeTheGait) {
    wm()->setTime(5.0f);
    setYaw(0);
    senseAllJointsAt(0);
    TurnSkill plain(30);
    TurnSkill loaded(30);
    const double odd[7] = {1, 2, 3, 4, 5, 6, 0};
    loaded.setOscParameters(odd);
    loaded.setOscParameters(nullptr);
    EXPECT_EQ(runOnce(plain), runOnce(loaded));
}

TEST(TurnSkill, UnreadableJointsGetNoSpeed) {
    wm()->setTime(5.0f);
    setYaw(0);
    senseAllJointsAt(0);
    senseJoint(DOF_KNEE_L, std::numeric_limits<double>::quiet_NaN());
    senseJoint(DOF_LEG_RT, std::numeric_limits<double>::infinity());
    TurnSkill turn(30);
    const std::string text = runOnce(turn);
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    for (const auto& [name, value] : parse(text)) {
        if (name == "lle4" || name == "rle1") {
            EXPECT_EQ(value, 0.0) << name;
        }
    }
}
