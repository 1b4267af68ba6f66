// Command-line handling of the development build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/AgentMain.h"

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
    parse({"--unum", "5", "--teamname", "A", "--teamname", "Bees", "--unum", "12abc", "--hostname",
           "10.0.0.17", "-hx", "ignored"});
    EXPECT_EQ(o.unum, 12);
    EXPECT_STREQ(o.teamName, "Bees");
    EXPECT_EQ(o.hostName, "10.0.0.17");  // only the competition build reads "-h..."
    EXPECT_EQ(parse({"--unum", "forward"}).unum, 0);
    parse({"--enable-log", "--replay", ""});
    EXPECT_FALSE(o.enableLog);
    EXPECT_EQ(o.logPath, "");
}

// --design-params wins over --params wherever it stands, as in skillrun.
TEST(Options, DesignParamsWinsOverAParamsFolder) {
    const AgentOptions& o = parse({"--params", "team/params"});
    EXPECT_EQ(o.paramsDir, "team/params");
    EXPECT_FALSE(o.designParams);
    parse({"--design-params", "--params", "other"});
    EXPECT_TRUE(o.designParams);
    EXPECT_EQ(o.paramsDir, "other");
}

}  // namespace
