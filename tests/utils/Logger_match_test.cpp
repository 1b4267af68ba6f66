#include <filesystem>

#include "InTempDir.h"
#include "geometry/Point.h"
#include "utils/Logger.h"
#include "utils/Logger2.h"

namespace {

using LoggerMatch = InTempDir;

TEST_F(LoggerMatch, TracesAreNeitherOpenedNorWritten) {
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
