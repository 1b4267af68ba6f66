// Command-line handling of the development build.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "main/AgentMain.h"
#include "support/ChildProcess.h"

namespace {

void parse(std::vector<std::string> words) {
    words.insert(words.begin(), "agent");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    readOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(Options, DefaultsWithoutArguments) {
    parse({});
    const AgentOptions& o = agentOptions();
    EXPECT_STREQ(o.teamName, "VOR");
    EXPECT_EQ(o.unum, 0);
    EXPECT_EQ(o.hostName, "127.0.0.1");
    EXPECT_EQ(o.port, 3100u);
    EXPECT_FALSE(o.enableLog);
    EXPECT_FALSE(o.replayMode);
    EXPECT_EQ(o.logPath, "");
}

TEST(Options, ValuesAndLaterWordsOverrideEarlierOnes) {
    parse({"--unum", "5", "--teamname", "A", "--teamname", "Bees", "--unum", "12abc"});
    EXPECT_EQ(agentOptions().unum, 12);
    EXPECT_STREQ(agentOptions().teamName, "Bees");
    parse({"--unum", "forward"});
    EXPECT_EQ(agentOptions().unum, 0);
}

TEST(Options, LoggingAndReplaySwitches) {
    parse({"--replay", "old.txt", "--enable-log"});
    EXPECT_TRUE(agentOptions().replayMode);
    EXPECT_TRUE(agentOptions().enableLog);
    EXPECT_EQ(agentOptions().logPath, "old.txt");
    parse({"--enable-log", "--replay", ""});
    EXPECT_FALSE(agentOptions().enableLog);
    EXPECT_EQ(agentOptions().logPath, "");
    parse({"--disable-log"});
    EXPECT_FALSE(agentOptions().enableLog);
}

TEST(Options, HostPrefixAndLengthRule) {
    parse({"--host", "localhost"});
    EXPECT_EQ(agentOptions().hostName, "localhost");
    parse({"--hostname", "10.0.0.17"});
    EXPECT_EQ(agentOptions().hostName, "10.0.0.17");
    // Only the competition build reads "-h..." as the host option.
    parse({"-hx", "ignored"});
    EXPECT_EQ(agentOptions().hostName, "10.0.0.17");
}

TEST(Options, ShortHostAndHelpExitWithTheHelpText) {
    TempDir dir;
    ChildProcess shortHost;
    ASSERT_TRUE(shortHost.start(AGENT_BIN, {"--host", "1.2.3.4"}, dir.path()));
    EXPECT_EQ(shortHost.wait(10000), 0);
    EXPECT_NE(shortHost.out().find("No Help Available Yet!\n"), std::string::npos);
    EXPECT_NE(shortHost.out().find("\nShort\n"), std::string::npos);

    // "--help" anywhere wins, even after other options, and nothing connects.
    ChildProcess help;
    ASSERT_TRUE(help.start(AGENT_BIN, {"--unum", "3", "--help", "--teamname", "X"}, dir.path()));
    EXPECT_EQ(help.wait(10000), 0);
    EXPECT_NE(help.out().find("No Help Available Yet!\n"), std::string::npos);
    EXPECT_EQ(help.err().find("connecting"), std::string::npos);
}

TEST(Options, TrailingOptionWithoutArgumentIsIgnored) {
    parse({"--unum", "4", "--teamname"});
    EXPECT_STREQ(agentOptions().teamName, "VOR");
    EXPECT_EQ(agentOptions().unum, 4);
    parse({"--unum"});
    EXPECT_EQ(agentOptions().unum, 4);
    parse({"--host"});
    EXPECT_EQ(agentOptions().hostName, "127.0.0.1");
    parse({"--replay"});
    EXPECT_TRUE(agentOptions().replayMode);
    EXPECT_EQ(agentOptions().logPath, "");
}

TEST(Options, TeamNameIsCutToItsField) {
    parse({"--teamname", std::string(200, 'x')});
    EXPECT_EQ(std::strlen(agentOptions().teamName), 63u);
}

}  // namespace
