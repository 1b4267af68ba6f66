#include "utils/Logger.h"

#include <fstream>
#include <string>

#include "InTempDir.h"
#include "geometry/Point.h"

namespace {

using LoggerTest = InTempDir;

TEST_F(LoggerTest, PointsAreWrittenOnceAsCountAndThreeRows) {
    const std::string expected = "2\n[1 \t0.5 \t];\n[2 \t-1e-07 \t];\n[3 \t1.23457e+06 \t];\n\n";
    {
        Logger logger;
        logger.setLogPath("log/turnAnalize/rle3.log");  // folders are made on demand
        logger.openLogFile();
        logger.log(Point(1, 2, 3));
        logger.log(Point(0.5, -1e-7, 1234567));
        EXPECT_EQ(readWholeFile("log/turnAnalize/rle3.log"), "");  // in memory until closed
        logger.saveNCloseLog();
        logger.saveNCloseLog();
    }
    EXPECT_EQ(readWholeFile("log/turnAnalize/rle3.log"), expected);  // destruction adds nothing

    std::ofstream("blocker") << "a file, not a folder";
    ::testing::internal::CaptureStderr();
    {
        Logger logger;
        logger.setLogPath("blocker/trace.log");
        logger.openLogFile();
        logger.log(Point(1, 2, 3));
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open logFile: blocker/trace.log\n");
}

}  // namespace
