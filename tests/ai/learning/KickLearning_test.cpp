// The kick learner on scripted world states: the worked examples (3 m
// without and with a fall), the four-second end, and a fall that ends the
// episode at once but must not leak into the next one. The stalled clock is
// covered by the match build.
#include "ai/learning/KickLearning.h"

#include <gtest/gtest.h>

#include <string>

#include "ai/learning/LearningTestKit.h"
#include "types.h"

using learningkit::Episode;
using learningkit::Kit;
using learningkit::runEpisode;
using learningkit::timeAt;
using learningkit::vectorOf;
using learningkit::World;

namespace {

constexpr unsigned kIdle = 70;

// The ball rolls 3 m along x between step 100 and step 150.
World kicked(unsigned s) {
    World w;
    w.time = timeAt(s);
    const double rolled = s < 100 ? 0.0 : (s > 150 ? 3.0 : (s - 100) * 3.0 / 50.0);
    w.ball = Point(0.2 + rolled, 0.1, 0.04);
    // Arms hanging beside the body, as the kick wants them before it starts.
    w.joints = {{DOF_SHOULDER_LX, -90.0}, {DOF_SHOULDER_RX, -90.0}};
    return w;
}

std::unique_ptr<KickLearning> started(Kit& kit) {
    auto learner = kit.make<KickLearning>();
    kit.optimiser.send(vectorOf(KickLearning::kParamCount));
    return learner;
}

}  // namespace

TEST(KickLearning, ThreeMetresScoreThirtyAndAFallTakesTwo) {
    {
        Kit kit;
        auto learner = started(kit);
        const Episode e = runEpisode(kit, *learner, kicked, 400, vectorOf(9));
        EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_LEARNING_KICK))");
        // More than 4 s after the idle step.
        EXPECT_NEAR(e.endStep, kIdle + 201, 1);
        EXPECT_FALSE(learner->hadFault());
        EXPECT_EQ(e.fitness, "-30\n");
    }
    {
        Kit kit;
        auto learner = started(kit);
        auto fallsAfterTheKick = [](unsigned s) {
            World w = kicked(s);
            w.feetDown = s < 180;
            return w;
        };
        const Episode e = runEpisode(kit, *learner, fallsAfterTheKick, 400, vectorOf(9));
        EXPECT_TRUE(learner->hadFault());
        EXPECT_LT(e.endStep, 230u);
        EXPECT_EQ(e.fitness, "-28\n");
    }
}

TEST(KickLearning, FallEndsTheEpisodeAtOnceButDoesNotEndTheNextOne) {
    Kit kit;
    auto learner = started(kit);
    auto lying = [](unsigned s) {
        World w = kicked(s);
        w.feetDown = s < 2;
        return w;
    };
    const Episode first = runEpisode(kit, *learner, lying, 400, vectorOf(9));
    // Twenty cycles of a fresh half-second window, before the idle step.
    EXPECT_GT(first.endStep, 25u);
    EXPECT_LT(first.endStep, kIdle);
    // No kick yet, so no ball distance: only the fall counts.
    ASSERT_EQ(first.fitness, "2\n");
    kit.optimiser.send(vectorOf(9));  // for whenever the next episode ends
    // The robot of the fresh simulator stands.
    auto standing = [](unsigned s) {
        World w = kicked(s);
        w.time = 0.02 * s;
        return w;
    };
    unsigned endStep = 0;
    testing::internal::CaptureStdout();
    for (unsigned s = 1; s <= 60 && endStep == 0; ++s) {
        Kit::cycle(*learner, standing(s));
        if (!kit.optimiser.received(0).empty()) endStep = s;
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(endStep, 0u) << "the second episode ended at step " << endStep;
}
