// The real agent against fieldsim in lockstep, on the agent's fixed port.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "support/ChildProcess.h"
#include "support/TruthLog.h"

TEST(AgentAgainstFieldsim, StartsBeamsAnswersEveryPerceptionAndStopsWithTheServer) {
    TempDir dir;
    // Each program in its own folder: the output files of a child go there.
    const std::string serverDir = dir.file("server"), agentDir = dir.file("agent");
    ASSERT_EQ(::mkdir(serverDir.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(agentDir.c_str(), 0755), 0);
    const std::string truth = dir.file("truth.jsonl");
    ChildProcess server;
    // The kinematic model puts a beamed robot exactly where the beam says,
    // which is what this test checks to the millimetre.
    ASSERT_TRUE(server.start(FIELDSIM_BIN, {"--model", "kinematic", "--pace", "lockstep", "--max-cycles", "300", "--truth", truth},
                             serverDir));
    ASSERT_TRUE(server.waitForOutput("listening on 127.0.0.1:3100")) << server.out() << server.err();

    ChildProcess agent;
    ASSERT_TRUE(agent.start(AGENT_BIN, {}, agentDir));
    ASSERT_EQ(server.wait(60000), 0) << server.out() << server.err();
    EXPECT_NE(agent.wait(10000), -1) << "the agent ends by itself when the server has gone";

    const std::string log = server.out();
    // Start-up: the scene, then init, accepted as the left team's first robot.
    const size_t scene = log.find("client 1 loaded scene ");
    const size_t joined = log.find("client 1 (left 1 VOR) joined");
    ASSERT_NE(joined, std::string::npos) << log;
    EXPECT_LT(scene, joined);
    EXPECT_EQ(countBefore(log, "malformed"), 0) << log;

    // One answer per perception: the scene comes before the first perception;
    // the very last perception may go unanswered when the server stops.
    const long long perceptions = countBefore(log, "perceptions sent");
    const long long messages = countBefore(log, "messages received");
    ASSERT_GT(perceptions, 200) << log;
    EXPECT_TRUE(messages - 1 == perceptions || messages - 1 == perceptions - 1) << log;
    EXPECT_EQ(log.find("did not answer"), std::string::npos) << "lockstep never had to wait out a timeout";

    // The agent's default beam puts it at (-0.5, 4.0) facing 0.6 degrees.
    const std::vector<TruthCycle> cycles = readTruthLog(truth);
    EXPECT_EQ(cycles.size(), 300u);
    bool beamed = false;
    for (const TruthCycle& c : cycles) {
        const TruthRobot* r = c.robot("VOR", 1);
        beamed = beamed || (r && r->side == "left" && std::fabs(r->x + 0.5) < 1e-4 && std::fabs(r->y - 4.0) < 1e-4 &&
                            std::fabs(r->z - 0.385) < 1e-4 && std::fabs(r->yaw - 0.6) < 1e-3);
    }
    EXPECT_TRUE(beamed) << "no cycle shows the robot where its beam puts it";
}
