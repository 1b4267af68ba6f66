// The learning engine against a scripted optimiser and a recording simulator.
#include "ai/learning/LearningBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "ai/learning/LearningTestKit.h"
#include "worldModel/GameConf.h"

using learningkit::Events;
using learningkit::Kit;

namespace {

// Ends its episodes after `length` cycles with a fitness the test chooses.
struct ProbeLearner : LearningBase {
    ProbeLearner(std::unique_ptr<SimulatorControl> simulator,
                 std::unique_ptr<Communicator> optimiser)
        : LearningBase(3, std::move(simulator), std::move(optimiser)) {}
    bool isEvalDone() override { return stepCount >= length; }
    void continueEval() override {
        seen.push_back({static_cast<double>(stepCount), params[0], params[1], params[2]});
    }
    double calcFitness() override { return fitness; }

    unsigned length = 3;
    double fitness = 12.3456789;
    std::vector<std::vector<double>> seen;  // step and parameters of every cycle
};

std::string out(const std::function<void()>& step) {
    testing::internal::CaptureStdout();
    step();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(LearningBase, VectorInFitnessOutLoggedAndNextVectorTakenOnlyBetweenEpisodes) {
    Kit kit;
    std::ofstream(kit.dir.file("learning.log")) << "old run\n";
    auto learner = kit.make<ProbeLearner>();
    EXPECT_EQ(kit.file("learning.log"), "");
    EXPECT_EQ(*kit.events, (Events{"kill", "wait 2", "start", "wait 2"}));
    EXPECT_EQ(kit.acceptScene(), GameConf::getUniqueInstance()->getRSGPath());
    kit.events->clear();
    ASSERT_TRUE(kit.send("0.5 -1 2e-3"));
    EXPECT_NE(out([&] { Kit::cycle(*learner); }).find("3 new params: 0.5 -1 0.002 \n"),
              std::string::npos);
    // The vector came first, then a fresh simulator and a new connection.
    EXPECT_EQ(*kit.events, (Events{"start", "wait 2"}));
    EXPECT_EQ(kit.acceptScene(), GameConf::getUniqueInstance()->getRSGPath());
    EXPECT_EQ(kit.file("learning.log"), "0.5 -1 0.002 ");

    kit.send("7 8 9\n");  // waiting already, but for the next episode
    Kit::cycle(*learner);
    EXPECT_EQ(kit.received(100), "");
    kit.events->clear();
    EXPECT_NE(out([&] { Kit::cycle(*learner); }).find("Episod 2 started...\n"), std::string::npos);
    EXPECT_EQ(kit.received(), "12.3457\n");
    EXPECT_EQ(kit.file("learning.log"), "0.5 -1 0.002 12.3457\n7 8 9 ");
    EXPECT_EQ(*kit.events, (Events{"kill", "wait 2", "start", "wait 2"}));
    // The ending cycle runs the new episode's step 0 on the new vector.
    EXPECT_EQ(learner->seen, (std::vector<std::vector<double>>{
                                 {1, 0.5, -1, 0.002}, {2, 0.5, -1, 0.002}, {0, 7, 8, 9}}));
}

TEST(LearningBase, ShortVectorDeadLinkAndNaNFitness) {
    Kit kit;
    auto learner = kit.make<ProbeLearner>();
    learner->length = 2;
    learner->fitness = 1234567.0;
    kit.send("1 2 3");
    Kit::cycle(*learner);
    kit.send("4.5 x7 9");
    testing::internal::CaptureStderr();
    Kit::cycle(*learner);  // episode 1 ends, episode 2's short text is read
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(kit.received(), "1.23457e+06\n");
    EXPECT_NE(err.find("only 1 of 3 parameters"), std::string::npos) << err;

    learner->fitness = NAN;
    kit.closeOptimiser();
    testing::internal::CaptureStderr();
    for (int i = 0; i < 4; ++i) Kit::cycle(*learner);  // episodes 2 and 3 end
    err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(learner->isOptimiserConnected());
    EXPECT_NE(err.find("not a number"), std::string::npos) << err;
    EXPECT_NE(err.find("episode 3 runs with the previous values"), std::string::npos) << err;
    EXPECT_EQ(kit.file("learning.log"),
              "1 2 3 1.23457e+06\n4.5 2 3 40000\n4.5 2 3 40000\n4.5 2 3 ");
}
