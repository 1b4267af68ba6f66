// End-to-end: a game recorded as scripts/run.sh records one, played again.
// One agent a side plays against fieldsim in lockstep; each one's message
// trace goes through wmtrace into beliefs.csv in its player folder, with the
// side the truth log names (as the run script does it); then fieldsim
// --replay serves the folder. Where a standing robot has localised, the
// belief the replay draws must be where the robot stood: within centimetres
// and degrees on both sides, so the right team's mirrored frame and the
// agents' clockwise yaw are turned the right way.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "support/ChildProcess.h"
#include "support/HttpGet.h"
#include "support/JoinInOrder.h"

namespace {

using json = nlohmann::json;
const std::string kBin = BIN_DIR;
const int kWait = 60000;

// The side a team played on, from the first truth-log line that lists it.
std::string sideOf(const std::string& truthPath, const std::string& team) {
    std::ifstream in(truthPath);
    for (std::string line; std::getline(in, line);) {
        const json state = json::parse(line, nullptr, false);
        if (!state.is_object() || !state.contains("robots")) continue;
        for (const json& r : state["robots"]) {
            if (r.value("team", "") == team) return r.value("side", "");
        }
    }
    return "";
}

}  // namespace

TEST(ReplayEndToEnd, WhatTheAgentsBelievedIsDrawnWhereTheyStoodOnBothSides) {
    TempDir run;
    for (const char* folder : {"/Lefts", "/Lefts/p2", "/Rights", "/Rights/p2"}) ::mkdir((run.path() + folder).c_str(), 0755);
    ChildProcess sim;
    ASSERT_TRUE(sim.start(kBin + "/fieldsim",
                          {"--pace", "lockstep", "--lockstep-timeout", "30", "--wait-for", "2", "--wait-timeout", std::to_string(kWait / 1000), "--duration", "3", "--full-view",
                           "--kickoff-after", "-1", "--truth", run.file("truth.jsonl")},
                          run.path()));
    // Both join before the clock moves on, so the game does not depend on the machine's load.
    ChildProcess lefts, rights;
    JoinInOrder joining(sim, 3100, kWait);
    ASSERT_TRUE(joining.serverHeld()) << sim.out() << sim.err();
    ASSERT_TRUE(lefts.start(AGENT_BIN, {"--teamname", "Lefts", "--unum", "2"}, run.file("Lefts/p2")));
    ASSERT_TRUE(joining.add(lefts));
    ASSERT_TRUE(rights.start(AGENT_BIN, {"--teamname", "Rights", "--unum", "2"}, run.file("Rights/p2")));
    ASSERT_TRUE(joining.add(rights));
    ASSERT_TRUE(joining.release()) << sim.out();
    EXPECT_EQ(sim.wait(kWait), 0) << sim.out();
    EXPECT_EQ(lefts.wait(kWait), 0);
    EXPECT_EQ(rights.wait(kWait), 0);

    for (const char* team : {"Lefts", "Rights"}) {
        const std::string side = sideOf(run.file("truth.jsonl"), team);
        ASSERT_TRUE(side == "left" || side == "right") << team;
        const std::string player = run.file(std::string(team) + "/p2");
        ChildProcess trace;
        ASSERT_TRUE(trace.start(kBin + "/wmtrace", {"--side", side, "--unum", "2", "--teamname", team, player + "/Msg.txt"},
                                player));
        ASSERT_EQ(trace.wait(kWait), 0) << trace.err();
        std::ofstream(player + "/beliefs.csv") << trace.out();
    }

    ChildProcess replay;
    ASSERT_TRUE(replay.start(kBin + "/fieldsim", {"--replay", run.path(), "--monitor-port", "0"}, run.path() + "/Lefts"));
    ASSERT_TRUE(replay.waitForOutput("replay at http://127.0.0.1:")) << replay.out() << replay.err();
    EXPECT_NE(replay.out().find("2 players with beliefs"), std::string::npos) << replay.out();
    const int port = std::atoi(replay.out().c_str() + replay.out().find("replay at http://127.0.0.1:") + 27);
    // By 2.5 s both have beamed home, stand still and have seen all four flags.
    const auto [status, body] = httpGet(port, "/state?t=2.5");
    ASSERT_EQ(status, 200) << body;
    const json state = json::parse(body, nullptr, false);
    ASSERT_TRUE(state.is_object()) << body;
    ASSERT_EQ(state["robots"].size(), 2u) << body;
    for (const json& r : state["robots"]) {
        SCOPED_TRACE(r.value("team", "?"));
        ASSERT_TRUE(r.contains("belief")) << r;
        const json& b = r["belief"];
        EXPECT_LT(b["position_error"].get<double>(), 0.05) << r;
        EXPECT_LT(std::abs(b["heading_error"].get<double>()), 2.0) << r;
        EXPECT_LT(b["ball_error"].get<double>(), 0.1) << r;
        EXPECT_NEAR(b["time"].get<double>(), 2.5, 1e-6) << "the belief of the same cycle";
    }
    ASSERT_TRUE(replay.signal(SIGTERM));
    EXPECT_EQ(replay.wait(10000), 0);
}
