#include "utils/ParserT.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "InTempDir.h"

namespace {

// The tables are read from the working directory when the singleton is made.
class KickTables : public InTempDir {
protected:
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir.file(name)) << text;
    }
};

}  // namespace

TEST_F(KickTables, EachFileFillsItsOwnTableAndAwkwardLinesAreReadSafely) {
    // The kick file stops at its first line under 3 characters; nothing after
    // it may leak into the next table.
    write("kickResult.txt", "1 2 3\n"                                     // the rest is 0
                            + std::string(2000, ' ') + "4 4 4 4 4 4\n"       // beyond the line buffer
                            + "1" + std::string(400, '9') + " 1 1 1 1 1\n"  // overflows: skipped
                            + "(5, 6, 7) [8; 9; 10]\n"                      // separators skipped
                            + "\n99 99 99 99 99 99\n");
    write("DKLeftResult.txt", "0.5 0.5 0 1 1 0\n0.75 -0.5 0 2 -1 0");
    write("DKRightResult.txt", "\t-2  -3\t0   -4 -5 0\r\n");
    testing::internal::CaptureStderr();
    ParserT* pt = ParserT::getUniqueInstance();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Kick table kickResult.txt: line 3 skipped"), std::string::npos) << err;
    EXPECT_NE(err.find("COULDEN'T OPEN FILE  < AirKickResult.txt >"), std::string::npos) << err;
    EXPECT_DOUBLE_EQ(pt->getTableKick(0, 2), 3.0);
    EXPECT_DOUBLE_EQ(pt->getTableKick(0, 3), 0.0) << "a short row: the rest is 0";
    EXPECT_DOUBLE_EQ(pt->getTableKick(2, 5), 10.0) << "separators are skipped";
    EXPECT_DOUBLE_EQ(pt->getTableKick(3, 0), 0.0);
    EXPECT_DOUBLE_EQ(pt->getTableDKL(1, 1), -0.5);
    EXPECT_DOUBLE_EQ(pt->getTableDKR(0, 3), -4.0);
    EXPECT_DOUBLE_EQ(pt->getTableKick(-1, 0), 0.0) << "outside a table: 0";
}

TEST_F(KickTables, LookUpTakesTheNearestStartInThePlaneFirstAmongEquals) {
    write("kickResult.txt", "5 5 0 1 1 1\n2 0 0 2 2 2\n2 0 9 3 3 3\n-2 0 0 4 4 4\n0 2 0 5 5 5\n");
    write("AirKickResult.txt", "4 4 0 7 7 7\n");
    ParserT* pt = ParserT::getUniqueInstance();
    EXPECT_EQ(pt->lookUp(Point(1.9, 0.1, 9.0), 1), 1);   // z ignored; first of the tie
    EXPECT_EQ(pt->lookUp(Point(0.1, 0.1, 0.0), 1), 5);   // unfilled rows are zeros and count
    EXPECT_EQ(pt->lookUp(Point(0.0, 0.0, 0.0), 17), 1);  // any other kind: the air-kick table
    EXPECT_EQ(pt->getSecPoint(1, 1), Point(2, 2, 2));
    EXPECT_EQ(pt->getSecPoint(0, -1), Point(7, 7, 7));
    EXPECT_EQ(pt->getSecPoint(130, 1), Point(0, 0, 0)) << "a row outside the table";
}

TEST_F(KickTables, RowsBeyondTheLastAreNotStored) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += std::to_string(i) + " 0 0 " + std::to_string(i) + " 1 0\n";
    write("kickResult.txt", text);
    write("DKLeftResult.txt", "1 1 1 1 1 1\n");
    ParserT* pt = ParserT::getUniqueInstance();
    EXPECT_EQ(pt->lookUp(Point(500.0, 0.0, 0.0), 1), 129);
    EXPECT_DOUBLE_EQ(pt->getTableDKL(1, 0), 0.0) << "the neighbouring table is intact";
}
