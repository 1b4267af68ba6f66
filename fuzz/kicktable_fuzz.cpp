// Kick tables are files in the working directory, measured or typed. Any
// content must fill at most one row per line of the file, leave only finite
// numbers in the table, and keep the look-up of the nearest kick inside it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>

#include "FuzzScratch.h"
#include "geometry/Point.h"
#include "utils/ParserT.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const fuzzscratch::ScratchDir& scratch() {
    static const fuzzscratch::ScratchDir dir("kicktable_fuzz");
    return dir;
}

ParserT* setUp() {
    static fuzzscratch::NullBuffer nothing;
    std::cerr.rdbuf(&nothing);  // the missing default tables, skipped lines
    // The tables look for their default files at start: there are none here.
    const fuzzscratch::InScratch here(scratch());
    return ParserT::getUniqueInstance();
}

double cellOf(const ParserT& t, int kind, int row, int col) {
    switch (kind) {
        case 1:
            return t.getTableKick(row, col);
        case 2:
            return t.getTableDKL(row, col);
        case 3:
            return t.getTableDKR(row, col);
        default:
            return t.getTableAirKick(row, col);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ParserT* const tables = setUp();
    const fuzzscratch::InScratch here(scratch());
    fuzzscratch::writeFile("table.txt", data, size);
    int lines = 1;
    for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n';

    // The length picks which of the four tables is filled.
    const int kind = 1 + static_cast<int>(size % 4);
    switch (kind) {
        case 1:
            tables->setNameKick();
            break;
        case 2:
            tables->setNameDKL();
            break;
        case 3:
            tables->setNameDKR();
            break;
        default:
            tables->setNameAirKick();
            break;
    }
    tables->setNameOfKick("table.txt");
    if (!tables->openFile()) std::abort();
    tables->parseFile();

    bool anyNonZero = false;
    for (int row = 0; row < ParserT::kRows; ++row) {
        for (int col = 0; col < ParserT::kCols; ++col) {
            const double v = cellOf(*tables, kind, row, col);
            check(std::isfinite(v));
            if (row >= lines) check(v == 0.0);
            anyNonZero = anyNonZero || v != 0.0;
        }
    }
    check(size > 0 || !anyNonZero);
    const Point probes[] = {Point(0, 0, 0), Point(3.5, -1.0, 0.0), Point(-1e300, 1e300, 0.0)};
    for (const Point& p : probes) {
        const int row = tables->lookUp(p, kind);
        check(row >= 0 && row < ParserT::kRows);
        const Point to = tables->getSecPoint(row, kind);
        check(std::isfinite(to.getX()) && std::isfinite(to.getY()) && std::isfinite(to.getZ()));
    }
    return 0;
}
