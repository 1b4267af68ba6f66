// The competition build: the side-step and kick learners print nothing of
// their own (no banner, no fatal-error line) and still score the same.
#include <gtest/gtest.h>

#include <string>

#include "ai/learning/BSWLearning.h"
#include "ai/learning/KickLearning.h"
#include "ai/learning/LearningTestKit.h"

using learningkit::Episode;
using learningkit::Kit;
using learningkit::runEpisode;
using learningkit::timeAt;
using learningkit::vectorOf;
using learningkit::World;

namespace {

// A clock that stops at `stall`: fatal, yet not a word of it on the console.
template <typename Learner>
Episode stalled(unsigned params, unsigned stall) {
    Kit kit;
    testing::internal::CaptureStdout();
    auto learner = kit.make<Learner>();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    kit.optimiser.send(vectorOf(params));
    auto frozen = [stall](unsigned s) {
        World w;
        w.time = timeAt(s < stall ? s : stall);
        return w;
    };
    Episode e = runEpisode(kit, *learner, frozen, 200, vectorOf(params));
    for (const char* own : {"FATAL", "X=", "BallPos", "fitness ="}) {
        EXPECT_EQ(e.out.find(own), std::string::npos) << own;
    }
    return e;
}

}  // namespace

TEST(LearningMatch, SideStepAndKickLearnersAreSilentButScoreTheSame) {
    const Episode side = stalled<BSWLearning>(8, 30);
    EXPECT_EQ(side.endStep, 140u);
    EXPECT_EQ(side.fitness, "40000\n");
    const Episode kick = stalled<KickLearning>(9, 15);
    EXPECT_EQ(kick.endStep, 50u);
    EXPECT_EQ(kick.fitness, "40000\n");
}
