#include "utils/ParserT.h"

#include <cmath>
#include <cstring>
#include <iostream>

#include "utils/Parser.h"

ParserT* ParserT::getUniqueInstance() {
    static ParserT instance;
    return &instance;
}

void ParserT::setNameOfKick(const std::string& name) { nameOfKick = name; }

#if COMPETITION_BUILD

// Competition: no tables, nothing is read.
ParserT::ParserT() = default;

bool ParserT::openFile() { return true; }

void ParserT::parseFile() {}

#else

ParserT::ParserT()
    : ach{}, temp(ach), str(ach), kick{}, dKL{}, dKR{}, airKick{}, numberKick(1) {
    void (ParserT::*const kinds[])() = {&ParserT::setNameKick, &ParserT::setNameDKL,
                                       &ParserT::setNameDKR, &ParserT::setNameAirKick};
    for (auto setName : kinds) {
        (this->*setName)();
        if (openFile()) {
            parseFile();
        }
        read.close();
    }
}

bool ParserT::openFile() {
    // Each file is read from its own beginning, whatever state the previous
    // one left the stream in.
    read.close();
    read.clear();
    read.open(nameOfKick.c_str());
    if (!read.is_open()) {
        std::cerr << "====== COULDEN'T OPEN FILE  < " << nameOfKick << " >  !!! ====="
                  << std::endl;
        return false;
    }
    return true;
}

void ParserT::parseFile() {
    // A re-read must not leave rows of an earlier, longer file behind.
    Table& t = tableOf(numberKick);
    std::memset(t, 0, sizeof(Table));
    if (!read.is_open()) {
        return;
    }
    int row = 0;
    int lineNo = 0;
    std::string line;
    while (row < kRows && std::getline(read, line)) {
        ++lineNo;
        // A line longer than the buffer is cut; its numbers past the cut
        // are lost, the next line starts fresh.
        const std::size_t n =
            line.size() < static_cast<std::size_t>(kLineSize - 1) ? line.size() : kLineSize - 1;
        std::memcpy(ach, line.data(), n);
        ach[n] = '\0';
        if (std::strlen(ach) < 3) {
            break;
        }
        str = ach;
        double v[kCols];
        bool finite = true;
        for (double& x : v) {
            Parser::gotoFirstNonSpace(&str);
            x = Parser::parseFirstDouble(&str);
            finite = finite && std::isfinite(x);
        }
        temp = str;
        if (!finite) {
            // An overflowing number would poison every distance of the look-up.
            std::cerr << "Kick table " << nameOfKick << ": line " << lineNo
                      << " skipped, a number is out of range" << std::endl;
            continue;
        }
        for (int c = 0; c < kCols; ++c) {
            t[row][c] = v[c];
        }
        ++row;
    }
}

void ParserT::setNameKick() {
    nameOfKick = "kickResult.txt";
    numberKick = 1;
}

void ParserT::setNameDKL() {
    nameOfKick = "DKLeftResult.txt";
    numberKick = 2;
}

void ParserT::setNameDKR() {
    nameOfKick = "DKRightResult.txt";
    numberKick = 3;
}

void ParserT::setNameAirKick() {
    nameOfKick = "AirKickResult.txt";
    numberKick = 4;
}

const ParserT::Table& ParserT::tableOf(int kind) const {
    switch (kind) {
    case 1:
        return kick;
    case 2:
        return dKL;
    case 3:
        return dKR;
    default:
        return airKick;
    }
}

ParserT::Table& ParserT::tableOf(int kind) {
    return const_cast<Table&>(static_cast<const ParserT*>(this)->tableOf(kind));
}

double ParserT::cell(const Table& t, int row, int col) {
    if (row < 0 || row >= kRows || col < 0 || col >= kCols) {
        return 0.0;
    }
    return t[row][col];
}

double ParserT::getTableKick(int row, int col) const { return cell(kick, row, col); }

double ParserT::getTableDKL(int row, int col) const { return cell(dKL, row, col); }

double ParserT::getTableDKR(int row, int col) const { return cell(dKR, row, col); }

double ParserT::getTableAirKick(int row, int col) const { return cell(airKick, row, col); }

int ParserT::lookUp(Point p, int numK) const {
    const Table& t = tableOf(numK);
    int best = 0;
    double bestDist = p.getDistanceTo2(Point(t[0][0], t[0][1], t[0][2]));
    for (int i = 1; i < kRows; ++i) {
        const double d = p.getDistanceTo2(Point(t[i][0], t[i][1], t[i][2]));
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

Point ParserT::getSecPoint(int retValue, int num) const {
    if (retValue < 0 || retValue >= kRows) {
        return Point(0.0, 0.0, 0.0);
    }
    const Table& t = tableOf(num);
    return Point(t[retValue][3], t[retValue][4], t[retValue][5]);
}

#endif
