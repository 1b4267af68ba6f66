// Command-line differences of the competition build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/AgentMain.h"
#include "support/ChildProcess.h"

namespace {

void parse(std::vector<std::string> words) {
    words.insert(words.begin(), "matchagent");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    readOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(MatchOptions, AnyWordStartingWithDashHIsTheHostOption) {
    parse({"-h", "server.local"});
    EXPECT_EQ(agentOptions().hostName, "server.local");
    parse({"-host", "192.168.1.20"});
    EXPECT_EQ(agentOptions().hostName, "192.168.1.20");
    parse({"--host", "other.example"});
    EXPECT_EQ(agentOptions().hostName, "other.example");
}

TEST(MatchOptions, ShortHostPrintsHelpWithoutShort) {
    TempDir dir;
    ChildProcess p;
    ASSERT_TRUE(p.start(MATCHAGENT_BIN, {"-h", "1.2.3.4"}, dir.path()));
    EXPECT_EQ(p.wait(10000), 0);
    EXPECT_NE(p.out().find("No Help Available Yet!\n"), std::string::npos);
    EXPECT_EQ(p.out().find("Short"), std::string::npos);
}

}  // namespace
