// Records every command text the agent sends, one numbered line per send, in
// "log/cmdLog_N.txt", and reads such a file back for a replay run. The number
// N comes from the counter file "log/logger.conf" and advances once per
// logging run, so each run gets a fresh file and a replay without a file name
// takes the most recent one.
//
// Line format: sequence number (from 1), a space, a tab, the command, '\n'.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

class CommandLogger {
public:
    // `logFilePath` is the path given with "--replay" (empty: the most recent
    // log); `replay` selects reading instead of writing.
    CommandLogger(std::string logFilePath, bool replay);
    ~CommandLogger();

    CommandLogger(const CommandLogger&) = delete;
    CommandLogger& operator=(const CommandLogger&) = delete;

    // Appends one line for a sent command. Line breaks inside the command are
    // written as spaces so that one command always stays one line.
    void log(const std::string& cmd);

    // Replay: reads the next line. Returns false at the end of the log or at a
    // line without a leading number, and from then on; otherwise `out` receives the command
    // exactly as it was logged (without number and separator), which may be
    // empty, and "sending cmd N" is printed.
    bool getCmd(std::string& out);

    // Replay, raw form: the rest of the next line behind its number, which
    // therefore begins with the space and tab separator, cut to 1023
    // characters; empty at the end of the log. The buffer is reused by every
    // call. An empty logged command reads back as the bare separator, so a
    // replay loop should use getCmd(std::string&) to tell it from the end.
    char* getCmd();

    int readLogCount();
    void writeLogCount(int count);
    bool openOutLogFile();
    bool openReplayLogFile();

    // Longest line (number, separator and command) read back whole; the rest
    // of a longer line is skipped.
    static constexpr std::size_t kMaxLineLength = 4127;
    static constexpr std::size_t kCmdBufferSize = 1024;

private:
    // Reads the next line and splits off its number. Returns false at the end
    // of the file or when the line has no number; `rest` then is undefined.
    bool readLine(const char*& rest);

    std::fstream logFile;
    std::string confFile;
    std::string logFilePath;
    int logCount = 0;
    long cmdCount = 0;
    // Set by the first read that finds no command; the replay stays over.
    bool replayOver = false;

    char lineBuffer[kMaxLineLength + 1] = {};
    char cmdBuffer[kCmdBufferSize] = {};
};
