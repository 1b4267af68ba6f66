// The tuner's parameter file is also a skill's values file: comments where
// that file has them, and a clear word when a line lacks the tuner's step.
#include "ParameterFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

TEST(ParameterFile, ASkillsValuesFileWithCommentsIsTheTunersInputAndTheBestFileReadsBack) {
    TempDir dir;
    std::ofstream(dir.file("turn.params")) << "# turn, tuned 2026-12-01 (seed 4)\n"
                                              "period   0.596956  0.05 0.2 1.2  # seconds\n"
                                              "\n"
                                              "   # indented comment\n"
                                              "swing    12        2\n";
    std::vector<Parameter> p;
    std::string error;
    ASSERT_TRUE(ParameterFile::read(dir.file("turn.params"), p, error)) << error;
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].name, "period");
    EXPECT_TRUE(p[0].bounded);
    EXPECT_DOUBLE_EQ(p[0].max, 1.2);
    EXPECT_FALSE(p[1].bounded);

    ASSERT_TRUE(ParameterFile::write(dir.file("best.params"), p, {0.61, 13.5}, "best: fitness -3"));
    std::vector<Parameter> again;
    ASSERT_TRUE(ParameterFile::read(dir.file("best.params"), again, error)) << error;
    ASSERT_EQ(again.size(), 2u);
    EXPECT_DOUBLE_EQ(again[0].start, 0.61);
    EXPECT_DOUBLE_EQ(again[0].step, 0.05);
    EXPECT_DOUBLE_EQ(again[1].start, 13.5);
}

TEST(ParameterFile, AValueWithoutStepIsNamed) {
    TempDir dir;
    std::ofstream(dir.file("walk.params")) << "kneeAmplitude -20.9 2\nhalfPeriod 0.2\n";
    std::vector<Parameter> p;
    std::string error;
    EXPECT_FALSE(ParameterFile::read(dir.file("walk.params"), p, error));
    EXPECT_EQ(error,
              "line 2: halfPeriod has a value but no STEP: the tuner needs NAME START STEP "
              "[MIN MAX] (the players read only NAME VALUE)");
}
