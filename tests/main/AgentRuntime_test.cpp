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

    // Starts the program and plays the start-up exchange.
    std::vector<std::string> start(const char* program, const std::vector<std::string>& args,
                                   const std::string& workDir = "") {
        EXPECT_TRUE(server.listenOn(3100)) << "port 3100 busy";
        EXPECT_TRUE(agent.start(program, args, workDir.empty() ? dir.path() : workDir));
        EXPECT_TRUE(server.acceptClient(kWait)) << agent.err();
        return playStartUp(server);
    }

    // n perceptions from `from` on, and the reply to each.
    std::vector<std::string> cycles(int n, double from) {
        std::vector<std::string> replies;
        for (int i = 0; i < n; ++i)
            replies.push_back(replyTo(server, perceptionAt(from + 0.02 * i)));
        return replies;
    }

    int finish() {
        server.closeClient();
        return agent.wait(kWait);
    }
};

TEST(AgentEndToEnd, StartUpExchangeOneReplyPerMessageOversizedMessageAndExit) {
    Session s;
    EXPECT_EQ(s.start(AGENT_BIN, {}),
              (std::vector<std::string>{kScene, "(init (unum 0)(teamname VOR))",
                                        "(beam -0.500000 4.000000 0.600000)"}));
    for (const std::string& reply : s.cycles(20, 0.04)) EXPECT_NE(reply, "<none>");
    // Too long a message gives one empty cycle; the next one is read.
    ASSERT_TRUE(s.server.sendFrame(std::string(5000, 'x')));
    EXPECT_TRUE(s.server.readFrame(kWait).has_value());
    for (const std::string& reply : s.cycles(3, 1.0)) EXPECT_NE(reply, "<none>");
    EXPECT_EQ(s.finish(), 0);
    EXPECT_NE(s.agent.out().find("\nVOR Agent exited successfuly!\n"), std::string::npos);
    // The development build traces every cycle's message, separated by an empty line.
    const std::string trace = readWholeFile(s.dir.file("Msg.txt"));
    EXPECT_EQ(trace.rfind(perceptionAt(0.04) + "\n\n", 0), 0u);
    EXPECT_NE(trace.find(perceptionAt(0.42) + "\n\n"), std::string::npos);
}

TEST(AgentEndToEnd, CompetitionBuildSendsNoBeamAndStaysSilent) {
    Session s;
    EXPECT_EQ(s.start(MATCHAGENT_BIN, {"--unum", "2"}),
              (std::vector<std::string>{kScene, "(init (unum 2)(teamname VOR))", ""}));
    for (const std::string& reply : s.cycles(5, 0.04)) EXPECT_NE(reply, "<none>");
    EXPECT_EQ(s.finish(), 0);
    EXPECT_FALSE(std::filesystem::exists(s.dir.file("Msg.txt")));
    EXPECT_EQ(s.agent.err().find("connecting"), std::string::npos);
}

TEST(AgentEndToEnd, ConnectFailureExitsWithOne) {
    TempDir dir;
    ChildProcess agent;
    ASSERT_TRUE(agent.start(AGENT_BIN, {}, dir.path()));
    EXPECT_EQ(agent.wait(kWait), 1);
    EXPECT_NE(agent.err().find("TConnection::openConnection"), std::string::npos);
    EXPECT_EQ(agent.out().find("exited successfuly"), std::string::npos);
}

// Logs a game (the options reaching the init), then replays it: the replay
// sends exactly the logged commands, the start-up ones included.
TEST(AgentEndToEnd, LoggedGameIsReplayedCommandForCommand) {
    TempDir work;
    std::filesystem::create_directory(work.file("log"));
    std::vector<std::string> original;
    {
        Session s;
        original = s.start(AGENT_BIN,
                           {"--enable-log", "--unum", "4", "--teamname", std::string(100, 'T'),
                            "--host", "localhost"},
                           work.path());
        for (const std::string& reply : s.cycles(5, 0.04)) original.push_back(reply);
        ASSERT_EQ(s.finish(), 0) << s.agent.err();
        EXPECT_NE(s.agent.err().find("TTT: connecting to localhost:3100... "), std::string::npos);
    }
    EXPECT_EQ(readWholeFile(work.file("log/logger.conf")), "1\n");
    // Logged empty commands are replayed as such; only the end of the log ends it.
    std::ofstream(work.file("log/cmdLog_1.txt"), std::ios::app) << "9 \t\n10 \t(he1 1.000000)\n";
    original.insert(original.end(), {"", "(he1 1.000000)"});
    EXPECT_EQ(original[1],
              "(init (unum 4)(teamname " + std::string(63, 'T') + "))");  // the name is cut

    Session s;
    std::vector<std::string> replayed =
        s.start(AGENT_BIN, {"--replay", "log/cmdLog_1.txt"}, work.path());
    for (const std::string& reply : s.cycles(7, 0.04)) replayed.push_back(reply);
    EXPECT_EQ(replayed, original);
    // Past the end of the log the replay announces its pause and stops by itself.
    s.server.sendFrame(perceptionAt(1.0));
    EXPECT_TRUE(s.server.clientClosed(kWait));
    EXPECT_EQ(s.agent.wait(kWait), 0);
    EXPECT_NE(s.agent.out().find("End of logfile!\nExiting within 3 seconds...\nExited!\n"),
              std::string::npos);
}

}  // namespace
