// Runs each case in its own empty working directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/ChildProcess.h"

class InTempDir : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::chdir(dir.path().c_str()), 0); }
    void TearDown() override { (void)::chdir("/"); }
    TempDir dir;
};
