// The competition build: the side-step and kick learners print nothing of
// their own and still score the same, also on a stalled server clock.
#include <gtest/gtest.h>

#include <string>

#include "ai/learning/BSWLearning.h"
#include "ai/learning/KickLearning.h"
#include "ai/learning/LearningTestKit.h"

using namespace learningkit;

namespace {

template <typename Learner>
Episode stalled(unsigned params, unsigned stall) {
    Kit kit;
    testing::internal::CaptureStdout();
    auto learner = kit.make<Learner>(params);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    Episode e = runEpisode(
        kit, *learner, [stall](unsigned s) { return standing(std::min(s, stall)); }, 200,
        vectorOf(params));
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
