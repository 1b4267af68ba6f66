// The two older walking experiments: their opening (the init, and the beam
// of the newer one), the end tests and the three stages of their fitness.
#include <gtest/gtest.h>

#include <string>

#include "ai/learning/LearningTestKit.h"
#include "ai/learning/NaoWalkingLearning.h"
#include "ai/learning/WalkingLearning.h"

using learningkit::Episode;
using learningkit::Kit;
using learningkit::runEpisode;
using learningkit::timeAt;
using learningkit::vectorOf;
using learningkit::World;

namespace {

constexpr unsigned kIdle = NaoWalkingLearning::kIdleStep;

// 1 m forward and 0.5 m sideways over the fifteen seconds after the idle step.
World drifting(unsigned s) {
    World w;
    w.time = timeAt(s);
    const double done = s <= kIdle ? 0.0 : std::min(1.0, (s - kIdle) / 700.0);
    w.pos = Point(-1.0 + done, 0.5 * done, 0.45);
    return w;
}

}  // namespace

TEST(NaoWalkingLearning, BeamsAfterTheInitAndAddsItsThreeStages) {
    Kit kit;
    auto learner = kit.make<NaoWalkingLearning>();
    kit.optimiser.send(vectorOf(27));
    const Episode e = runEpisode(kit, *learner, drifting, 1000, vectorOf(27));
    EXPECT_EQ(e.commands[1], "(init (unum 0)(teamname VOR_Learning))");
    EXPECT_EQ(e.commands[2], "(beam 0.000000 5.000000 0.800000)");
    EXPECT_NEAR(e.endStep, kIdle + 750, 1);
    EXPECT_NE(e.out.find("\nGot end time!"), std::string::npos);
    // Five seconds upright, ten times the way made in the first ten seconds,
    // twelve times the final drift taken off.
    EXPECT_NEAR(std::stod(e.fitness), -(5.0 + 10.0 * (500 / 700.0) - 12 * 0.5), 1e-4);
}

TEST(WalkingLearning, TurningAwayEndsTheEpisode) {
    Kit kit;
    auto learner = kit.make<WalkingLearning>();
    kit.optimiser.send(vectorOf(27));
    auto turning = [](unsigned s) {
        World w = drifting(s);
        w.heading = s > kIdle + 100 ? 60.0 : 0.0;
        return w;
    };
    const Episode e = runEpisode(kit, *learner, turning, 1000, vectorOf(27));
    EXPECT_EQ(e.commands[2], "");
    EXPECT_EQ(e.endStep, kIdle + 101);
    EXPECT_NE(e.out.find("out of angle"), std::string::npos);
    // The seconds upright, and the fault.
    EXPECT_NEAR(std::stod(e.fitness), -(0.02 * 101 - 10.0), 1e-4);
}
