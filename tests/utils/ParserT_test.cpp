#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "utils/ParserT.h"

#include "InTempDir.h"

namespace {

void writeFile(const TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name)) << text;
}

// The tables are read from the working directory when the singleton is made.
using KickTables = InTempDir;

void expectRow(double (ParserT::*get)(int, int) const, int row, const double (&v)[6]) {
    ParserT* pt = ParserT::getUniqueInstance();
    for (int c = 0; c < 6; ++c) {
        EXPECT_DOUBLE_EQ((pt->*get)(row, c), v[c]) << "row " << row << " col " << c;
    }
}

}  // namespace

TEST_F(KickTables, MissingFilesAreReportedInOrderAndLeaveEmptyTables) {
    testing::internal::CaptureStderr();
    ParserT* pt = ParserT::getUniqueInstance();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "====== COULDEN'T OPEN FILE  < kickResult.txt >  !!! =====\n"
              "====== COULDEN'T OPEN FILE  < DKLeftResult.txt >  !!! =====\n"
              "====== COULDEN'T OPEN FILE  < DKRightResult.txt >  !!! =====\n"
              "====== COULDEN'T OPEN FILE  < AirKickResult.txt >  !!! =====\n");
    EXPECT_EQ(pt->lookUp(Point(-1e9, 1e9, 0.0), 1), 0);
    EXPECT_DOUBLE_EQ(pt->getTableKick(129, 5), 0.0);
}

TEST_F(KickTables, EachFileFillsItsOwnTableFromItsOwnBeginning) {
    // The kick file stops at its empty line; the rows after it are ignored
    // and must not leak into the next table.
    writeFile(dir, "kickResult.txt",
              "1 2 3 4 5 6\n"
              "-1.5 0.25 0 2 2.5 0\n"
              "7 8 9 10 11 12\n"
              "\n"
              "99 99 99 99 99 99\n");
    writeFile(dir, "DKLeftResult.txt", "0.5 0.5 0 1 1 0\n0.75 -0.5 0 2 -1 0");
    writeFile(dir, "DKRightResult.txt", "\t-2  -3\t0   -4 -5 0\r\n");
    writeFile(dir, "AirKickResult.txt", "3 3 0.1 6 6 0.2\n");
    testing::internal::CaptureStderr();
    ParserT* pt = ParserT::getUniqueInstance();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    expectRow(&ParserT::getTableKick, 1, {-1.5, 0.25, 0, 2, 2.5, 0});
    expectRow(&ParserT::getTableKick, 3, {0, 0, 0, 0, 0, 0});
    expectRow(&ParserT::getTableDKL, 1, {0.75, -0.5, 0, 2, -1, 0});
    expectRow(&ParserT::getTableDKR, 0, {-2, -3, 0, -4, -5, 0});
    expectRow(&ParserT::getTableAirKick, 0, {3, 3, 0.1, 6, 6, 0.2});
    EXPECT_DOUBLE_EQ(pt->getTableKick(-1, 0), 0.0) << "outside a table: 0";
}

TEST_F(KickTables, LookUpTakesTheNearestStartInThePlaneFirstAmongEquals) {
    writeFile(dir, "kickResult.txt",
              "5 5 0 1 1 1\n"
              "2 0 0 2 2 2\n"
              "2 0 9 3 3 3\n"     // same x-y as row 1, far in z: a tie
              "-2 0 0 4 4 4\n"
              "0 2 0 5 5 5\n");
    writeFile(dir, "AirKickResult.txt", "4 4 0 7 7 7\n");
    ParserT* pt = ParserT::getUniqueInstance();
    EXPECT_EQ(pt->lookUp(Point(1.9, 0.1, 9.0), 1), 1);   // z ignored; first of the tie
    EXPECT_EQ(pt->lookUp(Point(-1.0, 0.0, 0.0), 1), 3);  // equal to row 3, not the zeros
    // Rows no line filled are zeros and take part: the origin is row 5.
    EXPECT_EQ(pt->lookUp(Point(0.1, 0.1, 0.0), 1), 5);
    // Any kind other than 1, 2 and 3 is the air-kick table.
    EXPECT_EQ(pt->lookUp(Point(0.0, 0.0, 0.0), 17), 1);
    EXPECT_EQ(pt->lookUp(Point(4.0, 4.0, 0.0), 2), 0);  // empty left table

    EXPECT_EQ(pt->getSecPoint(1, 1), Point(2, 2, 2));
    EXPECT_EQ(pt->getSecPoint(0, -1), Point(7, 7, 7));
    // A row number outside the table gives the origin instead of a stray read.
    EXPECT_EQ(pt->getSecPoint(130, 1), Point(0, 0, 0));
}

TEST_F(KickTables, RowsBeyondTheLastAreNotStored) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += std::to_string(i) + " 0 0 " + std::to_string(i) + " 1 0\n";
    writeFile(dir, "kickResult.txt", text);
    writeFile(dir, "DKLeftResult.txt", "1 1 1 1 1 1\n");
    ParserT* pt = ParserT::getUniqueInstance();
    EXPECT_DOUBLE_EQ(pt->getTableKick(129, 3), 129.0);
    EXPECT_EQ(pt->lookUp(Point(500.0, 0.0, 0.0), 1), 129);
    // The neighbouring table is intact.
    EXPECT_DOUBLE_EQ(pt->getTableDKL(1, 0), 0.0);
}

TEST_F(KickTables, AwkwardLinesAreReadSafely) {
    writeFile(dir, "kickResult.txt",
              "1 2 3\n"                                   // short row: the rest is 0
              + std::string(2000, ' ') + "4 4 4 4 4 4\n"   // numbers beyond the line buffer
              + "1" + std::string(400, '9') + " 1 1 1 1 1\n"  // overflows: skipped
              + "(5, 6, 7) [8; 9; 10]\n"                  // separators are skipped
              + "12\n"                                    // under 3 characters: the end
              + "13 13 13 13 13 13\n");
    testing::internal::CaptureStderr();
    ParserT::getUniqueInstance();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Kick table kickResult.txt: line 3 skipped"), std::string::npos) << err;
    expectRow(&ParserT::getTableKick, 0, {1, 2, 3, 0, 0, 0});
    expectRow(&ParserT::getTableKick, 2, {5, 6, 7, 8, 9, 10});
    expectRow(&ParserT::getTableKick, 3, {0, 0, 0, 0, 0, 0});
}
