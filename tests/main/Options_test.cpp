// Command-line handling of the development build.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "main/AgentMain.h"
#include "support/ChildProcess.h"

namespace {

const AgentOptions& parse(std::vector<std::string> words) {
    words.insert(words.begin(), "agent");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    readOptions(static_cast<int>(argv.size()), argv.data());
    return agentOptions();
}

TEST(Options, LaterWordsWinAndTrailingOrEmptyValuesAreIgnored) {
    const AgentOptions& o = parse({"--unum", "4", "--teamname"});
    EXPECT_STREQ(o.teamName, "VOR");
    EXPECT_EQ(o.unum, 4);
    EXPECT_EQ(parse({"--host"}).hostName, "127.0.0.1");
    parse({"--unum", "5", "--teamname", "A", "--teamname", "Bees", "--unum", "12abc",
           "--hostname", "10.0.0.17", "-hx", "ignored"});
    EXPECT_EQ(o.unum, 12);
    EXPECT_STREQ(o.teamName, "Bees");
    EXPECT_EQ(o.hostName, "10.0.0.17");  // only the competition build reads "-h..."
    EXPECT_EQ(parse({"--unum", "forward"}).unum, 0);
    parse({"--replay", "old.txt", "--enable-log"});
    EXPECT_TRUE(o.replayMode && o.enableLog);
    EXPECT_EQ(o.logPath, "old.txt");
    parse({"--enable-log", "--replay", ""});
    EXPECT_FALSE(o.enableLog);
    EXPECT_EQ(o.logPath, "");
    EXPECT_EQ(std::strlen(parse({"--teamname", std::string(200, 'x')}).teamName), 63u);
}

TEST(Options, ShortHostOrHelpExitsWithTheHelpText) {
    TempDir dir;
    ChildProcess agent;
    ASSERT_TRUE(agent.start(AGENT_BIN, {"--unum", "3", "--host", "1.2.3.4", "--help"}, dir.path()));
    EXPECT_EQ(agent.wait(10000), 0);
    EXPECT_NE(agent.out().find("No Help Available Yet!\n"), std::string::npos);
    EXPECT_EQ(agent.err().find("connecting"), std::string::npos);
}

}  // namespace
