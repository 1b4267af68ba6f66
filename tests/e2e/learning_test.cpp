// The learning programs end to end, on the fixed ports (3100 for the
// simulator, 4100 for the optimiser link): command lines, the tuner against a
// scripted agent, the engine retrying while port 4100 is taken, and a real
// three-episode run of learnagent with fieldsim and tuner.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ai/learning/LearningTestKit.h"
#include "ai/learning/TFSWalkingLearning.h"
#include "support/ChildProcess.h"
#include "utils/Communicator.h"

namespace {

const int kWait = 10000;

std::string bin(const char* name) { return std::string(BIN_DIR) + "/" + name; }

std::vector<std::string> split(const std::string& text, char separator = '\n') {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string cell; std::getline(in, cell, separator);) out.push_back(cell);
    return out;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

std::vector<double> numbers(const std::string& text) {
    std::vector<double> out;
    std::istringstream in(text);
    for (double v = 0; in >> v;) out.push_back(v);
    return out;
}

const char* const kThreeParams = "# a small test problem\na  1.0   0.5\nb -2.0   0.5  -3  0\n\nc  0.25  0.1\n";

// Runs a program to its end; its exit status.
int runTool(const char* name, const std::vector<std::string>& args, const TempDir& dir,
            std::string* err = nullptr) {
    ChildProcess p;
    EXPECT_TRUE(p.start(bin(name), args, dir.path()));
    const int status = p.wait(kWait);
    if (err != nullptr) *err = p.err() + p.out();
    return status;
}

// Plays learnagent for the tuner: answers every vector with the squared
// distance to (0, -1, 0.5), or with `reply` when it is set.
struct ScriptedAgent {
    Communicator link{4096, false};
    std::vector<std::vector<double>> vectors;

    void serve(int episodes, const std::string& reply = "") {
        ASSERT_TRUE(link.create(4100)) << "port 4100 busy";
        for (int i = 0; i < episodes; ++i) {
            const char* text = link.readMsg();
            ASSERT_NE(text, nullptr);
            const std::vector<double> v = numbers(text);
            ASSERT_EQ(v.size(), 3u);
            vectors.push_back(v);
            const double f = v[0] * v[0] + (v[1] + 1) * (v[1] + 1) + (v[2] - 0.5) * (v[2] - 0.5);
            char line[64];
            std::snprintf(line, sizeof line, "%g\n", f);
            ASSERT_TRUE(link.sendMsg(reply.empty() ? line : reply));
        }
    }
};

}  // namespace

TEST(LearningCommandLines, HelpNamesTheKeyWordsAndBadLinesAreRefused) {
    TempDir dir;
    std::string out;
    EXPECT_EQ(runTool("learnagent", {"--help"}, dir, &out), 0);
    for (const char* part : {"tfswalk", "naowalk", "--simulator fieldsim[=PATH]", "port 4100"}) {
        EXPECT_NE(out.find(part), std::string::npos) << part;
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"tfswalk", "kick"},
                                                 {"tfswalk", "--simulator", "gazebo"}}) {
        EXPECT_EQ(runTool("learnagent", args, dir, &out), 2);
        EXPECT_NE(out.find("Try 'learnagent --help'."), std::string::npos) << out;
    }
    EXPECT_EQ(runTool("tuner", {"--help"}, dir, &out), 0);
    EXPECT_NE(out.find("NAME START STEP [MIN MAX]"), std::string::npos);
    for (const auto& [text, reason] : std::vector<std::pair<std::string, std::string>>{
             {"# c\na 1 0.5\nb 1 0\n", "line 3: STEP must be a number above 0"},
             {"a 1 0.5 2 3\n", "line 1: START lies outside MIN..MAX"},
             {"a nan 0.5\n", "line 1: START is not a number"}}) {
        std::ofstream(dir.file("p.params")) << text;
        EXPECT_EQ(runTool("tuner", {"p.params", "--wait", "0"}, dir, &out), 2);
        EXPECT_NE(out.find(reason), std::string::npos) << out;
    }
}

TEST(Tuner, ProposesBoundedVectorsLogsEveryEpisodeAndTheBestAndRepeatsForASeed) {
    std::vector<std::string> csvs;
    for (int run = 0; run < 2; ++run) {
        TempDir dir;
        std::ofstream(dir.file("p.params")) << kThreeParams;
        ScriptedAgent agent;
        ChildProcess tuner;
        ASSERT_TRUE(tuner.start(bin("tuner"), {"p.params", "--budget", "12", "--lambda", "4", "--seed", "7"},
                                dir.path()));
        agent.serve(12);
        EXPECT_EQ(tuner.wait(kWait), 0) << tuner.err();
        const std::string csv = readWholeFile(dir.file("tuner.csv"));
        const auto rows = split(csv);
        ASSERT_EQ(rows.size(), 13u);
        EXPECT_EQ(rows[0], "episode,generation,fitness,best_fitness,a,b,c");
        double best = 1e300, first = 0, last = 0;
        for (int i = 1; i <= 12; ++i) {
            const auto c = split(rows[i], ',');
            ASSERT_EQ(c.size(), 7u);
            EXPECT_EQ(std::stoi(c[1]), (i - 1) / 4 + 1);
            best = std::min(best, std::stod(c[2]));
            EXPECT_NEAR(std::stod(c[3]), best, 1e-9 * (1 + std::fabs(best)));
            EXPECT_NEAR(std::stod(c[5]), agent.vectors[i - 1][1], 1e-6);
            EXPECT_GE(agent.vectors[i - 1][1], -3.0);  // within b's bounds
            EXPECT_LE(agent.vectors[i - 1][1], 0.0);
            if (i <= 4) first += std::stod(c[2]);
            if (i >= 9) last += std::stod(c[2]);
        }
        EXPECT_LT(last, first) << "the search moves toward the optimum";
        const auto bestFile = split(readWholeFile(dir.file("tuner-best.params")));
        ASSERT_EQ(bestFile.size(), 5u);
        EXPECT_EQ(split(bestFile[3], ' ').size(), 5u) << "bounds kept";
        csvs.push_back(csv);
    }
    EXPECT_EQ(csvs[0], csvs[1]) << "the same seed and fitness values give the same run";
}

TEST(Tuner, UnusableFitnessRanksLastAndALostAgentEndsTheRun) {
    TempDir dir;
    std::ofstream(dir.file("p.params")) << kThreeParams;
    for (const bool lost : {false, true}) {
        ScriptedAgent agent;
        ChildProcess tuner;
        ASSERT_TRUE(tuner.start(bin("tuner"), {"p.params", "--budget", lost ? "5" : "2"}, dir.path()));
        agent.serve(lost ? 1 : 2, lost ? "" : "nan\n");
        agent.link.disconnect();
        EXPECT_EQ(tuner.wait(kWait), lost ? 1 : 0);
        EXPECT_NE(tuner.err().find(lost ? "learnagent closed the link during episode 2"
                                        : "episode 1: no usable fitness in 'nan'; it ranks last"),
                  std::string::npos) << tuner.err();
    }
}

TEST(LearningBase, WaitsOnPort4100AndTriesAgainWhileThePortIsTaken) {
    learningkit::Kit kit;
    const int blocker = learningkit::listenLoopback(4100);
    ASSERT_GE(blocker, 0) << "port 4100 busy";
    // Restarts are recorded, but the pauses (the retry's second included) are real.
    struct PausingSimulator : learningkit::RecordingSimulator {
        using RecordingSimulator::RecordingSimulator;
        void wait(unsigned seconds) override { SimulatorControl::wait(seconds); }
    };
    std::unique_ptr<TFSWalkingLearning> learner;
    testing::internal::CaptureStdout();
    std::thread making([&] {
        learner = std::make_unique<TFSWalkingLearning>(
            std::make_unique<PausingSimulator>(kit.events, kit.server.port()));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ::close(blocker);
    Communicator optimiser(256, false);
    testing::internal::CaptureStderr();  // the refused tries
    for (int i = 0; i < 200 && !optimiser.connect2(4100, "127.0.0.1"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    testing::internal::GetCapturedStderr();
    making.join();
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(optimiser.isConnected());
    EXPECT_EQ(out.rfind("Waiting for matlab connection\nTry 2: Creating Matlab Connection... \n", 0), 0u)
        << out;
    EXPECT_EQ(*kit.events, (learningkit::Events{"kill", "start"}));
    // The link works: a vector in.
    ASSERT_TRUE(optimiser.sendMsg(learningkit::vectorOf(10)));
    testing::internal::CaptureStdout();
    learningkit::Kit::cycle(*learner);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(learner->getParam(9), 10.0);
}

TEST(LearnAgent, ThreeEpisodesWithTunerEachInAFreshFieldsim) {
    TempDir agentDir, tunerDir;
    ChildProcess agent, tuner;
    ASSERT_TRUE(agent.start(bin("learnagent"), {"tfswalk", "--simulator", "fieldsim"}, agentDir.path()));
    ASSERT_TRUE(tuner.start(bin("tuner"),
                            {std::string(FIXTURE_DIR) + "/../../tools/tuner/tfswalk.params", "--budget",
                             "3", "--seed", "3"},
                            tunerDir.path()));
    EXPECT_EQ(tuner.wait(100000), 0) << tuner.err() << agent.err();
    // The optimiser has left: learnagent stops by itself and its simulator with it.
    EXPECT_EQ(agent.wait(30000), 0) << agent.err();

    const auto csv = split(readWholeFile(tunerDir.file("tuner.csv")));
    ASSERT_EQ(csv.size(), 4u) << tuner.out();
    const auto logged = split(readWholeFile(agentDir.file("learning.log")));
    ASSERT_GE(logged.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const std::vector<double> row = numbers(logged[i]);
        ASSERT_EQ(row.size(), 11u) << logged[i];
        EXPECT_TRUE(std::isfinite(row[10])) << logged[i];
        const auto c = split(csv[i + 1], ',');
        EXPECT_NEAR(std::stod(c[2]), row[10], 1e-4 * (1 + std::fabs(row[10])));
        EXPECT_NEAR(std::stod(c[4]), row[0], 1e-4 * (1 + std::fabs(row[0])));
        std::printf("episode %d fitness %s\n", i + 1, c[2].c_str());
    }
    EXPECT_EQ(count(agent.out(), "Evaluation Done!"), 3u);
    EXPECT_NE(agent.out().find("Episod 4 started..."), std::string::npos);
    // Every episode ran in a fieldsim of its own, each stopped cleanly.
    const std::string sims = readWholeFile(agentDir.file("fieldsim.log"));
    EXPECT_GE(count(sims, "listening on 127.0.0.1:3100"), 5u);
    EXPECT_EQ(count(sims, "summary:"), count(sims, "listening on 127.0.0.1:3100")) << sims;
    EXPECT_GE(count(sims, "(left 1 VOR_Learning) joined"), 3u);
}
