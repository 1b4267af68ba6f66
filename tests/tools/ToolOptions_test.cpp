// The command lines of skillrun, tuner, learnagent and wmtrace: what a user
// types reaches the right field, and a mistake gets the tool's own sentence.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LearnAgentOptions.h"
#include "SkillRunOptions.h"
#include "TunerOptions.h"
#include "WmtraceOptions.h"
#include "support/CommandWords.h"

namespace {

std::string skillrunError(std::vector<std::string> words) {
    Words w(std::move(words));
    SkillRunOptions o;
    std::string error;
    EXPECT_EQ(parseSkillRunOptions(w.argc(), w.argv(), o, error), SkillRunParse::Error);
    return error;
}

std::string tunerError(std::vector<std::string> words) {
    Words w(std::move(words));
    TunerOptions o;
    std::string error;
    EXPECT_EQ(parseTunerOptions(w.argc(), w.argv(), o, error), TunerParse::Error);
    return error;
}

std::string learnAgentError(std::vector<std::string> words) {
    Words w(std::move(words));
    LearnAgentOptions o;
    std::string error;
    EXPECT_EQ(parseLearnAgentOptions(w.argc(), w.argv(), o, error), LearnAgentParse::Error);
    return error;
}

}  // namespace

TEST(SkillRunOptions, ValuesFollowTheirOptionNegativeOnesTooAndALaterUseWins) {
    Words w({"--beam", "1", "-2", "90", "walk", "--speed", "-0.5", "--target", "-3", "-2.5",
             "--seconds", "1", "--seconds=2.5", "--unum", "7", "--csv", "out.csv", "--params", "p"});
    SkillRunOptions o;
    std::string error;
    ASSERT_EQ(parseSkillRunOptions(w.argc(), w.argv(), o, error), SkillRunParse::Run) << error;
    EXPECT_EQ(o.skill, "walk");
    EXPECT_EQ(o.beamX, 1);
    EXPECT_EQ(o.beamY, -2);
    EXPECT_EQ(o.beamR, 90);
    EXPECT_EQ(o.speed, -0.5);
    EXPECT_EQ(o.targetX, -3);
    EXPECT_EQ(o.targetY, -2.5);
    EXPECT_EQ(o.seconds, 2.5);
    EXPECT_EQ(o.unum, 7);
    EXPECT_EQ(o.csvPath, "out.csv");
    EXPECT_EQ(o.paramsDir, "p");
    EXPECT_FALSE(o.designParams);
    EXPECT_EQ(o.teamName, "VOR");  // untouched defaults stay
    EXPECT_EQ(o.heading, 0);

    Words flag({"walk", "--design-params", "--params", "p"});
    SkillRunOptions f;
    ASSERT_EQ(parseSkillRunOptions(flag.argc(), flag.argv(), f, error), SkillRunParse::Run) << error;
    EXPECT_TRUE(f.designParams) << "a flag without a value, whatever follows";
    EXPECT_EQ(f.skill, "walk");
}

TEST(SkillRunOptions, EachMistakeGetsItsOwnSentence) {
    EXPECT_EQ(skillrunError({"stand", "--seconds"}), "--seconds needs a value");
    EXPECT_EQ(skillrunError({"stand", "--beam", "1", "2"}), "--beam needs 3 values");
    EXPECT_EQ(skillrunError({"stand", "--target", "1", "--unum", "2"}), "--target needs 2 values");
    const std::string seconds =
        "bad value for --seconds: a number of seconds above 0 and at most 86400";
    EXPECT_EQ(skillrunError({"stand", "--seconds", "0"}), seconds);
    EXPECT_EQ(skillrunError({"stand", "--seconds", "nan"}), seconds);
    EXPECT_EQ(skillrunError({"stand", "--seconds", "5s"}), seconds);
    EXPECT_EQ(skillrunError({"stand", "--unum", "1.5"}),
              "bad value for --unum: a whole number from 0 to 99");
    EXPECT_EQ(skillrunError({"stand", "--teamname", "a b"}),
              "bad value for --teamname: 1 to 63 characters without blanks or brackets");
    EXPECT_EQ(skillrunError({"stand", "--beam", "1", "x", "3"}),
              "bad value for --beam: three numbers X Y R");
    EXPECT_EQ(skillrunError({"stand", "--csv", ""}), "bad value for --csv: a file name");
    EXPECT_EQ(skillrunError({"stand", "--bogus"}), "unknown option --bogus");
    EXPECT_EQ(skillrunError({"stand", "walk"}), "one skill at a time (got stand and walk)");
    EXPECT_EQ(skillrunError({"fly"}), "unknown skill fly");
    EXPECT_EQ(skillrunError({"--seconds", "1"}), "no skill given");
}

TEST(ToolOptions, HelpAnywhereWinsOverEveryMistake) {
    SkillRunOptions s;
    TunerOptions t;
    LearnAgentOptions l;
    WmtraceOptions m;
    std::string error;
    bool showHelp = false;
    Words a({"--bogus", "--seconds", "0", "--help"});
    EXPECT_EQ(parseSkillRunOptions(a.argc(), a.argv(), s, error), SkillRunParse::Help);
    Words b({"--budget", "0", "-h"});
    EXPECT_EQ(parseTunerOptions(b.argc(), b.argv(), t, error), TunerParse::Help);
    Words c({"nolearner", "--help"});
    EXPECT_EQ(parseLearnAgentOptions(c.argc(), c.argv(), l, error), LearnAgentParse::Help);
    Words d({"a", "b", "-h"});
    EXPECT_EQ(parseWmtraceOptions(d.argc(), d.argv(), m, error, showHelp), WmtraceParse::Help);
}

TEST(TunerOptions, WholeNumbersAreDecimalAndWithinTheirRanges) {
    Words w({"--seed", "9223372036854775807", "p.params", "--budget", "010", "--lambda=12",
             "--wait", "0.5", "--best", "b.params"});
    TunerOptions o;
    std::string error;
    ASSERT_EQ(parseTunerOptions(w.argc(), w.argv(), o, error), TunerParse::Run) << error;
    EXPECT_EQ(o.paramsPath, "p.params");
    EXPECT_EQ(o.seed, UINT64_C(9223372036854775807));
    EXPECT_EQ(o.budget, 10) << "a leading zero is no octal number";
    EXPECT_EQ(o.lambda, 12);
    EXPECT_EQ(o.waitSeconds, 0.5);
    EXPECT_EQ(o.bestPath, "b.params");
    EXPECT_EQ(o.csvPath, "tuner.csv");

    EXPECT_EQ(tunerError({"p", "--budget", "0x10"}),
              "--budget must be a whole number from 1 to 1000000");
    EXPECT_EQ(tunerError({"p", "--seed", "18446744073709551615"}),
              "--seed must be a whole number of at least 0");
    EXPECT_EQ(tunerError({"p", "--wait", "inf"}), "--wait must be seconds from 0 to 86400");
    EXPECT_EQ(tunerError({"p", "--lambda"}), "--lambda needs a value");
    EXPECT_EQ(tunerError({"p", "--bogus", "1"}), "unknown option '--bogus'");
    EXPECT_EQ(tunerError({"p", "q"}), "only one parameter file ('p' and 'q')");
    EXPECT_EQ(tunerError({"--budget", "3"}), "no parameter file named");
}

TEST(LearnAgentOptions, SimulatorFormsAndFieldsimArgumentsThatLookLikeOptions) {
    Words w({"tfswalk", "--simulator", "fieldsim=/opt/fieldsim", "--fieldsim-arg", "--noise",
             "--fieldsim-arg=--seed=3"});
    LearnAgentOptions o;
    std::string error;
    ASSERT_EQ(parseLearnAgentOptions(w.argc(), w.argv(), o, error), LearnAgentParse::Run) << error;
    EXPECT_EQ(o.learner, "tfswalk");
    EXPECT_EQ(o.simulator, LearnAgentOptions::Simulator::Fieldsim);
    EXPECT_EQ(o.fieldsimPath, "/opt/fieldsim");
    EXPECT_EQ(o.fieldsimArgs, (std::vector<std::string>{"--noise", "--seed=3"}));

    Words c({"--simulator=command=server --port 3100 'a b'", "kick"});
    LearnAgentOptions oc;
    ASSERT_EQ(parseLearnAgentOptions(c.argc(), c.argv(), oc, error), LearnAgentParse::Run) << error;
    EXPECT_EQ(oc.simulator, LearnAgentOptions::Simulator::Command);
    EXPECT_EQ(oc.command, "server --port 3100 'a b'");

    EXPECT_EQ(learnAgentError({"tfswalk", "--simulator"}),
              "--simulator needs a value (shell, fieldsim[=PATH] or command='CMD ARGS')");
    EXPECT_EQ(learnAgentError({"tfswalk", "--simulator", "xterm"}),
              "unknown simulator 'xterm' (shell, fieldsim[=PATH] or command='CMD ARGS')");
    EXPECT_EQ(learnAgentError({"tfswalk", "--simulator", "command= "}),
              "--simulator command= needs the command that starts the simulator");
    EXPECT_EQ(learnAgentError({"tfswalk", "--simulator", "fieldsim="}),
              "--simulator fieldsim= needs a program path after '='");
    EXPECT_EQ(learnAgentError({"tfswalk", "--simulator", "command=sim", "--fieldsim-arg=-x"}),
              "--fieldsim-arg needs --simulator fieldsim");
    EXPECT_EQ(learnAgentError({"tfswalk", "--fieldsim-arg"}), "--fieldsim-arg needs a value");
    EXPECT_EQ(learnAgentError({"tfswalk", "-x"}), "unknown option '-x'");
    EXPECT_EQ(learnAgentError({"tfswalk", "bsw"}),
              "only one learner per run ('tfswalk' and 'bsw')");
}

TEST(WmtraceOptions, StandardInputByDefaultAndAnUnknownOptionBringsTheHelp) {
    WmtraceOptions o;
    std::string error;
    bool showHelp = false;
    Words w({"--side", "right", "--unum", "2", "--teamname", "Bees", "-"});
    ASSERT_EQ(parseWmtraceOptions(w.argc(), w.argv(), o, error, showHelp), WmtraceParse::Run);
    EXPECT_EQ(o.side, SIDE_RIGHT);
    EXPECT_EQ(o.unum, 2);
    EXPECT_EQ(o.teamName, "Bees");
    EXPECT_EQ(o.path, "-");

    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{"--side", "up"}, "--side needs left or right"},
        {{"--side"}, "--side needs left or right"},
        {{"--unum", "-1"}, "--unum needs a number from 0 to 99"},
        {{"--teamname"}, "--teamname needs a name"},
        {{"a", "b"}, "only one trace file at a time"},
        {{"--bogus"}, "unknown option --bogus"},
    };
    for (const auto& m : mistakes) {
        Words bad(m.first);
        WmtraceOptions ob;
        showHelp = false;
        EXPECT_EQ(parseWmtraceOptions(bad.argc(), bad.argv(), ob, error, showHelp),
                  WmtraceParse::Error);
        EXPECT_EQ(error, m.second);
        EXPECT_EQ(showHelp, m.second.rfind("unknown", 0) == 0) << m.second;
    }
}

TEST(LearnAgentOptions, PortsKickOffAndSkillValuesForWorkersSideBySide) {
    Words w({"turn", "--simulator", "fieldsim", "--link-port", "4107", "--server-port=3107",
             "--kickoff-after", "2.5", "--params", "tuned", "--design-params"});
    LearnAgentOptions o;
    std::string error;
    ASSERT_EQ(parseLearnAgentOptions(w.argc(), w.argv(), o, error), LearnAgentParse::Run) << error;
    EXPECT_EQ(o.linkPort, 4107u);
    EXPECT_EQ(o.serverPort, 3107u);
    EXPECT_DOUBLE_EQ(o.kickoffAfter, 2.5);
    EXPECT_LT(o.playOnAfter, 0.0);  // a kick-off instead of going straight to PlayOn
    EXPECT_EQ(o.paramsDir, "tuned");
    EXPECT_TRUE(o.designParams);

    Words d({"turn"});
    LearnAgentOptions od;
    ASSERT_EQ(parseLearnAgentOptions(d.argc(), d.argv(), od, error), LearnAgentParse::Run);
    EXPECT_EQ(od.linkPort, 4100u);
    EXPECT_EQ(od.serverPort, 3100u);
    EXPECT_DOUBLE_EQ(od.playOnAfter, 1.0);

    EXPECT_EQ(learnAgentError({"turn", "--link-port", "0"}),
              "--link-port must be a port from 1 to 65535");
    EXPECT_EQ(learnAgentError({"turn", "--server-port", "70000"}),
              "--server-port must be a port from 1 to 65535");
    EXPECT_EQ(learnAgentError({"turn", "--link-port", "3100"}),
              "--link-port and --server-port must differ");
    EXPECT_EQ(learnAgentError({"turn", "--kickoff-after", "1"}),
              "--kickoff-after needs --simulator fieldsim");
    EXPECT_EQ(learnAgentError({"turn", "--simulator", "fieldsim", "--kickoff-after", "x"}),
              "--kickoff-after must be seconds from -1 to 3600");
    EXPECT_EQ(learnAgentError({"turn", "--simulator", "fieldsim", "--kickoff-after", "1",
                               "--play-on-after", "1"}),
              "--kickoff-after and --play-on-after exclude each other");
    EXPECT_EQ(learnAgentError({"turn", "--play-on-after", "1"}),
              "--play-on-after needs --simulator fieldsim");
}

TEST(TunerOptions, WorkersHereOrElsewhere) {
    Words w({"p.params", "--workers", "2", "--learner", "turn", "--learnagent-arg",
             "--params=x", "--worker", "node-1:4101", "--worker=10.0.0.7:4100",
             "--episode-timeout", "90"});
    TunerOptions o;
    std::string error;
    ASSERT_EQ(parseTunerOptions(w.argc(), w.argv(), o, error), TunerParse::Run) << error;
    EXPECT_EQ(o.localWorkers, 2);
    EXPECT_EQ(o.learner, "turn");
    EXPECT_EQ(o.learnagentArgs, (std::vector<std::string>{"--params=x"}));
    EXPECT_EQ(o.workers, (std::vector<std::string>{"node-1:4101", "10.0.0.7:4100"}));
    EXPECT_DOUBLE_EQ(o.episodeTimeout, 90.0);

    EXPECT_EQ(tunerError({"p.params", "--workers", "2"}),
              "--workers starts learnagents and needs the learner they run (--learner NAME)");
    EXPECT_EQ(tunerError({"p.params", "--learner", "turn"}),
              "--learner, --learnagent and --learnagent-arg need --workers N");
    EXPECT_EQ(tunerError({"p.params", "--workers", "0", "--learner", "turn"}),
              "--workers must be a whole number from 1 to 64");
    EXPECT_EQ(tunerError({"p.params", "--worker", "node-1"}),
              "--worker must be HOST:PORT with a port from 1 to 65535");
    EXPECT_EQ(tunerError({"p.params", "--episode-timeout", "0"}),
              "--episode-timeout must be seconds above 0, at most 86400");
}
