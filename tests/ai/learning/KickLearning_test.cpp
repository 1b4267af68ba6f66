// The kick learner on scripted world states (the stalled clock is covered by
// the match build).
#include "ai/learning/KickLearning.h"

#include <gtest/gtest.h>

#include <string>

#include "ai/learning/LearningTestKit.h"
#include "types.h"

using namespace learningkit;

namespace {

// The ball rolls 3 m along x between step 100 and step 150; the robot falls
// at step `fall`.
std::function<World(unsigned)> kicked(unsigned fall) {
    return [fall](unsigned s) {
        World w = standing(s);
        w.ball = Point(0.2 + (s < 100 ? 0.0 : (s > 150 ? 3.0 : (s - 100) * 3.0 / 50.0)), 0.1, 0.04);
        // Arms hanging beside the body, as the kick wants them before it starts.
        w.joints = {{DOF_SHOULDER_LX, -90.0}, {DOF_SHOULDER_RX, -90.0}};
        w.feetDown = s < fall;
        return w;
    };
}

}  // namespace

// Three metres score thirty; a fall after the kick takes two off; a fall
// before it ends the episode at once (twenty cycles of a fresh half-second
// window, before the idle step at 70) but must not end the next one.
TEST(KickLearning, ThreeMetresScoreThirtyAndAFallTakesTwo) {
    for (const unsigned fall : {10000u, 180u, 2u}) {
        Kit kit;
        auto learner = kit.make<KickLearning>(KickLearning::kParamCount);
        const Episode e = runEpisode(kit, *learner, kicked(fall), 400, vectorOf(9));
        EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_LEARNING_KICK))");
        if (fall == 10000u) {
            EXPECT_NEAR(e.endStep, 70 + 201, 1);  // more than 4 s after the idle step
            EXPECT_EQ(e.fitness, "-30\n");
        } else if (fall == 180u) {
            EXPECT_LT(e.endStep, 230u);
            EXPECT_EQ(e.fitness, "-28\n");
        } else {
            EXPECT_GT(e.endStep, 25u);
            EXPECT_LT(e.endStep, 70u);
            EXPECT_EQ(e.fitness, "2\n");
            kit.send(vectorOf(9));
            const auto freshClock = [](unsigned s) {  // the restarted simulator's
                World w = kicked(10000)(s);
                w.time = 0.02 * s;
                return w;
            };
            EXPECT_EQ(runEpisode(kit, *learner, freshClock, 60, vectorOf(9)).endStep, 0u);
        }
    }
}
