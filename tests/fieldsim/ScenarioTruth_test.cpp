// Scenario files and the ground-truth log.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <cmath>
#include <fstream>

#include "FieldsimTestKit.h"
#include "support/ChildProcess.h"

namespace {

// A strict check that a text is one JSON value (objects, arrays, strings,
// numbers, true/false/null), so the truth log stays machine-readable.
class JsonChecker {
public:
    explicit JsonChecker(const std::string& t) : s(t) {}
    bool valid() {
        skip();
        if (!value()) return false;
        skip();
        return i == s.size();
    }

private:
    void skip() {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    bool literal(const char* w) {
        const size_t n = std::strlen(w);
        if (s.compare(i, n, w) != 0) return false;
        i += n;
        return true;
    }
    bool string() {
        if (s[i] != '"') return false;
        for (++i; i < s.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            if (c == '"') {
                ++i;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') ++i;
        }
        return false;
    }
    bool digits() {
        const size_t from = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        return i > from;
    }
    bool number() {
        if (i < s.size() && s[i] == '-') ++i;
        if (i < s.size() && s[i] == '0') {
            ++i;
        } else if (!digits()) {
            return false;
        }
        if (i < s.size() && s[i] == '.') {
            ++i;
            if (!digits()) return false;
        }
        if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
            ++i;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
            if (!digits()) return false;
        }
        return true;
    }
    bool value() {
        skip();
        if (i >= s.size()) return false;
        const char c = s[i];
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++i;
            skip();
            if (i < s.size() && s[i] == close) return ++i, true;
            for (;;) {
                skip();
                if (c == '{') {
                    if (!string()) return false;
                    skip();
                    if (i >= s.size() || s[i++] != ':') return false;
                }
                if (!value()) return false;
                skip();
                if (i >= s.size()) return false;
                if (s[i] == ',') {
                    ++i;
                    continue;
                }
                if (s[i] == close) return ++i, true;
                return false;
            }
        }
        if (c == '"') return string();
        if (c == 't') return literal("true");
        if (c == 'f') return literal("false");
        if (c == 'n') return literal("null");
        return number();
    }
    const std::string& s;
    size_t i = 0;
};

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace

// ----------------------------------------------------------- scenario files

TEST(ScenarioFile, ReadsEveryEventForm) {
    Scenario s;
    std::string error;
    const std::string text =
        "# a comment\n"
        "\n"
        "2.0 playmode PlayOn\r\n"
        "1.0 place-ball 1.5 0.3\n"
        "3.0 push-ball 2.0 0.0\n"
        "4.0 knock-over 1 left front\n"
        "4.5 knock-over right 2 back\n"
        "5.0 place-robot left 2 -1.0 0.5 90\n"
        "6.0 drop-connection left 1\n"
        "7.0 send-raw left 1 (GS (t 1.00)  (pm PlayOn)\n"
        "cycle:10 stop\n";
    ASSERT_TRUE(Scenario::parse(text, s, error)) << error;
    ASSERT_EQ(s.size(), 9u);
    auto events = s.due(1000000);
    ASSERT_EQ(events.size(), 9u);
    EXPECT_EQ(events[0].kind, ScenarioEvent::Kind::Stop) << "sorted by time: cycle 10 first";
    EXPECT_EQ(events[0].cycle, 10);
    EXPECT_EQ(events[1].cycle, 50);
    EXPECT_EQ(events[4].side, TeamSide::Left);
    EXPECT_EQ(events[5].side, TeamSide::Right) << "side and number in either order";
    EXPECT_EQ(events[8].text, "(GS (t 1.00)  (pm PlayOn)") << "the raw text is kept as written";
    EXPECT_TRUE(s.due(2000000).empty()) << "each event is handed out once";
}

TEST(ScenarioFile, RefusesWhatItDoesNotUnderstandNamingTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"1.0 playmode PlayOn\n2.0 explode\n", "line 2: unknown event 'explode'"},
        {"x playmode PlayOn\n", "line 1: bad time"},
        {"\n\n1.0 playmode Halftime\n", "line 3"},
        {"1.0 knock-over left 12 front\n", "line 1"},
        {"cycle:-3 stop\n", "line 1"},
        {"1.0 push-ball nan 0\n", "line 1"},
    };
    for (const auto& [text, expected] : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(Scenario::parse(text, s, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
}

TEST(ScenarioFile, TheProgramRefusesABadScenarioAtStart) {
    TempDir dir;
    {
        std::ofstream(dir.file("bad.txt")) << "1.0 playmode PlayOn\n1.5 teleport left 1\n";
    }
    ChildProcess p;
    ASSERT_TRUE(p.start(FIELDSIM_BIN, {"--port", "0", "--scenario", dir.file("bad.txt")}, dir.path()));
    EXPECT_EQ(p.wait(10000), 2);
    EXPECT_NE(p.err().find("scenario line 2: unknown event 'teleport'"), std::string::npos) << p.err();
}

// ------------------------------------------------------- scenario in a game

TEST(ScenarioEvents, RobotsAreKnockedOverPlacedDroppedAndSentRawText) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "OPP", 2));
    Scenario s;
    std::string error;
    ASSERT_TRUE(Scenario::parse("cycle:1 knock-over 1 left back\n"
                                "cycle:2 place-robot right 2 1.0 -2.0 45\n"
                                "cycle:3 send-raw left 1 (GS (t 1.00) (pm PlayOn)\n"
                                "cycle:4 drop-connection right 2\n"
                                "cycle:4 knock-over left 5 front\n"
                                "cycle:6 stop\n",
                                s, error))
        << error;
    h.sim().setScenario(s);
    h.steps(2);
    EXPECT_EQ(h.robot(1).body.state(), BodyState::LyingBack);
    h.steps(1);
    EXPECT_NEAR(h.robot(2).body.torso().pos.x, 1.0, 1e-9);
    EXPECT_NEAR(h.robot(2).body.heading(), 45.0, 1e-9);
    const std::vector<Outgoing> out = h.stepAll();
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0].clientId, 1);
    EXPECT_EQ(out[0].text, "(GS (t 1.00) (pm PlayOn)");
    EXPECT_FALSE(out[0].perception) << "the raw text goes before that cycle's perception";
    h.sim().step();
    EXPECT_EQ(h.sim().takeDrops(), std::vector<int>{2});
    EXPECT_EQ(h.sim().world().robot(2), nullptr);
    EXPECT_NE(h.console().find("no robot left 5"), std::string::npos) << "a missing robot is reported";
    EXPECT_FALSE(h.sim().finished());
    h.steps(2);
    EXPECT_TRUE(h.sim().finished());
    EXPECT_EQ(h.sim().cycles(), 7);
}

// -------------------------------------------------------------- truth log

TEST(TruthLog, OneValidJsonLinePerCycleWithTheGroundTruth) {
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
        h.sim().receive(2, std::string(1000, 'x') + "\"\\\x01");
        h.steps(3);
        h.robot(2).body.knockOver(true);
        h.steps(30);
    }
    const std::vector<std::string> lines = readLines(o.truthFile);
    ASSERT_EQ(lines.size(), 33u);
    for (const std::string& line : lines) ASSERT_TRUE(JsonChecker(line).valid()) << line;

    const std::string& first = lines[0];
    EXPECT_EQ(first.rfind("{\"cycle\":0,\"time\":0.000,", 0), 0u) << first;
    EXPECT_NE(first.find("\"unum\":1,\"x\":-1.5000,\"y\":2.0000,\"z\":0.3850,\"yaw\":30.000,"), std::string::npos)
        << first;
    EXPECT_NE(first.find("\"commands\":\"(beam -1.5 2.0 30)(he1 1.0)\""), std::string::npos);
    // Commands are cut to 256 characters.
    const size_t second = first.find("\"unum\":3");
    ASSERT_NE(second, std::string::npos);
    const size_t commands = first.find("\"commands\":\"", second) + 12;
    EXPECT_EQ(first.find_first_not_of('x', commands) - commands, 256u);
    EXPECT_NE(lines[1].find("\"commands\":\"\""), std::string::npos) << "nothing sent in that cycle";

    const std::string& last = lines.back();
    EXPECT_NE(last.find("\"cycle\":32"), std::string::npos);
    EXPECT_NE(last.find("\"pitch\":-90.000,\"roll\":0.000,\"state\":\"front\""), std::string::npos) << last;
    EXPECT_NE(last.find("\"yaw\":180.000"), std::string::npos) << "right team faces -x";
}
