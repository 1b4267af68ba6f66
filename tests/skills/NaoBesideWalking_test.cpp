// The posture side step: the spread targets for each side and width, both
// phases in one cycle when the legs are already spread, the step counter
// shared between instances, and the arm and hip levels of setRotate.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/NaoBesideWalking.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

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

// Hip roll and ankle roll of both legs, as the spread posture sets them.
void senseRolls(double leftHip, double rightHip, double leftAnkle, double rightAnkle) {
    senseJoint(DOF_LEG_LY, leftHip);
    senseJoint(DOF_LEG_RY, rightHip);
    senseJoint(DOF_ANKLE_LY, leftAnkle);
    senseJoint(DOF_ANKLE_RY, rightAnkle);
}

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

std::string runOnce(NaoBesideWalking& step, bool* result = nullptr) {
    cc()->reset();
    const bool r = step.run();
    if (result != nullptr) *result = r;
    return cc()->getPreparedCommand();
}

// One leg controller pass appends ten speeds.
constexpr std::size_t kLegPass = 10;

}  // namespace

TEST(NaoBesideWalking, SpreadTargetsBySideAndWidth) {
    struct Case {
        bool direction;
        int speed;
        const char* hipEffector;
        double hipSpeed;
        const char* ankleEffector;
        double ankleSpeed;
    };
    // From all joints at 0 each command is a tenth of the roll target.
    const Case cases[] = {{false, 1, "lle2", 1.5, "rle6", 1.0},
                          {false, 3, "lle2", 3.5, "rle6", 1.0},
                          {false, 2, "lle2", 2.5, "rle6", 1.0},
                          {false, 7, "lle2", 2.5, "rle6", 1.0},
                          {true, 1, "rle2", -1.5, "lle6", -1.0},
                          {true, 3, "rle2", -3.5, "lle6", -1.0},
                          {true, 0, "rle2", -2.5, "lle6", -1.0}};
    senseAllJointsAt(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.direction << " " << c.speed);
        NaoBesideWalking step(c.direction);
        step.setSpeed(c.speed);
        bool result = true;
        const auto sent = parse(runOnce(step, &result));
        EXPECT_FALSE(result);
        ASSERT_EQ(sent.size(), kLegPass);
        for (const auto& [name, value] : sent) {
            if (name == c.hipEffector) {
                EXPECT_NEAR(value, c.hipSpeed, 1e-6);
            } else if (name == c.ankleEffector) {
                EXPECT_NEAR(value, c.ankleSpeed, 1e-6);
            } else {
                EXPECT_EQ(value, 0.0) << name;
            }
        }
    }
}

TEST(NaoBesideWalking, SpreadLegsSpreadAndCloseInOneCycle) {
    senseAllJointsAt(0);
    senseRolls(25, 0, 0, 10);
    NaoBesideWalking step(false);
    bool result = true;
    const auto sent = parse(runOnce(step, &result));
    EXPECT_FALSE(result);  // the rolls are still 25 and 10 degrees out
    ASSERT_EQ(sent.size(), 2 * kLegPass);
    for (std::size_t i = 0; i < kLegPass; ++i) EXPECT_EQ(sent[i].second, 0.0) << sent[i].first;
    EXPECT_EQ(sent[kLegPass + 1].first, "lle2");
    EXPECT_NEAR(sent[kLegPass + 1].second, -2.5, 1e-6);
    EXPECT_EQ(sent[kLegPass + 9].first, "rle6");
    EXPECT_NEAR(sent[kLegPass + 9].second, -1.0, 1e-6);

    // Still closing: the spread is not asked for again.
    EXPECT_EQ(parse(runOnce(step)).size(), kLegPass);
    // Closed: the step is complete and the next one starts with a spread.
    senseRolls(0, 0, 0, 0);
    EXPECT_EQ(parse(runOnce(step, &result)).size(), kLegPass);
    EXPECT_TRUE(result);
    EXPECT_TRUE(step.isFinished());
    const auto next = parse(runOnce(step, &result));
    EXPECT_FALSE(result);
    EXPECT_NEAR(next[1].second, 2.5, 1e-6);
}

TEST(NaoBesideWalking, NewInstanceContinuesTheSharedStep) {
    senseAllJointsAt(0);
    senseRolls(35, 0, 0, 10);
    {
        NaoBesideWalking first(false);
        first.setSpeed(3);
        runOnce(first);  // spread reached: now closing
    }
    senseRolls(0, 0, 0, 0);
    NaoBesideWalking second(true);
    bool result = false;
    // A fresh step would spread the right hip; this one closes and is done.
    EXPECT_EQ(parse(runOnce(second, &result)).size(), kLegPass);
    EXPECT_TRUE(result);
}

TEST(NaoBesideWalking, RotateLevelRaisesArmsAndBendsHips) {
    senseAllJointsAt(0);
    cc()->reset();
    NaoBesideWalking step(false);
    EXPECT_STREQ(cc()->getPreparedCommand(), "");  // setRotate(0) commands nothing
    EXPECT_EQ(step.getSkillID(), SKILL_NAO_BESIDE_WALKING);

    cc()->reset();
    step.setRotate(0.3);
    const auto arms = parse(cc()->getPreparedCommand());
    ASSERT_FALSE(arms.empty());
    EXPECT_EQ(arms[0].first, "lae1");
    EXPECT_NEAR(arms[0].second, 9.0, 1e-6);
    // 0.3 does not bend the hips.
    auto legs = parse(runOnce(step));
    EXPECT_EQ(legs[0].first, "lle3");
    EXPECT_EQ(legs[0].second, 0.0);

    step.setRotate(0.8);
    step.setDefaultPos(5, 5, 0, 0, 0, 0);  // overridden by the level
    legs = parse(runOnce(step));
    EXPECT_NEAR(legs[0].second, 0.08, 1e-6);
    EXPECT_EQ(legs[2].first, "rle3");
    EXPECT_NEAR(legs[2].second, 0.08, 1e-6);
}

TEST(NaoBesideWalking, DefaultPitchTargetsAreHeld) {
    senseAllJointsAt(0);
    NaoBesideWalking step(false);
    step.setDefaultPos(10, 20, -30, -40, 15, 25);
    const auto sent = parse(runOnce(step));
    ASSERT_EQ(sent.size(), kLegPass);
    // lleg, rleg, lknee, rknee, lfoot, rfoot in the controller's order.
    EXPECT_NEAR(sent[0].second, 1.0, 1e-6);   // lle3
    EXPECT_NEAR(sent[2].second, 2.0, 1e-6);   // rle3
    EXPECT_NEAR(sent[4].second, -3.0, 1e-6);  // lle4
    EXPECT_NEAR(sent[5].second, -4.0, 1e-6);  // rle4
    EXPECT_NEAR(sent[6].second, 1.5, 1e-6);   // lle5
    EXPECT_NEAR(sent[8].second, 2.5, 1e-6);   // rle5
}
