// Scenario files are written by hand and sometimes by other programs: every
// line is either understood, skipped as blank or a comment, or refused with
// its number; nothing in one makes fieldsim crash or act absurdly.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>

#include "FieldsimTestKit.h"
#include "game/Scenario.h"
#include "support/ChildProcess.h"
#include "util/TextFormat.h"

namespace {

// The events of a text that must be accepted.
std::vector<ScenarioEvent> accepted(const std::string& text) {
    Scenario s;
    std::string error;
    EXPECT_TRUE(Scenario::parse(text, s, error)) << error;
    return s.due(1000000);
}

// Why a text is refused ("" when it is accepted).
std::string refusal(const std::string& text, const ScenarioBounds& bounds = ScenarioBounds()) {
    Scenario s;
    std::string error;
    return Scenario::parse(text, s, error, bounds) ? "" : error;
}

}  // namespace

TEST(ScenarioFile, EveryKindOfWhiteSpaceSeparatesWordsAndBlankLinesAreSkipped) {
    // Lines of only \v, \f or \r were taken for events and their missing first word read.
    for (const char* blank : {"\v", "\f", "\r", " \v\f\r\t ", "\r\r"}) {
        EXPECT_TRUE(accepted(std::string(blank) + "\n" + blank).empty()) << TextFormat::printable(blank);
    }
    const std::vector<ScenarioEvent> events =
        accepted("\f# a comment after a form feed\n"
                 "1.0\vplace-ball\f4.5\t0.2\r\n"
                 "\v2.0 send-raw left\v1\vHELLO there\v\r\n"
                 "cycle:7\fsend-raw\f3\fright\f(GS\v(t 1))\n");
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, ScenarioEvent::Kind::SendRaw);  // cycle 7 comes first
    EXPECT_EQ(events[0].line, 4);
    EXPECT_EQ(events[0].unum, 3);
    EXPECT_EQ(events[0].side, TeamSide::Right);
    EXPECT_EQ(events[0].text, "(GS\v(t 1))") << "the rest of the line as written";
    EXPECT_EQ(events[1].kind, ScenarioEvent::Kind::PlaceBall);
    EXPECT_DOUBLE_EQ(events[1].values[0], 4.5);
    EXPECT_DOUBLE_EQ(events[1].values[1], 0.2);
    EXPECT_EQ(events[2].cycle, 100);
    EXPECT_EQ(events[2].text, "HELLO there");
}

TEST(ScenarioFile, ALineNotUnderstoodIsRefusedWithItsNumber) {
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"\n\n1.0 teleport left 1\n", "scenario line 3: unknown event 'teleport'"},
        {"1.0\n", "scenario line 1: no event"},
        {"1.0 send-raw left 1\v\n", "scenario line 1: send-raw needs SIDE UNUM TEXT"},
        {"1.0 send-raw left\v\v\v\n", "scenario line 1: send-raw needs"},
        {"-1 stop\n", "scenario line 1: bad time '-1'"},
        {"cycle:1.5 stop\n", "scenario line 1: bad cycle"},
        {"nan stop\n", "bad time"},
        {"1 knock-over left 12 front\n", "knock-over needs"},
        {"1 place-robot left 1 0 0\n", "place-robot needs"},
        {"1 playmode Halftime\n", "playmode needs"},
        {"1 stop now\n", "stop takes no arguments"},
        {"1 \x01\x7f\xff\n", "unknown event '\\x01\\x7f\\xff'"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(refusal(c.text).find(c.says), std::string::npos)
            << TextFormat::printable(c.text) << " -> " << refusal(c.text);
    }
}

TEST(ScenarioFile, PositionsSpeedsAndHeadingsBeyondReasonAreRefused) {
    ScenarioBounds field;  // 12 x 8, walls 1 m outside the lines
    field.halfLength = 6.0;
    field.halfWidth = 4.0;
    for (const char* fine : {"1 place-robot left 1 -7 5 -360\n", "1 place-ball 7 -5 100\n",
                             "1 push-ball -100 100 100\n", "1 place-robot 2 right 0 0 359.9\n"}) {
        EXPECT_EQ(refusal(fine, field), "") << fine;
    }
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        // 1e308 used to be accepted and knocked the robot over at the centre.
        {"1 place-robot left 1 1e308 0 0\n", "scenario line 1: X is absurdly large"},
        {"1 place-robot left 1 -1e308 0 0\n", "X is absurdly large"},
        {"1 place-robot left 1 0 4.5e300 0\n", "Y is absurdly large"},
        {"1 place-robot left 1 7.5 0 0\n", "X 7.500 is outside -7.000 to 7.000"},
        {"1 place-robot left 1 0 0 1e308\n", "YAW is absurdly large"},
        {"1 place-robot left 1 0 0 400\n", "YAW 400.000 is outside -360.000 to 360.000"},
        {"1 place-robot left 1 inf 0 0\n", "place-robot needs"},
        {"1 place-ball 0 -5.5\n", "Y -5.500 is outside"},
        {"1 place-ball 0 0 -1\n", "Z -1.000 is outside 0.000 to 100.000"},
        {"1 push-ball 1e300 0\n", "VX is absurdly large"},
        {"1 push-ball 0 0 -101\n", "VZ -101.000 is outside"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(refusal(c.text, field).find(c.says), std::string::npos) << c.text << " -> " << refusal(c.text, field);
    }
}

TEST(ScenarioFile, FieldsimRefusesADirectoryAndABadLineAtStartWithStatusTwo) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("events").c_str(), 0755), 0);
    std::string error;
    Scenario s;
    EXPECT_FALSE(Scenario::load(dir.path(), s, error));
    EXPECT_NE(error.find("is a directory"), std::string::npos) << error;

    std::ofstream(dir.file("bad.txt")) << "\v\n\f\n1.0 send-raw left 1\vHELLO\n2.0 place-robot left 1 1e308 0 0\n";
    const struct {
        std::string path;
        const char* says;
    } runs[] = {{dir.file("events"), "is a directory"}, {dir.file("bad.txt"), "scenario line 4: X is absurdly large"}};
    for (const auto& run : runs) {
        ChildProcess fieldsim;
        ASSERT_TRUE(fieldsim.start(FIELDSIM_BIN, {"--port", "0", "--scenario", run.path, "--max-cycles", "5"}, dir.path()));
        EXPECT_EQ(fieldsim.wait(20000), 2) << "refused, not crashed or run";
        EXPECT_NE(fieldsim.err().find(run.says), std::string::npos) << fieldsim.err();
    }
}
