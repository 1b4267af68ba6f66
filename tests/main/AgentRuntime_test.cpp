// End-to-end: the real agent programs against a small framed server on the
// agent's fixed port 3100.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FakeServer.h"

namespace {

const char* const kScene = "(scene /usr/local/share/rcssserver3d/rsg/agent/nao/nao.rsg)";
const int kWait = 10000;

struct Session {
    FakeServer server;
    ChildProcess agent;
    TempDir dir;

    void start(const char* program, const std::vector<std::string>& args) {
        ASSERT_TRUE(server.listenOn(3100)) << "port 3100 busy";
        ASSERT_TRUE(agent.start(program, args, dir.path()));
        ASSERT_TRUE(server.acceptClient(kWait)) << agent.err();
    }

    // Plays the start-up exchange and returns the three commands the agent sent.
    std::vector<std::string> startUp() {
        std::vector<std::string> sent;
        sent.push_back(server.readFrame(kWait).value_or("<none>"));
        server.sendFrame(perceptionAt(0.0));
        sent.push_back(server.readFrame(kWait).value_or("<none>"));
        server.sendFrame(perceptionAt(0.02));
        sent.push_back(server.readFrame(kWait).value_or("<none>"));
        return sent;
    }

    // Sends n perceptions and collects the reply to each.
    std::vector<std::string> cycles(int n, double from) {
        std::vector<std::string> replies;
        for (int i = 0; i < n; ++i) {
            server.sendFrame(perceptionAt(from + 0.02 * i));
            replies.push_back(server.readFrame(kWait).value_or("<none>"));
        }
        return replies;
    }
};

TEST(AgentEndToEnd, StartUpExchangeCycleAndExit) {
    Session s;
    s.start(AGENT_BIN, {});
    std::vector<std::string> sent = s.startUp();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], kScene);
    EXPECT_EQ(sent[1], "(init (unum 0)(teamname VOR))");
    EXPECT_EQ(sent[2], "(beam -0.500000 4.000000 0.600000)");

    // One reply for every message.
    for (const std::string& reply : s.cycles(20, 0.04)) EXPECT_NE(reply, "<none>");
    s.server.closeClient();
    EXPECT_EQ(s.agent.wait(kWait), 0);
    EXPECT_NE(s.agent.out().find("\nVOR Agent exited successfuly!\n"), std::string::npos);
    EXPECT_NE(s.agent.out().find("V U D   2 0 0 8"), std::string::npos);

    // The development build traces every cycle's message, separated by an empty line.
    std::string trace = readWholeFile(s.dir.file("Msg.txt"));
    EXPECT_EQ(trace.rfind(perceptionAt(0.04) + "\n\n", 0), 0u);
    EXPECT_NE(trace.find(perceptionAt(0.42) + "\n\n"), std::string::npos);
}

TEST(AgentEndToEnd, OptionsReachTheInitCommand) {
    Session s;
    s.start(AGENT_BIN, {"--unum", "7", "--teamname", "Robo", "--host", "localhost"});
    std::vector<std::string> sent = s.startUp();
    EXPECT_EQ(sent[1], "(init (unum 7)(teamname Robo))");
    s.server.closeClient();
    EXPECT_EQ(s.agent.wait(kWait), 0);
    EXPECT_NE(s.agent.err().find("Robo: connecting to localhost:3100... "), std::string::npos);
}

TEST(AgentEndToEnd, OverlongTeamNameIsCutToSixtyThreeCharacters) {
    Session s;
    std::string longName(100, 'T');
    s.start(AGENT_BIN, {"--teamname", longName, "--unum"});
    std::vector<std::string> sent = s.startUp();
    EXPECT_EQ(sent[1], "(init (unum 0)(teamname " + std::string(63, 'T') + "))");
    s.server.closeClient();
    EXPECT_EQ(s.agent.wait(kWait), 0);
}

TEST(AgentEndToEnd, CompetitionBuildSendsNoBeamAndStaysSilent) {
    Session s;
    s.start(MATCHAGENT_BIN, {"--unum", "2"});
    std::vector<std::string> sent = s.startUp();
    EXPECT_EQ(sent[0], kScene);
    EXPECT_EQ(sent[1], "(init (unum 2)(teamname VOR))");
    EXPECT_EQ(sent[2], "");
    for (const std::string& reply : s.cycles(5, 0.04)) EXPECT_NE(reply, "<none>");
    s.server.closeClient();
    EXPECT_EQ(s.agent.wait(kWait), 0);
    EXPECT_FALSE(std::filesystem::exists(s.dir.file("Msg.txt")));
    EXPECT_EQ(s.agent.err().find("connecting"), std::string::npos);
}

TEST(AgentEndToEnd, OversizedMessageGivesOneEmptyCycleAndTheNextIsRead) {
    Session s;
    s.start(AGENT_BIN, {});
    s.startUp();
    ASSERT_TRUE(s.server.sendFrame(std::string(5000, 'x')));
    EXPECT_TRUE(s.server.readFrame(kWait).has_value());
    for (const std::string& reply : s.cycles(3, 1.0)) EXPECT_NE(reply, "<none>");
    s.server.closeClient();
    EXPECT_EQ(s.agent.wait(kWait), 0);
}

TEST(AgentEndToEnd, ServerClosingDuringStartUpFailsCleanly) {
    Session s;
    s.start(AGENT_BIN, {});
    EXPECT_EQ(s.server.readFrame(kWait).value_or(""), kScene);
    s.server.closeClient();
    EXPECT_EQ(s.agent.wait(kWait), 1);
}

TEST(AgentEndToEnd, NoServerMeansExitStatusOne) {
    TempDir dir;
    ChildProcess agent;
    ASSERT_TRUE(agent.start(AGENT_BIN, {}, dir.path()));
    EXPECT_EQ(agent.wait(kWait), 1);
    EXPECT_NE(agent.err().find("TConnection::openConnection"), std::string::npos);
    EXPECT_EQ(agent.out().find("exited successfuly"), std::string::npos);
}

// Logs a game, then replays it: the replay sends exactly the logged commands,
// the start-up ones included.
TEST(AgentEndToEnd, LoggedGameIsReplayedCommandForCommand) {
    TempDir work;
    std::filesystem::create_directory(work.file("log"));
    std::vector<std::string> original;
    {
        Session s;
        ASSERT_TRUE(s.server.listenOn(3100));
        ASSERT_TRUE(s.agent.start(AGENT_BIN, {"--enable-log", "--unum", "4"}, work.path()));
        ASSERT_TRUE(s.server.acceptClient(kWait));
        original = s.startUp();
        for (const std::string& reply : s.cycles(5, 0.04)) original.push_back(reply);
        s.server.closeClient();
        ASSERT_EQ(s.agent.wait(kWait), 0) << s.agent.err();
    }
    ASSERT_TRUE(std::filesystem::exists(work.file("log/cmdLog_1.txt")));
    EXPECT_EQ(readWholeFile(work.file("log/logger.conf")), "1\n");
    EXPECT_EQ(original[1], "(init (unum 4)(teamname VOR))");

    Session s;
    ASSERT_TRUE(s.server.listenOn(3100));
    ASSERT_TRUE(s.agent.start(AGENT_BIN, {"--replay", "log/cmdLog_1.txt"}, work.path()));
    ASSERT_TRUE(s.server.acceptClient(kWait));
    std::vector<std::string> replayed = s.startUp();
    for (const std::string& reply : s.cycles(5, 0.04)) replayed.push_back(reply);
    EXPECT_EQ(replayed, original);

    // Past the end of the log the replay announces its pause and stops by itself.
    s.server.sendFrame(perceptionAt(1.0));
    EXPECT_TRUE(s.server.clientClosed(kWait));
    EXPECT_EQ(s.agent.wait(kWait), 0);
    EXPECT_NE(s.agent.out().find("End of logfile!\nExiting within 3 seconds...\nExited!\n"),
              std::string::npos);
}

// A logged empty command is replayed as an empty command; only the end of
// the log ends the replay.
TEST(AgentEndToEnd, EmptyLoggedCommandsDoNotEndTheReplay) {
    Session s;
    {
        std::ofstream log(s.dir.file("game.txt"));
        log << "1 \t" << kScene << "\n2 \t(init (unum 3)(teamname VOR))\n3 \t\n4 \t\n"
            << "5 \t(he1 1.000000)\n6 \t\n";
    }
    s.start(AGENT_BIN, {"--replay", "game.txt"});
    std::vector<std::string> sent = s.startUp();
    EXPECT_EQ(sent[0], kScene);
    EXPECT_EQ(sent[1], "(init (unum 3)(teamname VOR))");
    EXPECT_EQ(sent[2], "");
    std::vector<std::string> replies = s.cycles(3, 0.04);
    EXPECT_EQ(replies, (std::vector<std::string>{"", "(he1 1.000000)", ""}));
    s.server.sendFrame(perceptionAt(1.0));
    EXPECT_TRUE(s.server.clientClosed(kWait));
    EXPECT_EQ(s.agent.wait(kWait), 0);
}

}  // namespace
