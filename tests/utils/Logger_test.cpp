#include "utils/Logger.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "geometry/Point.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "utils/Logger2.h"
#include "worldModel/WorldModel.h"

namespace {

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pitchbot_logger_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(::chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        (void)::chdir("/");
        std::filesystem::remove_all(dir);
    }

    static std::string readFile(const std::string& path) {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    std::string dir;
};

TEST_F(LoggerTest, PointsAreWrittenOnceAsCountAndThreeRows) {
    const std::string expected = "2\n[1 \t0.5 \t];\n[2 \t-1e-07 \t];\n[3 \t1.23457e+06 \t];\n\n";
    {
        Logger logger;
        logger.setLogPath("log/turnAnalize/rle3.log");  // folders are made on demand
        logger.openLogFile();
        logger.log(Point(1, 2, 3));
        logger.log(Point(0.5, -1e-7, 1234567));
        EXPECT_EQ(readFile("log/turnAnalize/rle3.log"), "");  // kept in memory until closed
        logger.saveNCloseLog();
        EXPECT_EQ(readFile("log/turnAnalize/rle3.log"), expected);
        logger.saveNCloseLog();
    }
    EXPECT_EQ(readFile("log/turnAnalize/rle3.log"), expected);  // destruction adds nothing

    {
        Logger logger;  // closed by its destruction
        logger.setLogPath("none.log");
        logger.openLogFile();
    }
    EXPECT_EQ(readFile("none.log"), "0\n[];\n[];\n[];\n\n");
}

TEST_F(LoggerTest, UnopenableFileIsReportedOnceAndWritesNothing) {
    std::ofstream("blocker") << "a file, not a folder";
    ::testing::internal::CaptureStderr();
    {
        Logger logger;
        logger.setLogPath("blocker/trace.log");
        logger.openLogFile();
        logger.log(Point(1, 2, 3));
        logger.saveNCloseLog();
        Logger unopened;
        unopened.log(Point(1, 2, 3));
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not open logFile: blocker/trace.log\n");
    EXPECT_EQ(readFile("blocker"), "a file, not a folder");
}

TEST_F(LoggerTest, JointLoggerWritesTimeAndAnglesPerRow) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    std::ostringstream angles;
    for (int i = 0; i < DOF_COUNT; ++i) {
        HingeJoint joint;
        joint.setAxis(static_cast<float>(i) * 0.5f - 3.0f);
        wm->setAHingeJoint(joint, i);
        angles << static_cast<float>(i) * 0.5f - 3.0f << " \t";
    }
    Logger2* logger = Logger2::getUniqueInstance();
    logger->setLogPath("log/joints.log");
    logger->openLogFile();
    wm->setTime(1.5);
    logger->log();
    wm->setTime(1.52);
    logger->log();
    EXPECT_EQ(readFile("log/joints.log"), "");
    logger->saveNCloseLog();
    logger->saveNCloseLog();
    EXPECT_EQ(readFile("log/joints.log"),
              "1.5 \t" + angles.str() + "\n1.52 \t" + angles.str() + "\n\n");
}

}  // namespace
