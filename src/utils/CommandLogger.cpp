#include "utils/CommandLogger.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <utility>

#include "buildMode.h"

namespace {

const char* const kLogDirectory = "log";

std::string numberedSuffix(int count) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_%d.txt", count);
    return suffix;
}

}  // namespace

CommandLogger::CommandLogger(std::string path, bool replay)
    : confFile("log/logger.conf"), logFilePath(std::move(path)) {
    if constexpr (kCompetitionBuild) {
        return;
    }
    cmdCount = 0;
    readLogCount();
    if (replay) {
        openReplayLogFile();
        return;
    }
    // A first logging run in a fresh working directory should just work, so
    // the log directory is made when it is missing.
    if (::mkdir(kLogDirectory, 0755) != 0 && errno != EEXIST) {
        devErr("Could not create ", kLogDirectory, "/\n");
    }
    // The counter is bumped before use so that this run never overwrites the
    // previous run's log.
    const int next = (logCount < INT_MAX) ? logCount + 1 : 1;
    logCount = next;
    writeLogCount(next);
    openOutLogFile();
}

CommandLogger::~CommandLogger() {
    if (logFile.is_open()) {
        logFile.close();
    }
}

int CommandLogger::readLogCount() {
    if constexpr (kCompetitionBuild) {
        return 0;
    }
    logCount = 0;
    std::ifstream conf(confFile);
    if (!conf.is_open()) {
        devOut("creating ", confFile, "...\n");
        devOut("starting logs count from one...\n");
        return 0;
    }
    int count = 0;
    // A damaged counter starts the numbering afresh rather than producing a
    // negative or meaningless file number.
    if (conf >> count && count >= 0) {
        logCount = count;
    }
    conf.close();
    return logCount;
}

void CommandLogger::writeLogCount(int count) {
    if constexpr (kCompetitionBuild) {
        return;
    }
    std::ofstream conf(confFile, std::ios::out | std::ios::trunc);
    if (!conf.is_open()) {
        devErr("Could not open ", confFile, " to write!\n");
        // The counter did not advance, so the next run would reuse this
        // number; divert this run's log to a name of its own.
        logFilePath += "_back.txt";
        return;
    }
    conf << count << '\n';
    conf.close();
}

bool CommandLogger::openOutLogFile() {
    if constexpr (kCompetitionBuild) {
        return true;
    }
    if (logFilePath.empty()) {
        logFilePath = "log/cmdLog";
    }
    logFilePath += numberedSuffix(logCount);
    logFile.open(logFilePath, std::ios::out | std::ios::trunc);
    if (!logFile.is_open()) {
        devErr("Could not open ", logFilePath, "to log commands!\n");
        return false;
    }
    devOut("Loggin commands to ", logFilePath, ". \n");
    return true;
}

bool CommandLogger::openReplayLogFile() {
    if constexpr (kCompetitionBuild) {
        return true;
    }
    if (logFilePath.empty()) {
        logFilePath = "log/cmdLog" + numberedSuffix(logCount);
    }
    logFile.open(logFilePath, std::ios::in);
    if (!logFile.is_open()) {
        devErr("Could not open ", logFilePath, "to replay!\n");
        return false;
    }
    devOut("Reading commands from ", logFilePath, ". \n");
    return true;
}

void CommandLogger::log(const std::string& cmd) {
    if constexpr (kCompetitionBuild) {
        return;
    }
    ++cmdCount;
    if (!logFile.is_open()) {
        return;
    }
    logFile << cmdCount << " \t";
    for (char c : cmd) {
        logFile.put((c == '\n' || c == '\r') ? ' ' : c);
    }
    // Flushed per line: the runtime keeps the logger until the process ends
    // without destroying it, and a log cut short by a crash is still useful.
    logFile << '\n' << std::flush;
}

bool CommandLogger::readLine(const char*& rest) {
    if (replayOver || !logFile.is_open() || !logFile.good()) {
        replayOver = true;
        return false;
    }
    logFile.getline(lineBuffer, sizeof lineBuffer);
    const std::streamsize got = logFile.gcount();
    if (got == 0) {
        // Nothing at all was read: the end of the file.
        replayOver = true;
        return false;
    }
    if (logFile.fail() && !logFile.eof()) {
        // The line is longer than the buffer: keep its start, skip the rest.
        logFile.clear();
        logFile.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    lineBuffer[kMaxLineLength] = '\0';

    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(lineBuffer, &end, 10);
    if (end == lineBuffer || errno == ERANGE) {
        replayOver = true;
        return false;
    }
    cmdCount = number;
    rest = end;
    return true;
}

bool CommandLogger::getCmd(std::string& out) {
    out.clear();
    if constexpr (kCompetitionBuild) {
        return false;
    }
    const char* rest = nullptr;
    if (!readLine(rest)) {
        return false;
    }
    // Drop the separator written by log(): a space, then a tab.
    if (*rest == ' ') {
        ++rest;
    }
    if (*rest == '\t') {
        ++rest;
    }
    out.assign(rest);
    devOut("sending cmd ", cmdCount, "\n");
    return true;
}

char* CommandLogger::getCmd() {
    cmdBuffer[0] = '\0';
    if constexpr (kCompetitionBuild) {
        return cmdBuffer;
    }
    const char* rest = nullptr;
    if (!readLine(rest)) {
        return cmdBuffer;
    }
    std::snprintf(cmdBuffer, sizeof cmdBuffer, "%s", rest);
    devOut("sending cmd ", cmdCount, "\n");
    return cmdBuffer;
}
