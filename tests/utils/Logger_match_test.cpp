#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "geometry/Point.h"
#include "utils/Logger.h"
#include "utils/Logger2.h"

namespace {

class LoggerMatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pitchbot_logger_match_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(::chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        (void)::chdir("/");
        std::filesystem::remove_all(dir);
    }
    std::string dir;
};

TEST_F(LoggerMatchTest, TracesAreNeitherOpenedNorWritten) {
    ::testing::internal::CaptureStderr();
    {
        Logger logger;
        logger.setLogPath("log/ballPos.log");
        logger.openLogFile();
        logger.log(Point(1, 2, 3));
        logger.saveNCloseLog();

        Logger2* joints = Logger2::getUniqueInstance();
        joints->setLogPath("log/joints.log");
        joints->openLogFile();
        joints->log();
        joints->saveNCloseLog();
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(std::filesystem::exists("log"));
}

}  // namespace
