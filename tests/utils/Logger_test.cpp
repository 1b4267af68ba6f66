#include "utils/Logger.h"

#include <string>

#include "InTempDir.h"
#include "geometry/Point.h"

using LoggerTest = InTempDir;

TEST_F(LoggerTest, PointsAreWrittenOnceAsCountAndThreeRows) {
    {
        Logger logger;
        logger.setLogPath("log/turnAnalize/rle3.log");  // folders are made on demand
        logger.openLogFile();
        logger.log(Point(1, 2, 3));
        logger.log(Point(0.5, -1e-7, 1234567));
        logger.saveNCloseLog();  // and again at destruction: written once
    }
    EXPECT_EQ(readWholeFile("log/turnAnalize/rle3.log"),
              "2\n[1 \t0.5 \t];\n[2 \t-1e-07 \t];\n[3 \t1.23457e+06 \t];\n\n");
}
