#include "utils/Logger.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "buildMode.h"

Logger::~Logger() { saveNCloseLog(); }

Logger* Logger::getUniqueInstance() {
    static Logger instance;
    return &instance;
}

void Logger::setLogPath(const std::string& path) {
    if constexpr (kCompetitionBuild) {
        return;
    }
    filePath = path;
}

void Logger::openTrace(std::ofstream& file, const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(parent, ignored);
    }
    if (file.is_open()) {
        file.close();
    }
    file.open(path, std::ios::out | std::ios::trunc);
    if (!file.is_open()) {
        std::cerr << "Could not open logFile: " << path << std::endl;
    }
}

void Logger::openLogFile() {
    if constexpr (kCompetitionBuild) {
        return;
    }
    openTrace(logFile, filePath);
}

void Logger::log(Point p) {
    if constexpr (kCompetitionBuild) {
        return;
    }
    s1 << p.getX() << " \t";
    s2 << p.getY() << " \t";
    s3 << p.getZ() << " \t";
    ++dataCount;
}

void Logger::saveNCloseLog() {
    if constexpr (kCompetitionBuild) {
        return;
    }
    if (!logFile.is_open()) {
        return;
    }
    logFile << dataCount << '\n';
    logFile << '[' << s1.str() << "];\n";
    logFile << '[' << s2.str() << "];\n";
    logFile << '[' << s3.str() << "];\n\n";
    logFile.close();
}
