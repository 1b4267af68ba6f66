// The two older walking experiments: their opening, end tests and fitness.
#include <gtest/gtest.h>

#include <string>

#include "ai/learning/LearningTestKit.h"
#include "ai/learning/NaoWalkingLearning.h"
#include "ai/learning/WalkingLearning.h"

using namespace learningkit;

namespace {

constexpr unsigned kIdle = NaoWalkingLearning::kIdleStep;

// 1 m forward and 0.5 m sideways over the fifteen seconds after the idle
// step, turning away to 60 degrees from step `turn`.
std::function<World(unsigned)> drifting(unsigned turn) {
    return [turn](unsigned s) {
        World w = standing(s);
        const double done = s <= kIdle ? 0.0 : std::min(1.0, (s - kIdle) / 700.0);
        w.pos = Point(-1.0 + done, 0.5 * done, 0.45);
        w.heading = s >= turn ? 60.0 : 0.0;
        return w;
    };
}

}  // namespace

TEST(OlderLearners, NaoWalkingAddsItsThreeStagesAndWalkingEndsWhenTurnedAway) {
    Kit kit;
    auto nao = kit.make<NaoWalkingLearning>(27);
    Episode e = runEpisode(kit, *nao, drifting(10000), 1000, vectorOf(27));
    EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_Learning))");
    EXPECT_EQ(e.commands[2], "(beam 0.000000 5.000000 0.800000)");
    EXPECT_NEAR(e.endStep, kIdle + 750, 1);
    // Five seconds upright, ten times the way made in the first ten seconds,
    // twelve times the final drift taken off.
    EXPECT_NEAR(e.value(), -(5.0 + 10.0 * (500 / 700.0) - 12 * 0.5), 1e-4);

    Kit other;
    auto walking = other.make<WalkingLearning>(27);
    e = runEpisode(other, *walking, drifting(kIdle + 101), 1000, vectorOf(27));
    EXPECT_EQ(e.commands[2], "");
    EXPECT_EQ(e.endStep, kIdle + 101);
    EXPECT_NE(e.out.find("out of angle"), std::string::npos);
    EXPECT_NEAR(e.value(), -(0.02 * 101 - 10.0), 1e-4);  // the seconds upright, and the fault
}
