// Tables of measured kick results, one per kind of kick: each row holds the
// point where the ball was (x, y, z) and the point where it came to rest
// (x, y, z). Kick planning asks which recorded start lies nearest to a point
// and where that kick took the ball.
//
// Table files are plain text in the working directory, one row per line,
// six numbers separated by white space; reading stops at the end of the file
// or at the first line shorter than 3 characters, and at most kRows rows are
// kept.
//
// The competition program carries no tables: there the class keeps only the
// singleton, the file name, an openFile that succeeds without opening
// anything and a parseFile that does nothing, and it reads no file at start.
#pragma once

#include <fstream>
#include <string>

#include "buildMode.h"
#include "geometry/Point.h"

class ParserT {
public:
    static constexpr int kRows = 130;
    static constexpr int kCols = 6;
    static constexpr int kLineSize = 1024;

    static ParserT* getUniqueInstance();

    ParserT(const ParserT&) = delete;
    ParserT& operator=(const ParserT&) = delete;

    // Any path; the kind of table it fills stays as it was.
    void setNameOfKick(const std::string& name);
    // Opens the file named by setNameOfKick; reports and returns false when it
    // cannot be opened.
    bool openFile();
    // Refills the table of the current kind from the open file, row 0 upward.
    void parseFile();

#if !COMPETITION_BUILD
    // Select the kind of table and its file.
    void setNameKick();     // 1: "kickResult.txt"
    void setNameDKL();      // 2: "DKLeftResult.txt"
    void setNameDKR();      // 3: "DKRightResult.txt"
    void setNameAirKick();  // 4: "AirKickResult.txt"

    // One cell; 0 for a row or column outside the table.
    double getTableKick(int row, int col) const;
    double getTableDKL(int row, int col) const;
    double getTableDKR(int row, int col) const;
    double getTableAirKick(int row, int col) const;

    // Index of the row whose first point lies nearest to p in the x-y plane
    // (the first of equally near rows), over all kRows rows of the table of
    // kind numK (1 kick, 2 DKL, 3 DKR, anything else air kick).
    int lookUp(Point p, int numK) const;
    // Second point of row retValue of the table of kind num (kinds as in
    // lookUp); (0, 0, 0) for a row outside the table.
    Point getSecPoint(int retValue, int num) const;
#endif

private:
    ParserT();

    std::string nameOfKick;

#if !COMPETITION_BUILD
    using Table = double[kRows][kCols];
    const Table& tableOf(int kind) const;
    Table& tableOf(int kind);
    static double cell(const Table& t, int row, int col);

    std::ifstream read;
    // The current line and the cursors into it.
    char ach[kLineSize];
    char* temp;
    char* str;
    double kick[kRows][kCols];
    double dKL[kRows][kCols];
    double dKR[kRows][kCols];
    double airKick[kRows][kCols];
    int numberKick;
#endif
};
