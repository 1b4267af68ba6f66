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

TEST(LearningMatch, SideStepLearnerIsSilentButScoresTheSame) {
    Kit kit;
    testing::internal::CaptureStdout();
    auto learner = kit.make<BSWLearning>();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    kit.optimiser.send(vectorOf(8));
    auto frozen = [](unsigned s) {
        World w;
        w.time = timeAt(s < 30 ? s : 30);
        return w;
    };
    const Episode e = runEpisode(kit, *learner, frozen, 200, vectorOf(8));
    EXPECT_EQ(e.endStep, 140u);
    EXPECT_EQ(e.fitness, "40000\n");
    EXPECT_EQ(e.out.find("FATAL"), std::string::npos);
    EXPECT_EQ(e.out.find("X="), std::string::npos);
}

TEST(LearningMatch, KickLearnerIsSilentButScoresTheSame) {
    Kit kit;
    auto learner = kit.make<KickLearning>();
    kit.optimiser.send(vectorOf(9));
    auto frozen = [](unsigned s) {
        World w;
        w.time = timeAt(s < 15 ? s : 15);
        return w;
    };
    const Episode e = runEpisode(kit, *learner, frozen, 200, vectorOf(9));
    EXPECT_EQ(e.endStep, 50u);
    EXPECT_EQ(e.fitness, "40000\n");
    EXPECT_EQ(e.out.find("FATAL"), std::string::npos);
    EXPECT_EQ(e.out.find("BallPos"), std::string::npos);
    EXPECT_EQ(e.out.find("fitness ="), std::string::npos);
}
