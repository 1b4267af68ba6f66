// The kick learner on scripted world states (the stalled clock is covered by
// the match build).
#include "ai/learning/KickLearning.h"

#include <gtest/gtest.h>

#include <string>

#include "ai/learning/LearningTestKit.h"
#include "types.h"

using namespace learningkit;

namespace {

constexpr unsigned kIdle = 70;

// The ball rolls 3 m along x between step 100 and step 150; the robot falls
// at step `fall`.
std::function<World(unsigned)> kicked(unsigned fall) {
    return [fall](unsigned s) {
        World w = standing(s);
        const double rolled = s < 100 ? 0.0 : (s > 150 ? 3.0 : (s - 100) * 3.0 / 50.0);
        w.ball = Point(0.2 + rolled, 0.1, 0.04);
        // Arms hanging beside the body, as the kick wants them before it starts.
        w.joints = {{DOF_SHOULDER_LX, -90.0}, {DOF_SHOULDER_RX, -90.0}};
        w.feetDown = s < fall;
        return w;
    };
}

}  // namespace

TEST(KickLearning, ThreeMetresScoreThirtyAndAFallTakesTwo) {
    for (const unsigned fall : {10000u, 180u}) {
        Kit kit;
        auto learner = kit.make<KickLearning>(KickLearning::kParamCount);
        const Episode e = runEpisode(kit, *learner, kicked(fall), 400, vectorOf(9));
        EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_LEARNING_KICK))");
        if (fall > 400) {
            EXPECT_NEAR(e.endStep, kIdle + 201, 1);  // more than 4 s after the idle step
            EXPECT_EQ(e.fitness, "-30\n");
        } else {
            EXPECT_LT(e.endStep, 230u);
            EXPECT_EQ(e.fitness, "-28\n");
        }
    }
}

TEST(KickLearning, FallEndsTheEpisodeAtOnceButDoesNotEndTheNextOne) {
    Kit kit;
    auto learner = kit.make<KickLearning>(KickLearning::kParamCount);
    const Episode first = runEpisode(kit, *learner, kicked(2), 400, vectorOf(9));
    // Twenty cycles of a fresh half-second window, before the idle step.
    EXPECT_GT(first.endStep, 25u);
    EXPECT_LT(first.endStep, kIdle);
    ASSERT_EQ(first.fitness, "2\n");  // no kick yet: only the fall counts
    kit.send(vectorOf(9));
    // The robot of the fresh simulator stands, on a clock begun again.
    const Episode second = runEpisode(kit, *learner, [](unsigned s) {
        World w = kicked(10000)(s);
        w.time = 0.02 * s;
        return w;
    }, 60, vectorOf(9));
    EXPECT_EQ(second.endStep, 0u);
}
