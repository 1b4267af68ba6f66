// A real three-episode run of learnagent with fieldsim and tuner, on the
// fixed ports (3100 for the simulator, 4100 for the optimiser link).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace {

std::string bin(const char* name) { return std::string(BIN_DIR) + "/" + name; }

std::vector<std::string> split(const std::string& text, char separator = '\n') {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string cell; std::getline(in, cell, separator);) out.push_back(cell);
    return out;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::vector<double> numbers(const std::string& text) {
    std::vector<double> out;
    std::istringstream in(text);
    for (double v = 0; in >> v;) out.push_back(v);
    return out;
}

}  // namespace

TEST(LearnAgent, ThreeEpisodesWithTunerEachInAFreshFieldsim) {
    TempDir agentDir, tunerDir;
    ChildProcess agent, tuner;
    // Each episode's fieldsim waits for every answer, however slow the machine,
    // rather than running on without the robot after its default second.
    ASSERT_TRUE(agent.start(bin("learnagent"),
                            {"tfswalk", "--simulator", "fieldsim", "--fieldsim-arg",
                             "--lockstep-timeout=30"},
                            agentDir.path()));
    ASSERT_TRUE(tuner.start(bin("tuner"),
                            {std::string(FIXTURE_DIR) + "/../../tools/tuner/tfswalk.params",
                             "--budget", "3", "--seed", "3"},
                            tunerDir.path()));
    EXPECT_EQ(tuner.wait(100000), 0) << tuner.err() << agent.err();
    // The optimiser has left: learnagent stops by itself and its simulator with it.
    EXPECT_EQ(agent.wait(30000), 0) << agent.err();

    const auto csv = split(readWholeFile(tunerDir.file("tuner.csv")));
    ASSERT_EQ(csv.size(), 4u) << tuner.out();
    EXPECT_EQ(csv[0].rfind("episode,generation,fitness,best_fitness,", 0), 0u) << csv[0];
    double best = 1e300;
    const auto logged = split(readWholeFile(agentDir.file("learning.log")));
    ASSERT_GE(logged.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const std::vector<double> row = numbers(logged[i]);
        // The walk's thirteen values, then the fitness.
        ASSERT_EQ(row.size(), 14u) << logged[i];
        EXPECT_TRUE(std::isfinite(row[13])) << logged[i];
        const auto c = split(csv[i + 1], ',');
        EXPECT_NEAR(std::stod(c[2]), row[13], 1e-4 * (1 + std::fabs(row[13])));
        EXPECT_NEAR(std::stod(c[4]), row[0], 1e-4 * (1 + std::fabs(row[0])));
        best = std::min(best, std::stod(c[2]));
        EXPECT_NEAR(std::stod(c[3]), best, 1e-9 * (1 + std::fabs(best)));
        std::printf("episode %d fitness %s\n", i + 1, c[2].c_str());
    }
    EXPECT_NE(agent.out().find("Episod 4 started..."), std::string::npos);
    // Every episode ran in a fieldsim of its own, each stopped cleanly: each
    // episode's process makes its learner (which starts one) and restarts it
    // for the episode; none once the optimiser had gone.
    const std::string sims = readWholeFile(agentDir.file("fieldsim.log"));
    EXPECT_EQ(count(sims, "listening on 127.0.0.1:3100"), 6u);
    EXPECT_EQ(count(sims, "summary:"), count(sims, "listening on 127.0.0.1:3100")) << sims;
    EXPECT_GE(count(sims, "(left 1 VOR_Learning) joined"), 3u);
}
