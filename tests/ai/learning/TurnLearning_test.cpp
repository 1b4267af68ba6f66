// The turn learner on scripted world states: the beam, the vector handed to
// the turn by the names of its values, six turns each scored by its final
// error and its time to arrive, and a fall that costs more than any turn.
#include "ai/learning/TurnLearning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ai/learning/LearningTestKit.h"
#include "etc/SkillParams.h"
#include "skills/lowLevelSkills/TurnSkill.h"

using namespace learningkit;

namespace {

constexpr unsigned kIdle = MotionLearning::kIdleStep;
// Steps from the idle step to the end of the sixth turn.
const unsigned kRunSteps = static_cast<unsigned>(
    std::lround((TurnLearning::kSettleTime + 6 * TurnLearning::kSpanTime) / 0.02));

}  // namespace

// A robot that faces each target a second after it is set (and then
// exactly): every turn ends on its target and arrives within 10 degrees
// in 0.9 s, so the episode costs 6 x 10 x 0.9 = 54 plus nothing else.
TEST(TurnLearning, SixTurnsScoredByErrorAndTimeToArrive) {
    Kit kit;
    auto learner = kit.make<TurnLearning>(12);
    TurnLearning* l = learner.get();
    double heading = 0.0;
    double setAt = -1.0;
    double lastTarget = NAN;
    const Episode e = runEpisode(
        kit, *learner,
        [&](unsigned s) {
            World w = standing(s);
            if (TurnSkill* turn = l->getTurn()) {
                if (turn->getDeg() != lastTarget) {
                    lastTarget = turn->getDeg();
                    setAt = w.time;
                }
                // 20 degrees short until a second has passed.
                heading = w.time - setAt >= 1.0 - 1e-9 ? lastTarget : lastTarget - 20;
            }
            w.heading = heading;
            return w;
        },
        kIdle + kRunSteps + 5, vectorOf(12));
    EXPECT_EQ(e.commands[2], "(beam -2.000000 0.000000 0.000000)");
    // The vector reaches the turn under the names of params/turn.params.
    EXPECT_DOUBLE_EQ(SkillParams::getUniqueInstance()->value("turn", "period", 0), 7.0);
    EXPECT_DOUBLE_EQ(SkillParams::getUniqueInstance()->value("turn", "settleTime", 0), 12.0);
    EXPECT_NEAR(e.endStep, kIdle + kRunSteps, 1);
    ASSERT_EQ(l->getFinalErrors().size(), 6u);
    for (double err : l->getFinalErrors()) EXPECT_NEAR(err, 0.0, 1e-3);
    for (double t : l->getArrivalTimes()) EXPECT_NEAR(t, 0.98, 0.021);
    EXPECT_NEAR(e.value(), 6 * 10 * 0.98, 1.5) << e.fitness;
}

// A fall in the second turn ends the episode: the fall and the five turns
// left undone cost far more than any turn the learner could score.
TEST(TurnLearning, AFallEndsTheEpisodeAndOutweighsEveryTurn) {
    Kit kit;
    auto learner = kit.make<TurnLearning>(12);
    const unsigned fallStep = kIdle + 50 + 300;
    const Episode e = runEpisode(
        kit, *learner,
        [&](unsigned s) {
            World w = standing(s);
            if (s >= fallStep) w.pos = Point(-2, 0, 0.1);
            return w;
        },
        fallStep + 5, vectorOf(12));
    EXPECT_EQ(e.endStep, fallStep);
    EXPECT_NE(e.out.find("Agent fell!"), std::string::npos);
    EXPECT_EQ(learner->getFinalErrors().size(), 1u);
    const double worstTurn = 180 + TurnLearning::kSecondCost * TurnLearning::kSpanTime;
    EXPECT_GT(e.value(), TurnLearning::kFallCost + 5 * TurnLearning::kUndoneCost);
    EXPECT_GT(e.value(), 6 * worstTurn);
}
