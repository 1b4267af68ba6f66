// Records the server time and the 22 hinge-joint angles of the world model,
// one row per call to log(), and writes them when closed. Silent in the
// competition build.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

class WorldModel;

class Logger2 {
public:
    static Logger2* getUniqueInstance();

    void setLogPath(const std::string& path);
    // Opens the path for writing (truncating it); missing directories on the
    // way are created.
    void openLogFile();
    // Appends one row: the time, then the joint angles in slot order, each
    // followed by a space and a tab.
    void log();
    // Writes the collected rows and a line end, then closes; without effect
    // when the file is not open.
    void saveNCloseLog();

private:
    Logger2();
    Logger2(const Logger2&) = delete;
    Logger2& operator=(const Logger2&) = delete;

    std::ofstream logFile;
    std::string filePath;
    std::ostringstream s1;  // every finished row
    std::ostringstream s2;  // the row being composed
    WorldModel* WM;
};
