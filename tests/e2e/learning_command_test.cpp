// learnagent with a simulator given as a command line: each episode gets a
// fresh simulator from that command, and each is stopped by its process id
// with an interrupt, which lets a real server shut down cleanly. fieldsim
// stands in for the real server: it prints its summary only when it ends
// cleanly, not when it is killed.
#include <gtest/gtest.h>

#include <string>

#include "support/ChildProcess.h"

namespace {

std::string bin(const char* name) { return std::string(BIN_DIR) + "/" + name; }

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

}  // namespace

TEST(LearnAgent, ACommandLineSimulatorIsStartedPerEpisodeAndInterruptedCleanly) {
    TempDir agentDir, tunerDir;
    ChildProcess agent, tuner;
    // A slow answer (a busy machine) is waited for rather than run past.
    const std::string command = bin("fieldsim") + " --pace lockstep --lockstep-timeout 30 --full-view";
    ASSERT_TRUE(agent.start(bin("learnagent"), {"tfswalk", "--simulator", "command=" + command},
                            agentDir.path()));
    ASSERT_TRUE(tuner.start(bin("tuner"),
                            {std::string(FIXTURE_DIR) + "/../../tools/tuner/tfswalk.params",
                             "--budget", "1"},
                            tunerDir.path()));
    EXPECT_EQ(tuner.wait(60000), 0) << tuner.err() << agent.err();
    EXPECT_EQ(agent.wait(30000), 0) << agent.err();

    EXPECT_NE(agent.out().find("Simulator: " + command + " (console in simulator.log)"),
              std::string::npos)
        << agent.out();
    EXPECT_NE(agent.out().find("Episod 2 started..."), std::string::npos);
    // One at start-up, one per episode, and every one ended by the interrupt.
    const std::string sims = readWholeFile(agentDir.file("simulator.log"));
    const std::size_t started = count(sims, "listening on 127.0.0.1:3100");
    EXPECT_GE(started, 2u) << sims;
    EXPECT_EQ(count(sims, "summary:"), started) << sims;
    EXPECT_GE(count(sims, "(left 1 VOR_Learning) joined"), 1u);
}
