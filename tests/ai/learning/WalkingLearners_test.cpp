// The walking learners on scripted world states: the episode's opening and
// measured run, the end tests (falls, time, abnormal joints, nothing judged
// before the idle step) and the fitness sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ai/learning/BSWLearning.h"
#include "ai/learning/LearningTestKit.h"
#include "ai/learning/NaoWalkingLearning.h"
#include "ai/learning/TFSWalkingLearning.h"
#include "etc/SkillParams.h"
#include "types.h"

using namespace learningkit;

namespace {

constexpr unsigned kIdle = MotionLearning::kIdleStep;
constexpr unsigned kNaoIdle = NaoWalkingLearning::kIdleStep;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(TFSWalkingLearning, WalksFromTheBeamThenFromStandingAndScoresBothWalks) {
    Kit kit;
    auto learner = kit.make<TFSWalkingLearning>(TFSWalkingLearning::kParamCount);
    const Episode e = runEpisode(
        kit, *learner,
        [](unsigned s) {
            World w = standing(s);
            // Beamed facing +y. The first walk makes 2 m along it, 0.1 m
            // off it and turns 3 degrees; the second 3 m, 0.2 m back
            // across and 4 degrees the other way.
            const double t = s <= kIdle ? 0.0 : 0.02 * (s - kIdle);
            const double first = std::min(t / 9.5, 1.0);
            const double second = std::clamp((t - 11.5) / 9.5, 0.0, 1.0);
            w.pos =
                Point(-4.0 + 0.1 * first - 0.2 * second, -3.5 + 2.0 * first + 3.0 * second, 0.45);
            w.heading = 90.0 + 3.0 * first - 4.0 * second;
            return w;
        },
        1400, vectorOf(TFSWalkingLearning::kParamCount));
    EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_Learning))");
    EXPECT_TRUE(has(e.commands[kIdle - 2], "(lle3 ")) << "the standing posture";
    EXPECT_EQ(e.commands[kIdle - 1], "(beam -4.000000 -3.500000 90.000000)");
    EXPECT_TRUE(has(e.commands[kIdle + 1], "(lle4 ")) << e.commands[kIdle + 1];  // the walk
    EXPECT_NEAR(e.endStep, kIdle + TFSWalkingLearning::kEndTime / 0.02, 1);
    EXPECT_NEAR(e.value(), -((20.0 - 12.0 * 0.1 - 0.3) + (30.0 - 12.0 * 0.2 - 0.4)), 0.05);
    // The vector reached the walk's values by name.
    EXPECT_EQ(SkillParams::getUniqueInstance()->value("walk", "halfPeriod", 0.2), 9.0);
    EXPECT_EQ(SkillParams::getUniqueInstance()->value("walk", "headingGain", 0.0), 13.0);
}

TEST(TFSWalkingLearning, NothingEndsTheEpisodeBeforeTheIdleStepButThenAFallDoes) {
    Kit kit;
    auto learner = kit.make<TFSWalkingLearning>(TFSWalkingLearning::kParamCount);
    const Episode e = runEpisode(
        kit, *learner,
        [](unsigned s) {
            World w = standing(s);
            if (s >= 60) w.pos = Point(-0.5, 0.0, 0.2);
            if (s >= 100) w.joints = {{DOF_KNEE_L, 20.0}};  // beyond the knee's limit too
            return w;
        },
        kIdle + 5, vectorOf(TFSWalkingLearning::kParamCount));
    EXPECT_EQ(e.endStep, kIdle);
    EXPECT_TRUE(has(e.out, "########## Left Knee ###########\n\nAbnormal behavior!"));
    // Ended before the run began: the whole fall cost, earliest.
    EXPECT_EQ(e.value(), TFSWalkingLearning::kFallCost + TFSWalkingLearning::kEarlyFallCost);
}

TEST(TFSWalkingLearning, ALaterFallCostsLessButMoreThanAnyWayMade) {
    Kit kit;
    auto learner = kit.make<TFSWalkingLearning>(TFSWalkingLearning::kParamCount);
    const Episode e = runEpisode(
        kit, *learner,
        [](unsigned s) {
            World w = standing(s);
            w.pos = Point(-4.0, -3.5, 0.45);
            if (s > kIdle) w.pos = Point(-4.0, -3.5 + 0.01 * (s - kIdle), 0.45);
            if (s >= kIdle + 250) w.pos.setZ(0.2);  // down after five seconds
            return w;
        },
        1000, vectorOf(TFSWalkingLearning::kParamCount));
    EXPECT_EQ(e.endStep, kIdle + 250);
    EXPECT_NEAR(e.value(), -(10.0 * 2.5 - 50.0 - 30.0 * (1.0 - 5.0 / TFSWalkingLearning::kEndTime)),
                0.3);
}

TEST(BSWLearning, FallCostsByItsEarlinessAndAFallAsTheRunStartsIsFinite) {
    for (const unsigned fall : {300u, 120u}) {
        Kit kit;
        auto learner = kit.make<BSWLearning>(BSWLearning::kParamCount);
        const Episode e = runEpisode(
            kit, *learner,
            [fall](unsigned s) {
                World w = standing(s);
                if (s > kIdle) w.pos = Point(-0.4, 0.3, 0.45);
                w.feetDown = s < fall;  // both feet off the ground: lying
                return w;
            },
            1000, vectorOf(8));
        if (fall == 120u) {  // in the cycle the run starts
            EXPECT_EQ(e.endStep, kIdle);
            EXPECT_TRUE(std::isfinite(e.value()) && e.value() > 0.0) << e.fitness;
            continue;
        }
        // The fall detector needs 20 cycles of a half-second window.
        ASSERT_GT(e.endStep, 318u);
        ASSERT_LT(e.endStep, 346u);
        const double duration = static_cast<float>(standing(e.endStep).time) -
                                static_cast<double>(static_cast<float>(standing(kIdle).time));
        EXPECT_NEAR(e.value(), -(-2 * 0.1 + 0.3 - 5 / duration), 1e-4);
    }
}

// The older walking experiment: 1 m forward and 0.5 m sideways over the
// fifteen seconds after its idle step.
TEST(NaoWalkingLearning, BeamsAndAddsItsThreeStages) {
    Kit kit;
    auto nao = kit.make<NaoWalkingLearning>(27);
    const Episode e = runEpisode(
        kit, *nao,
        [](unsigned s) {
            World w = standing(s);
            const double done = s <= kNaoIdle ? 0.0 : std::min(1.0, (s - kNaoIdle) / 700.0);
            w.pos = Point(-1.0 + done, 0.5 * done, 0.45);
            return w;
        },
        1000, vectorOf(27));
    // Well inside the own half: on the halfway line the referee would move
    // the robot away before the kick-off and topple it.
    EXPECT_EQ(e.commands[2], "(beam -4.000000 0.000000 0.000000)");
    EXPECT_NEAR(e.endStep, kNaoIdle + 750, 1);
    // Five seconds upright, ten times the way made in the first ten seconds,
    // twelve times the final drift taken off.
    EXPECT_NEAR(e.value(), -(5.0 + 10.0 * (500 / 700.0) - 12 * 0.5), 1e-4);
}
