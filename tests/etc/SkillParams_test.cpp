#include "etc/SkillParams.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace {

const std::vector<SkillParams::Param> kWalk = {{"kneeAmplitude", -20.9241}, {"halfPeriod", 0.2}, {"timeR", 1.38886}};

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::trunc) << text; }

// Runs `what` and returns what it wrote on standard error.
template <typename F>
std::string reported(F what) {
    ::testing::internal::CaptureStderr();
    what();
    return ::testing::internal::GetCapturedStderr();
}

}  // namespace

// The tuner's parameter-file form is read as it is written: name, value,
// then the tuner's step and bounds, which the players ignore.
TEST(SkillParamsFile, ReadsTheTunersFormAndNamesTheLinesItCannotRead) {
    std::vector<std::string> problems;
    const auto v = SkillParams::parse(
        "# name  start step min max\n"
        "\n"
        "   kneeAmplitude   -18.5   2.0  -60 0\n"
        "halfPeriod\t0.25\r\n"
        "timeR nan\n"
        "cK 1e999\n"
        "aH twelve\n"
        "lonely\n"
        "a(b) 3\n"
        "halfPeriod 0.3 # the later one counts\n",
        problems);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_DOUBLE_EQ(v.at("kneeAmplitude"), -18.5);
    EXPECT_DOUBLE_EQ(v.at("halfPeriod"), 0.3);
    ASSERT_EQ(problems.size(), 6u);
    EXPECT_EQ(problems[0], "line 5: timeR has no finite number after it");
    EXPECT_EQ(problems[1], "line 6: cK has no finite number after it");
    EXPECT_EQ(problems[2], "line 7: aH has no finite number after it");
    EXPECT_EQ(problems[3], "line 8: lonely has no finite number after it");
    EXPECT_EQ(problems[4], "line 9: 'a(b)' is not a parameter name");
    EXPECT_EQ(problems[5], "line 10: halfPeriod is given twice; the later value is used");
}

// A skill takes the file's values where the file has them and keeps its
// design values for the rest; a name it does not know is reported once,
// since a misspelt name would otherwise be ignored without a word.
TEST(SkillParamsFolder, FileValuesOverrideDesignValuesAndUnknownNamesAreReportedOnce) {
    TempDir dir;
    write(dir.file("walk.params"), "kneeAmplitude -18\nkneeAmplitdue -30\n");
    write(dir.file("notes.txt"), "kneeAmplitude 99\n");
    SkillParams* p = SkillParams::getUniqueInstance();
    ASSERT_TRUE(p->loadDirectory(dir.path()));
    EXPECT_EQ(p->source(), dir.path());

    std::vector<double> walk;
    const std::string first = reported([&] { walk = p->values("walk", kWalk); });
    EXPECT_EQ(walk, (std::vector<double>{-18.0, 0.2, 1.38886}));
    EXPECT_NE(first.find("the walk skill has no value named kneeAmplitdue"), std::string::npos) << first;
    EXPECT_EQ(reported([&] { p->values("walk", kWalk); }), "") << "reported once";

    EXPECT_DOUBLE_EQ(p->value("turn", "period", 0.6), 0.6) << "a skill without a file keeps its values";
    EXPECT_DOUBLE_EQ(p->value("walk", "halfPeriod", 0.2), 0.2);
    p->set("turn", "period", 0.5);
    EXPECT_DOUBLE_EQ(p->value("turn", "period", 0.6), 0.5);
    p->clear();
    EXPECT_TRUE(p->usingDesignValues());
    EXPECT_EQ(p->values("walk", kWalk), (std::vector<double>{-20.9241, 0.2, 1.38886}));
}

// Without a folder on the command line the team's own "params" folder in the
// working directory wins over the one shipped beside the program; asking
// for the design values ignores both; a folder that cannot be read is said
// and leaves the design values.
TEST(SkillParamsFolder, ChoosesTheWorkingFolderThenTheProgramsAndFallsBackToDesignValues) {
    TempDir work, program;
    ASSERT_EQ(::mkdir(program.file("params").c_str(), 0755), 0);
    write(program.file("params/walk.params"), "halfPeriod 0.22\n");
    ASSERT_EQ(::chdir(work.path().c_str()), 0);
    SkillParams* p = SkillParams::getUniqueInstance();

    p->configure(false, "", program.path());
    EXPECT_DOUBLE_EQ(p->value("walk", "halfPeriod", 0.2), 0.22) << "shipped beside the program";

    ASSERT_EQ(::mkdir("params", 0755), 0);
    write("params/walk.params", "halfPeriod 0.24\n");
    p->configure(false, "", program.path());
    EXPECT_DOUBLE_EQ(p->value("walk", "halfPeriod", 0.2), 0.24) << "the team's own folder first";
    EXPECT_EQ(p->source(), "params");

    p->configure(true, "", program.path());
    EXPECT_DOUBLE_EQ(p->value("walk", "halfPeriod", 0.2), 0.2);
    EXPECT_EQ(p->source(), "design values");

    const std::string said = reported([&] { p->configure(false, work.file("nowhere"), program.path()); });
    EXPECT_NE(said.find("cannot read the folder"), std::string::npos) << said;
    EXPECT_TRUE(p->usingDesignValues());
}

// A file that is not a parameter file at all (far too large) is refused
// unread instead of being scanned line by line; its skill keeps its values.
TEST(SkillParamsFolder, RefusesAFileFarTooLarge) {
    TempDir dir;
    write(dir.file("walk.params"), std::string(SkillParams::kMaxFileBytes + 10, '#'));
    write(dir.file("turn.params"), "period 0.5\n");
    SkillParams* p = SkillParams::getUniqueInstance();
    const std::string said = reported([&] { ASSERT_TRUE(p->loadDirectory(dir.path())); });
    EXPECT_NE(said.find("is larger than"), std::string::npos) << said;
    EXPECT_DOUBLE_EQ(p->value("walk", "halfPeriod", 0.2), 0.2);
    EXPECT_DOUBLE_EQ(p->value("turn", "period", 0.6), 0.5);
}
