// The ground-truth log.
#include <gtest/gtest.h>

#include <fstream>

#include "FieldsimTestKit.h"
#include "support/ChildProcess.h"

TEST(TruthLog, OneLinePerCycleWithTheGroundTruthAndCommandsEscapedAndCut) {
    TempDir dir;
    SimOptions o = testOptions();
    o.truthFile = dir.file("truth.jsonl");
    {
        SimHarness h(o);
        std::string error;
        ASSERT_TRUE(h.sim().openTruthLog(error)) << error;
        ASSERT_TRUE(h.join(1, "VOR", 1));
        ASSERT_TRUE(h.join(2, "OPP", 3));
        h.sim().receive(1, "(beam -1.5 2.0 30)(he1 1.0)");
        h.sim().receive(2, "\"\\\x01" + std::string(1000, 'x'));
        h.steps(3);
        h.body(2).knockOver(true);
        h.steps(30);
    }
    std::vector<std::string> lines;
    std::ifstream in(o.truthFile);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 33u);

    const std::string& first = lines[0];
    EXPECT_NE(first.find("\"unum\":1,\"x\":-1.5000,\"y\":2.0000,\"z\":0.3850,\"yaw\":30.000,"), std::string::npos)
        << first;
    // Quotes, backslashes and control characters escaped; cut to 256 characters.
    const std::string escaped = "\"commands\":\"\\\"\\\\\\u0001";
    const size_t commands = first.find(escaped);
    ASSERT_NE(commands, std::string::npos) << first;
    EXPECT_EQ(first.find("x\"", commands) - commands - escaped.size(), 252u) << "the rest of 256 characters";
    EXPECT_NE(lines[1].find("\"commands\":\"\""), std::string::npos) << "nothing sent in that cycle";

    const std::string& last = lines.back();
    EXPECT_NE(last.find("\"cycle\":32"), std::string::npos);
    EXPECT_NE(last.find("\"pitch\":-90.000,\"roll\":0.000,\"state\":\"front\""), std::string::npos) << last;
    EXPECT_NE(last.find("\"yaw\":180.000"), std::string::npos) << "right team faces -x";
}
