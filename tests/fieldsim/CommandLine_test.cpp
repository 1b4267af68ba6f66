// fieldsim's command line: both value forms, later uses winning, the one
// line of complaint for each kind of mistake, and a help text that names
// exactly the options there are.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

struct Parsed {
    CommandLine::Outcome outcome;
    SimOptions options;
    std::string error;
};

Parsed parse(std::vector<std::string> words) {
    words.insert(words.begin(), "fieldsim");
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    Parsed p;
    p.outcome = CommandLine::parse(static_cast<int>(argv.size()), argv.data(), p.options, p.error);
    return p;
}

}  // namespace

TEST(CommandLine, ValuesComeAsTheNextWordOrAfterAnEqualsSignAndTheLastUseWins) {
    const Parsed p = parse({"--port=0", "--bind", "10.0.0.7", "--model", "kinematic", "--pace=lockstep",
                            "--lockstep-timeout", "2.5", "--field", "20x14", "--goal-width=2", "--half-time", "90",
                            "--halves", "3", "--kickoff-after", "-1", "--vision-every", "1", "--full-view", "--noise",
                            "--seed", "7", "--say-limit", "20", "--latency", "3", "--gs-classic", "--truth", "t.jsonl",
                            "--scenario", "s.txt", "--max-cycles", "100", "--duration", "12.5", "--verbose",
                            "--monitor-port", "0", "--wait-for", "6", "--wait-timeout", "0.5", "--replay", "run",
                            "--port", "3200"});
    ASSERT_EQ(p.outcome, CommandLine::Outcome::Run) << p.error;
    const SimOptions& o = p.options;
    EXPECT_EQ(o.port, 3200);
    EXPECT_EQ(o.bindAddress, "10.0.0.7");
    EXPECT_EQ(o.model, ModelKind::Kinematic);
    EXPECT_EQ(o.pace, Pace::Lockstep);
    EXPECT_DOUBLE_EQ(o.lockstepTimeout, 2.5);
    EXPECT_DOUBLE_EQ(o.fieldLength, 20.0);
    EXPECT_DOUBLE_EQ(o.fieldWidth, 14.0);
    EXPECT_DOUBLE_EQ(o.goalWidth, 2.0);
    EXPECT_DOUBLE_EQ(o.halfTime, 90.0);
    EXPECT_EQ(o.halves, 3);
    EXPECT_DOUBLE_EQ(o.kickoffAfter, -1.0) << "a negative number is a value, not an option";
    EXPECT_EQ(o.visionEvery, 1);
    EXPECT_TRUE(o.fullView && o.noise && o.gsClassic && o.verbose);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_EQ(o.sayLimit, 20);
    EXPECT_EQ(o.latency, 3);
    EXPECT_EQ(o.truthFile, "t.jsonl");
    EXPECT_EQ(o.scenarioFile, "s.txt");
    EXPECT_EQ(o.maxCycles, 100);
    EXPECT_DOUBLE_EQ(o.duration, 12.5);
    EXPECT_EQ(o.monitorPort, 0);
    EXPECT_EQ(o.waitFor, 6);
    EXPECT_DOUBLE_EQ(o.waitTimeout, 0.5);
    EXPECT_EQ(o.replayPath, "run");
    EXPECT_EQ(parse({"--model", "physics"}).options.model, ModelKind::Physics);
}

TEST(CommandLine, EachMistakeIsOneLineSayingWhatWasWrong) {
    const struct {
        std::vector<std::string> words;
        const char* error;
    } cases[] = {
        {{"--port"}, "--port needs a value"},
        {{"--noise", "--scenario"}, "--scenario needs a value"},
        {{"--replay="}, "--replay needs a value"},
        {{"--port", "x"}, "bad value 'x' for --port (0 to 65535)"},
        {{"--port=70000"}, "bad value '70000' for --port (0 to 65535)"},
        {{"--pace", "fast"}, "bad value 'fast' for --pace (realtime or lockstep)"},
        {{"--model", "ode"}, "bad value 'ode' for --model (physics or kinematic)"},
        {{"--field", "12x"}, "bad value '12x' for --field (LxW, each 1 to 1000 m)"},
        {{"--lockstep-timeout", "inf"}, "bad value 'inf' for --lockstep-timeout (0.001 to 3600 s)"},
        {{"--latency", "0"}, "bad value '0' for --latency (1 to 50)"},
        {{"--seed", "-1"}, "bad value '-1' for --seed (a number from 0)"},
        {{"--wait-for", "23"}, "bad value '23' for --wait-for (0 to 22 robots)"},
        {{"--wait-timeout", "-1"}, "bad value '-1' for --wait-timeout (0 to 86400 s)"},
        {{"--port", "x", "--port", "5"}, "bad value 'x' for --port (0 to 65535)"},
        {{"--noise=1"}, "--noise takes no value"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"--bogus=3"}, "unknown option --bogus"},
        {{"stray"}, "unknown option stray"},
        {{"--field", "10x8", "--goal-width", "9"}, "the goal is wider than the field"},
        {{"--play-trace-json", "out.json"}, "--play-trace-json needs --play-trace"},
    };
    for (const auto& c : cases) {
        const Parsed p = parse(c.words);
        EXPECT_EQ(p.outcome, CommandLine::Outcome::Error) << c.error;
        EXPECT_EQ(p.error, c.error);
    }
    for (const std::vector<std::string>& help : {std::vector<std::string>{"--help"}, {"-h"}, {"--port", "5", "--help"}}) {
        EXPECT_EQ(parse(help).outcome, CommandLine::Outcome::Help) << help.back();
    }
}

TEST(CommandLine, TheHelpNamesEveryOptionThereIsAndNoOther) {
    const std::string help = CommandLine::helpText();
    std::set<std::string> listed;  // the words that start a line with "  --"
    for (size_t at = help.find("\n  --"); at != std::string::npos; at = help.find("\n  --", at + 1)) {
        const size_t start = at + 3;
        listed.insert(help.substr(start, help.find_first_of(" \n", start) - start));
    }
    listed.erase("--help");
    // A value each option takes (flags take none).
    const std::set<std::string> flags = {"--full-view", "--noise", "--gs-classic", "--verbose"};
    const std::vector<std::pair<std::string, std::string>> all = {
        {"--port", "0"}, {"--bind", "127.0.0.1"}, {"--model", "kinematic"}, {"--pace", "lockstep"},
        {"--lockstep-timeout", "1"}, {"--field", "12x8"}, {"--goal-width", "1"}, {"--half-time", "60"},
        {"--halves", "1"}, {"--kickoff-after", "2"}, {"--vision-every", "3"}, {"--full-view", ""}, {"--noise", ""},
        {"--seed", "1"}, {"--say-limit", "20"}, {"--latency", "1"}, {"--gs-classic", ""}, {"--truth", "t"},
        {"--scenario", "s"}, {"--max-cycles", "5"}, {"--duration", "1"}, {"--verbose", ""}, {"--monitor-port", "0"},
        {"--wait-for", "2"}, {"--wait-timeout", "3"}, {"--replay", "r"}, {"--play-trace", "t"},
        {"--play-trace-json", "j"}};
    std::set<std::string> known;
    for (const auto& [name, value] : all) {
        known.insert(name);
        // The JSON of a trace's replay comes only with the replay.
        std::vector<std::string> words = {name, value};
        if (flags.count(name)) words.pop_back();
        if (name == "--play-trace-json") words.insert(words.begin(), {"--play-trace", "t"});
        const Parsed p = parse(words);
        EXPECT_EQ(p.outcome, CommandLine::Outcome::Run) << name << ": " << p.error;
    }
    EXPECT_EQ(listed, known) << "the help text and the options read differ";
}
