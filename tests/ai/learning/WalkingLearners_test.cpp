// The walking learners on scripted world states: the episode's opening and
// measured run, the end tests (falls, time, abnormal joints, nothing judged
// before the idle step) and the fitness sent.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ai/learning/BSWLearning.h"
#include "ai/learning/LearningTestKit.h"
#include "ai/learning/TFSCurveLearning.h"
#include "ai/learning/TFSWalkingLearning.h"
#include "ai/learning/TurnLearning.h"
#include "types.h"
#include "utils/CommandCreator.h"

using namespace learningkit;

namespace {

constexpr unsigned kIdle = MotionLearning::kIdleStep;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(TFSWalkingLearning, OneMetreWithTenCentimetresDriftThenASecondEpisodeOnItsOwnClock) {
    Kit kit;
    auto learner = kit.make<TFSWalkingLearning>(TFSWalkingLearning::kParamCount);
    const Episode e = runEpisode(kit, *learner, [](unsigned s) {
        World w = standing(s);
        const double done = s <= kIdle ? 0.0 : std::min(1.0, (s - kIdle) / 700.0);
        w.pos = Point(-0.5 + done, 0.1 * done, 0.45);
        return w;
    }, 1000, vectorOf(10, 11));
    EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_Learning))");
    CommandCreator::getUniqueInstance()->reset();
    CommandCreator::getUniqueInstance()->stopAllJoints();
    const std::string stopAll = CommandCreator::getUniqueInstance()->getPreparedCommand();
    EXPECT_EQ(e.commands[49], stopAll);
    EXPECT_TRUE(has(e.commands[50], "(rae3 ")) << e.commands[50];  // the start posture
    EXPECT_EQ(e.commands[kIdle], stopAll);
    EXPECT_TRUE(has(e.commands[kIdle + 1], "(lle4 ")) << e.commands[kIdle + 1];  // the walk
    EXPECT_NEAR(e.endStep, kIdle + 750, 1);  // fifteen seconds after the idle step
    EXPECT_EQ(e.fitness, "-8.8\n");
    EXPECT_TRUE(has(kit.file("learning.log"), "1 2 3 4 5 6 7 8 9 10 -8.8\n"));

    // The restarted simulator's clock begins again near 0, and the robot
    // stands elsewhere.
    const Episode again = runEpisode(kit, *learner, [](unsigned s) {
        World w;
        w.time = 0.02 * s;
        w.pos = Point(s > kIdle ? 2.5 : 2.0, 1.0, 0.45);
        return w;
    }, 1000, vectorOf(10));
    EXPECT_NEAR(again.endStep, kIdle + 750, 1);
    EXPECT_EQ(again.fitness, "-5\n");
    EXPECT_TRUE(has(kit.file("learning.log"), "\n11 12 13 14 15 16 17 18 19 20 -5\n"));
}

TEST(TFSWalkingLearning, NothingEndsTheEpisodeBeforeTheIdleStepButThenAFallDoes) {
    Kit kit;
    auto learner = kit.make<TFSWalkingLearning>(TFSWalkingLearning::kParamCount);
    const Episode e = runEpisode(kit, *learner, [](unsigned s) {
        World w = standing(s);
        if (s >= 60) w.pos = Point(-0.5, 0.0, 0.2);
        if (s >= 100) w.joints = {{DOF_KNEE_L, 20.0}};  // beyond the knee's limit too
        return w;
    }, kIdle + 5, vectorOf(10));
    EXPECT_EQ(e.endStep, kIdle);
    EXPECT_TRUE(has(e.out, "########## Left Knee ###########\n\nAbnormal behavior!"));
    EXPECT_EQ(e.fitness, "10\n");  // ended before the run began: only the fault
}

TEST(BSWLearning, FallCostsByItsEarlinessAndAFallAsTheRunStartsIsFinite) {
    for (const unsigned fall : {300u, 120u}) {
        Kit kit;
        auto learner = kit.make<BSWLearning>(BSWLearning::kParamCount);
        const Episode e = runEpisode(kit, *learner, [fall](unsigned s) {
            World w = standing(s);
            if (s > kIdle) w.pos = Point(-0.4, 0.3, 0.45);
            w.feetDown = s < fall;  // both feet off the ground: lying
            return w;
        }, 1000, vectorOf(8));
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

TEST(TurnLearning, HeadingsAddUpAndWanderingCosts) {
    EXPECT_EQ(TurnLearning::normalAngle(-10.0), 350.0);
    Kit kit;
    auto learner = kit.make<TurnLearning>(TurnLearning::kParamCount);
    const Episode e = runEpisode(kit, *learner, [](unsigned s) {
        World w = standing(s);
        w.heading = -10.0;
        if (s > kIdle) w.pos = Point(-0.5, 0.1, 0.45);
        return w;
    }, 1000, vectorOf(7));
    ASSERT_NEAR(e.endStep, kIdle + 750, 1);
    // Every cycle after the idle step adds 350; the ending cycle runs no more.
    const double sum = 350.0 * (e.endStep - kIdle - 1);
    EXPECT_NEAR(e.value(), -(sum - 90 * 0.1), std::fabs(sum) * 1e-5);
}

TEST(TFSCurveLearning, WalksTurnsOnceWalksOnAndScoresTheDistanceToTheTarget) {
    Kit kit;
    auto learner = kit.make<TFSCurveLearning>(TFSCurveLearning::kParamCount);
    // 1 m along x, a turn to 90 degrees, then to the point twice the first
    // leg to its right, heading off again (70: no second turn).
    const Episode e = runEpisode(kit, *learner, [](unsigned s) {
        World w = standing(s);
        const double t = s <= kIdle ? 0.0 : 0.02 * (s - kIdle);
        w.pos = Point(std::min(1.0, t / 4.0), -std::min(2.0, std::max(0.0, t - 6.0)), 0.45);
        if (t >= 4.0) w.heading = t < 5.0 ? 45.0 : (t < 6.0 ? 90.0 : 70.0);
        return w;
    }, 1000, vectorOf(2));
    ASSERT_NEAR(e.endStep, kIdle + 600, 1);
    EXPECT_FALSE(learner->inTurn());
    EXPECT_NEAR(e.value(), 0.0, 0.2);  // not negated: the distance is to be made small
    const std::size_t third = e.out.find("agent is now Walking step 3");
    ASSERT_NE(third, std::string::npos);
    EXPECT_FALSE(has(e.out.substr(third), "agent is now turning"));
}
