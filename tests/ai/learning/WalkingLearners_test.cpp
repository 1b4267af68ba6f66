// The walking learners on scripted world states: the episode's opening and
// measured run, the end tests (falls, time, abnormal joints, a stalled
// clock, nothing judged before the idle step) and the fitness sent.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "ai/learning/BSWLearning.h"
#include "ai/learning/LearningTestKit.h"
#include "ai/learning/TFSCurveLearning.h"
#include "ai/learning/TFSWalkingLearning.h"
#include "ai/learning/TurnLearning.h"
#include "skills/lowLevelSkills/BSWalk.h"
#include "skills/lowLevelSkills/TurnSkill.h"
#include "types.h"
#include "utils/CommandCreator.h"

using learningkit::Episode;
using learningkit::Kit;
using learningkit::runEpisode;
using learningkit::timeAt;
using learningkit::vectorOf;
using learningkit::World;

namespace {

constexpr unsigned kIdle = MotionLearning::kIdleStep;

std::string stopAllText() {
    CommandCreator* CC = CommandCreator::getUniqueInstance();
    CC->reset();
    CC->stopAllJoints();
    std::string text = CC->getPreparedCommand();
    CC->reset();
    return text;
}

World standing(unsigned s) {
    World w;
    w.time = timeAt(s);
    return w;
}

double sent(const Episode& e) { return std::strtod(e.fitness.c_str(), nullptr); }

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

template <typename Learner>
std::unique_ptr<Learner> started(Kit& kit) {
    auto learner = kit.make<Learner>();
    kit.optimiser.send(vectorOf(Learner::kParamCount));
    return learner;
}

}  // namespace

TEST(TFSWalkingLearning, OpeningThenOneMetreWithTenCentimetresDriftScoresEightPointEight) {
    Kit kit;
    auto learner = started<TFSWalkingLearning>(kit);
    auto walk = [](unsigned s) {
        World w = standing(s);
        const double done = s <= kIdle ? 0.0 : std::min(1.0, (s - kIdle) / 700.0);
        w.pos = Point(-0.5 + done, 0.1 * done, 0.45);
        return w;
    };
    const Episode e = runEpisode(kit, *learner, walk, 1000, vectorOf(10));
    const std::string stop = stopAllText();
    EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_Learning))");
    EXPECT_EQ(e.commands[49], stop);
    // The start posture turns the upper arms out: the joints at 0 move.
    EXPECT_TRUE(has(e.commands[50], "(rae3 ")) << e.commands[50];
    EXPECT_EQ(e.commands[kIdle], stop);
    EXPECT_TRUE(has(e.commands[kIdle + 1], "(lle4 ")) << e.commands[kIdle + 1];
    // Fifteen seconds of server time after the idle step.
    EXPECT_NEAR(e.endStep, kIdle + 750, 1);
    EXPECT_EQ(e.fitness, "-8.8\n");
    EXPECT_TRUE(has(kit.file("learning.log"), "1 2 3 4 5 6 7 8 9 10 -8.8\n"));
}

TEST(TFSWalkingLearning, NothingEndsTheEpisodeBeforeTheIdleStepButThenAFallDoes) {
    Kit kit;
    auto learner = started<TFSWalkingLearning>(kit);
    auto lying = [](unsigned s) {
        World w = standing(s);
        if (s >= 60) w.pos = Point(-0.5, 0.0, 0.2);
        if (s >= 100) w.joints = {{DOF_KNEE_L, 20.0}};  // beyond the knee's limit too
        return w;
    };
    const Episode e = runEpisode(kit, *learner, lying, kIdle + 5, vectorOf(10));
    EXPECT_EQ(e.endStep, kIdle);
    EXPECT_TRUE(has(e.out, "########## Left Knee ###########\n\nAbnormal behavior!"));
    // Ended before the run began: no movement counts, only the fault.
    EXPECT_EQ(e.fitness, "10\n");
}

TEST(TFSWalkingLearning, SecondEpisodeMeasuresFromItsOwnStartOnItsOwnClock) {
    Kit kit;
    auto learner = started<TFSWalkingLearning>(kit);
    auto walk = [](unsigned s) {
        World w = standing(s);
        if (s > kIdle) w.pos = Point(0.5, 0.0, 0.45);
        return w;
    };
    const Episode first = runEpisode(kit, *learner, walk, 1000, vectorOf(10, 11));
    ASSERT_EQ(first.fitness, "-10\n");
    // The restarted simulator's clock begins again near 0, and the robot
    // stands elsewhere.
    auto again = [](unsigned s) {
        World w;
        w.time = 0.02 * s;
        w.pos = Point(s > kIdle ? 2.5 : 2.0, 1.0, 0.45);
        return w;
    };
    testing::internal::CaptureStdout();
    Kit::cycle(*learner, again(1));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(learner->getParam(0), 11.0);
    kit.optimiser.send(vectorOf(10));
    std::string fitness;
    unsigned s = 2;
    testing::internal::CaptureStdout();
    for (; s < 1000 && fitness.empty(); ++s) {
        Kit::cycle(*learner, again(s));
        fitness = kit.optimiser.received(0);
    }
    testing::internal::GetCapturedStdout();
    EXPECT_NEAR(s - 1, kIdle + 750, 1);
    EXPECT_EQ(fitness, "-5\n");
}

TEST(BSWLearning, SideStepRunsAfterTheIdleStepAndAFallCostsByItsEarliness) {
    Kit kit;
    auto learner = started<BSWLearning>(kit);
    auto steps = [](unsigned s) {
        World w = standing(s);
        if (s > kIdle) w.pos = Point(-0.4, 0.3, 0.45);
        w.feetDown = s < 300;  // both feet off the ground: lying
        return w;
    };
    const Episode e = runEpisode(kit, *learner, steps, 1000, vectorOf(8));
    EXPECT_NE(e.commands[kIdle + 1], stopAllText());
    // The fall detector needs 20 cycles of a half-second window.
    ASSERT_GT(e.endStep, 318u);
    ASSERT_LT(e.endStep, 346u);
    const double duration = static_cast<float>(timeAt(e.endStep)) -
                            static_cast<double>(static_cast<float>(timeAt(kIdle)));
    EXPECT_NEAR(sent(e), -(-2 * 0.1 + 0.3 - 5 / duration), 1e-4);
}

TEST(BSWLearning, FallInTheCycleTheRunStartsIsFinite) {
    Kit kit;
    auto learner = started<BSWLearning>(kit);
    auto lying = [](unsigned s) {
        World w = standing(s);
        w.feetDown = s < 120;
        return w;
    };
    const Episode e = runEpisode(kit, *learner, lying, kIdle + 5, vectorOf(8));
    EXPECT_EQ(e.endStep, kIdle);
    EXPECT_TRUE(std::isfinite(sent(e))) << e.fitness;
    EXPECT_GT(sent(e), 0.0);
}

TEST(TurnLearning, HeadingsAddUpAndWanderingCosts) {
    EXPECT_EQ(TurnLearning::normalAngle(-10.0), 350.0);

    Kit kit;
    auto learner = started<TurnLearning>(kit);
    auto turns = [](unsigned s) {
        World w = standing(s);
        w.heading = -10.0;
        if (s > kIdle) w.pos = Point(-0.5, 0.1, 0.45);
        return w;
    };
    const Episode e = runEpisode(kit, *learner, turns, 1000, vectorOf(7));
    ASSERT_NEAR(e.endStep, kIdle + 750, 1);
    // Every cycle of the run after the idle step adds 350; the ending
    // cycle runs no more.
    const double sum = 350.0 * (e.endStep - kIdle - 1);
    EXPECT_DOUBLE_EQ(learner->getSumDir(), sum);
    EXPECT_EQ(learner->getBeginDir(), -10.0);
    EXPECT_NEAR(sent(e), -(sum - 90 * 0.1), std::fabs(sum) * 1e-5);
}

TEST(TFSCurveLearning, WalksTurnsWalksOnAndScoresTheDistanceToTheTarget) {
    Kit kit;
    auto learner = started<TFSCurveLearning>(kit);
    // First leg: 1 m along x in the walk time; then it turns to 90 degrees
    // and walks to the point twice the first leg to its right.
    auto curve = [](unsigned s) {
        World w = standing(s);
        w.pos = Point(0, 0, 0.45);
        if (s <= kIdle) return w;
        const double e = 0.02 * (s - kIdle);
        if (e < 4.0) {
            w.pos = Point(e / 4.0, 0, 0.45);
        } else if (e < 6.0) {
            w.pos = Point(1.0, 0, 0.45);
            w.heading = e < 5.0 ? 45.0 : 90.0;
        } else {
            w.pos = Point(1.0, -std::min(2.0, e - 6.0), 0.45);
            w.heading = 70.0;  // off again: it must not turn a second time
        }
        return w;
    };
    const Episode e = runEpisode(kit, *learner, curve, 1000, vectorOf(2));
    ASSERT_NEAR(e.endStep, kIdle + 600, 1);
    EXPECT_FALSE(learner->inTurn());
    // Not negated: the distance is to be made small.
    EXPECT_NEAR(sent(e), 0.0, 0.2);
    const std::size_t third = e.out.find("agent is now Walking step 3");
    ASSERT_NE(third, std::string::npos);
    EXPECT_FALSE(has(e.out.substr(third), "agent is now turning"));
}

TEST(TFSCurveLearning, FallOnTheFirstLegIsFatal) {
    Kit kit;
    auto learner = started<TFSCurveLearning>(kit);
    auto early = [](unsigned s) {
        World w = standing(s);
        if (s > kIdle + 50) w.pos = Point(-0.5, 0, 0.1);
        return w;
    };
    const Episode e = runEpisode(kit, *learner, early, 1000, vectorOf(2));
    EXPECT_EQ(e.endStep, kIdle + 51);
    EXPECT_TRUE(has(e.out, "EARLY LEARNING ERROR"));
    EXPECT_EQ(e.fitness, "40000\n");
}
