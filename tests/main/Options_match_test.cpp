// Command-line differences of the competition build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/AgentMain.h"
#include "support/ChildProcess.h"

TEST(MatchOptions, AnyWordStartingWithDashHIsTheHostOptionAndShortHostsGetHelp) {
    for (const char* word : {"-h", "-host", "--host"}) {
        std::vector<std::string> words = {"matchagent", word, "192.168.1.20"};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        readOptions(3, argv.data());
        EXPECT_EQ(agentOptions().hostName, "192.168.1.20") << word;
    }
    TempDir dir;
    ChildProcess p;
    ASSERT_TRUE(p.start(MATCHAGENT_BIN, {"-h", "1.2.3.4"}, dir.path()));
    EXPECT_EQ(p.wait(10000), 0);
    EXPECT_NE(p.out().find("No Help Available Yet!\n"), std::string::npos);
    // The options follow, the choice of values among them (a league asks the
    // program whether it takes them).
    EXPECT_NE(p.out().find("--design-params"), std::string::npos) << p.out();
    EXPECT_EQ(p.out().find("Short"), std::string::npos);
}
