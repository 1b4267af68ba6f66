// The learning engine against a scripted optimiser and a recording
// simulator: the order of restarts and pauses, the vector in and the fitness
// out, "learning.log", the episode lines, vectors taken only between
// episodes, and what a short text, a dead link or an unusable fitness do.
#include "ai/learning/LearningBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "ai/learning/LearningTestKit.h"
#include "worldModel/GameConf.h"

using learningkit::Kit;
using learningkit::World;

namespace {

// Ends its episodes after `length` cycles with a fitness the test chooses,
// and remembers the step of every cycle it ran.
class ProbeLearner : public LearningBase {
public:
    ProbeLearner(std::unique_ptr<SimulatorControl> simulator,
                 std::unique_ptr<Communicator> optimiser)
        : LearningBase(3, std::move(simulator), std::move(optimiser)) {}

    bool isEvalDone() override { return stepCount >= length; }
    void continueEval() override {
        steps.push_back(stepCount);
        seen.push_back({params[0], params[1], params[2]});
    }
    double calcFitness() override { return fitness; }

    unsigned length = 3;
    double fitness = 12.3456789;
    std::vector<unsigned> steps;
    std::vector<std::vector<double>> seen;
};

std::vector<double> paramsOf(const LearningBase& l) {
    return {l.getParam(0), l.getParam(1), l.getParam(2)};
}

}  // namespace

TEST(LearningBase, ConstructionRestartsTheSimulatorAndTheFirstCycleTakesAVector) {
    Kit kit;
    std::ofstream(kit.dir.file("learning.log")) << "old run\n";
    auto learner = kit.make<ProbeLearner>();
    EXPECT_EQ(kit.file("learning.log"), "");
    EXPECT_EQ(*kit.events, (learningkit::Events{"kill", "wait 2", "start", "wait 2"}));
    EXPECT_EQ(kit.acceptScene(), GameConf::getUniqueInstance()->getRSGPath());
    EXPECT_TRUE(learner->atStart());

    kit.events->clear();
    ASSERT_TRUE(kit.optimiser.send("0.5 -1 2e-3"));
    testing::internal::CaptureStdout();
    Kit::cycle(*learner, World{});
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("3 new params: 0.5 -1 0.002 \n"), std::string::npos) << out;
    EXPECT_EQ(paramsOf(*learner), (std::vector<double>{0.5, -1, 0.002}));
    // The vector came first, then a fresh simulator (not killed: the
    // constructor's simulator is replaced by the start) and a new connection.
    EXPECT_EQ(*kit.events, (learningkit::Events{"start", "wait 2"}));
    EXPECT_EQ(kit.acceptScene(), GameConf::getUniqueInstance()->getRSGPath());
    EXPECT_EQ(learner->steps, (std::vector<unsigned>{1}));
    EXPECT_EQ(kit.file("learning.log"), "0.5 -1 0.002 ");
}

TEST(LearningBase, EpisodeEndSendsTheFitnessLogsItAndTakesTheNextVectorOnlyThen) {
    Kit kit;
    auto learner = kit.make<ProbeLearner>();
    learner->length = 4;
    kit.optimiser.send("0.5 -1 2e-3");
    Kit::cycle(*learner, World{});
    // The next vector is waiting already, but it belongs to the next episode.
    kit.optimiser.send("7 8 9\n");
    Kit::cycle(*learner, World{});
    Kit::cycle(*learner, World{});
    EXPECT_EQ(learner->seen.back(), (std::vector<double>{0.5, -1, 0.002}));
    EXPECT_EQ(kit.optimiser.received(100), "");
    kit.events->clear();

    testing::internal::CaptureStdout();
    Kit::cycle(*learner, World{});
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(kit.optimiser.received(), "12.3457\n");
    EXPECT_EQ(kit.file("learning.log"), "0.5 -1 0.002 12.3457\n7 8 9 ");
    EXPECT_NE(out.find("Episod 2 started...\n"), std::string::npos) << out;
    EXPECT_EQ(learner->getEpisodCount(), 2u);
    EXPECT_EQ(*kit.events, (learningkit::Events{"kill", "wait 2", "start", "wait 2"}));
    // The cycle that ended the episode runs the new one's step 0 on the new
    // vector; the next cycle is step 1 of the new episode.
    EXPECT_EQ(learner->steps, (std::vector<unsigned>{1, 2, 3, 0}));
    EXPECT_EQ(learner->seen.back(), (std::vector<double>{7, 8, 9}));
    Kit::cycle(*learner, World{});
    EXPECT_EQ(learner->steps.back(), 1u);
}

TEST(LearningBase, PartialVectorIsReportedOncePerEpisodeAndLoggedWhole) {
    Kit kit;
    auto learner = kit.make<ProbeLearner>();
    learner->length = 2;
    kit.optimiser.send("1 2 3");
    Kit::cycle(*learner, World{});
    kit.optimiser.send("4.5 x7 9");

    testing::internal::CaptureStderr();
    Kit::cycle(*learner, World{});  // episode 1 ends, episode 2's text is read
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(learner->seen.back(), (std::vector<double>{4.5, 2, 3}));
    EXPECT_NE(err.find("only 1 of 3 parameters"), std::string::npos) << err;
    EXPECT_EQ(err.find("only", err.find("only") + 1), std::string::npos) << "reported twice";
    EXPECT_EQ(kit.file("learning.log"), "1 2 3 12.3457\n4.5 2 3 ");
}

TEST(LearningBase, ClosedLinkKeepsTheVectorAndEpisodesGoOnReportingOncePerEpisode) {
    Kit kit;
    auto learner = kit.make<ProbeLearner>();
    learner->length = 2;
    kit.optimiser.send("1 2 3");
    Kit::cycle(*learner, World{});
    EXPECT_TRUE(learner->isOptimiserConnected());
    kit.optimiser.close();

    testing::internal::CaptureStderr();
    Kit::cycle(*learner, World{});  // episode 1 ends; no vector can come
    Kit::cycle(*learner, World{});
    Kit::cycle(*learner, World{});  // episode 2 ends
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(learner->isOptimiserConnected());
    EXPECT_EQ(learner->getEpisodCount(), 3u);
    EXPECT_EQ(learner->seen.back(), (std::vector<double>{1, 2, 3}));
    std::size_t reports = 0;
    for (std::size_t at = err.find("no parameter vector received"); at != std::string::npos;
         at = err.find("no parameter vector received", at + 1)) {
        ++reports;
    }
    EXPECT_EQ(reports, 2u) << err;
    EXPECT_NE(err.find("episode 2 runs with the previous values"), std::string::npos) << err;
    // Every episode's line still tells the values it ran on.
    EXPECT_EQ(kit.file("learning.log"), "1 2 3 12.3457\n1 2 3 12.3457\n1 2 3 ");
}

TEST(LearningBase, FitnessHasSixSignificantDigitsAndNaNIsSentAsThePenalty) {
    Kit kit;
    auto learner = kit.make<ProbeLearner>();
    learner->length = 2;
    learner->fitness = 1234567.0;
    kit.optimiser.send("1 2 3");
    Kit::cycle(*learner, World{});
    kit.optimiser.send("1 2 3");
    Kit::cycle(*learner, World{});
    EXPECT_EQ(kit.optimiser.received(), "1.23457e+06\n");
    learner->fitness = std::numeric_limits<double>::quiet_NaN();
    Kit::cycle(*learner, World{});
    kit.optimiser.send("1 2 3");
    testing::internal::CaptureStderr();
    Kit::cycle(*learner, World{});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(kit.optimiser.received(), "40000\n");
    EXPECT_NE(err.find("not a number"), std::string::npos) << err;
}
