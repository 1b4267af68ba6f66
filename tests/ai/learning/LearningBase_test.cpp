// The learning engine against a scripted optimiser and a recording simulator.
#include "ai/learning/LearningBase.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ai/learning/LearningTestKit.h"
#include "etc/SkillParams.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

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

namespace {

// A learner of a skill "probe" with three values, started at (-4.5, 1.5).
struct SkillLearner : ProbeLearner {
    SkillLearner(std::unique_ptr<SimulatorControl> simulator,
                 std::unique_ptr<Communicator> optimiser)
        : ProbeLearner(std::move(simulator), std::move(optimiser)) {
        bindSkill("probe", {{"reach", 1.0}, {"lift", 2.0}, {"pace", 3.0}});
        beamAtStart(-4.5, 1.5, 30.0);
        length = 4;
    }
    std::vector<double> skillValues() const {
        return SkillParams::getUniqueInstance()->values(
            "probe", {{"reach", 1.0}, {"lift", 2.0}, {"pace", 3.0}});
    }
};

}  // namespace

TEST(LearningBase, HandsEachVectorToItsSkillAndBeamsToTheStartBeforeTheKickOff) {
    Kit kit;
    auto learner = kit.make<SkillLearner>();
    EXPECT_EQ(learner->getSkillName(), "probe");
    WorldModel* WM = WorldModel::getUniqueInstance();
    WM->setPlayMode(PM_BEFORE_KICK_OFF);
    kit.send("0.5 -1 2\n");
    Kit::cycle(*learner);
    // The skill reads the vector under its own names, as it reads its file.
    EXPECT_EQ(learner->skillValues(), (std::vector<double>{0.5, -1, 2}));
    testing::internal::CaptureStderr();
    EXPECT_EQ(Kit::cycle(*learner), "(beam -4.500000 1.500000 30.000000)");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Kit::cycle(*learner), "");  // once per episode

    kit.send("4 5 6\n");
    testing::internal::CaptureStdout();
    Kit::cycle(*learner);  // episode 1 ends; the next vector is read
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(learner->skillValues(), (std::vector<double>{4, 5, 6}));
    Kit::cycle(*learner);
    // A simulator that has kicked off already ignores the beam: said so.
    WM->setPlayMode(PM_PLAY_ON);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Kit::cycle(*learner), "(beam -4.500000 1.500000 30.000000)");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("episode 2 beams to its start after "
                                                          "the kick-off"),
              std::string::npos);
}

TEST(LearningBase, ASkillListOfAnotherLengthIsReportedAndTheCommonPartHandedOver) {
    struct ShortList : ProbeLearner {
        ShortList(std::unique_ptr<SimulatorControl> s, std::unique_ptr<Communicator> o)
            : ProbeLearner(std::move(s), std::move(o)) {
            bindSkill("short", {{"only", 9.0}, {"two", 8.0}});
        }
    };
    Kit kit;
    testing::internal::CaptureStderr();
    auto learner = kit.make<ShortList>();
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "the short skill has 2 values but the vector has 3; only the first 2"),
              std::string::npos);
    kit.send("1 2 3\n");
    Kit::cycle(*learner);
    EXPECT_EQ(SkillParams::getUniqueInstance()->values("short", {{"only", 9.0}, {"two", 8.0}}),
              (std::vector<double>{1, 2}));
}

TEST(LearningBase, ListensForTheOptimiserOnThePortItIsGiven) {
    ::alarm(20);  // a connection that never comes fails the test
    // A port free a moment ago.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof self;
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&self), size), 0);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&self), &size);
    ::close(probe);
    const unsigned port = ntohs(self.sin_port);

    std::string heard;
    std::thread optimiser([&] {
        for (int i = 0; i < 200; ++i) {
            const int s = ::socket(AF_INET, SOCK_STREAM, 0);
            if (::connect(s, reinterpret_cast<sockaddr*>(&self), sizeof self) == 0) {
                ::send(s, "1 2 3\n", 6, MSG_NOSIGNAL);
                char reply[16] = {};
                if (::recv(s, reply, sizeof reply - 1, 0) > 0) heard = reply;
                ::close(s);
                return;
            }
            ::close(s);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    testing::internal::CaptureStdout();
    std::unique_ptr<Communicator> link = LearningBase::listenForOptimiser(port);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(link->isConnected());
    const char* text = link->readMsg();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), "1 2 3\n");
    link->sendMsg("-4.5\n");
    optimiser.join();
    EXPECT_EQ(heard, "-4.5\n");
    ::alarm(0);
}

TEST(LearningBase, QuietUntilPerceivedAnswersANewSimulatorOnlyOnceItHasSpoken) {
    Kit kit;
    auto learner = kit.make<ProbeLearner>();
    learner->setQuietUntilPerceived(true);
    kit.send("1 2 3\n");
    testing::internal::CaptureStdout();
    Kit::cycle(*learner);  // the restart for the first episode, and nothing else
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(learner->restartedThisCycle());
    EXPECT_TRUE(learner->seen.empty());
    EXPECT_EQ(learner->getStepCount(), 0u);

    Kit::cycle(*learner);  // the new simulator's first perception: step 1
    EXPECT_FALSE(learner->restartedThisCycle());
    Kit::cycle(*learner);
    kit.send("4 5 6\n");
    testing::internal::CaptureStdout();
    Kit::cycle(*learner);  // step 3 ends the episode and restarts, quietly
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(kit.received(), "12.3457\n");
    EXPECT_TRUE(learner->restartedThisCycle());
    // No step 0 on the new vector before the new simulator has spoken.
    EXPECT_EQ(learner->seen, (std::vector<std::vector<double>>{{1, 1, 2, 3}, {2, 1, 2, 3}}));
    Kit::cycle(*learner);
    EXPECT_EQ(learner->seen.back(), (std::vector<double>{1, 4, 5, 6}));
}
