// Collects a series of points in memory and writes them, when closed, as a
// count followed by three bracketed rows (x, y and z values) that a numerical
// tool reads as vectors. Silent in the competition build.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "geometry/Point.h"

class Logger {
public:
    Logger() = default;
    ~Logger();

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    static Logger* getUniqueInstance();
    // Opens (or reopens) a trace file for writing, making its folders first
    // so that a fresh working directory still gets its traces; says so on
    // standard error when it cannot. Shared by both recorders.
    static void openTrace(std::ofstream& file, const std::string& path);

    void setLogPath(const std::string& path);
    // Opens the path for writing (truncating it); missing directories on the
    // way are created.
    void openLogFile();
    void log(Point p);
    // Writes the collected points and closes the file; without effect when
    // the file is not open (never opened, or already written).
    void saveNCloseLog();

private:
    std::ofstream logFile;
    std::string filePath;
    std::ostringstream s1;
    std::ostringstream s2;
    std::ostringstream s3;
    unsigned int dataCount = 0;
};
