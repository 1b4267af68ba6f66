// One program a match runs (fieldsim or a player), started in its own
// working folder with its output in files there. It dies with the process
// that started it, so that nothing of a match outlives the league.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class ChildProgram {
public:
    ChildProgram() = default;
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Starts `program` with `args` in `workDir`, standard output to `outFile`
    // and standard error to `errFile` (paths relative to `workDir`), standard
    // input from /dev/null. False (and why) when it could not be started;
    // a program that cannot be run exits at once with status 127 and says
    // why on its standard error.
    bool start(const std::string& program, const std::vector<std::string>& args,
               const std::string& workDir, const std::string& outFile, const std::string& errFile,
               std::string& error);
    // True once it has ended (its status is then kept).
    bool ended();
    int exitStatus() const { return status_; }
    // Stops it (SIGSTOP) and returns once it has stopped; resume() lets it go on.
    bool pause();
    void resume();
    // Ends it: SIGTERM, then SIGKILL after `graceMs`; always reaped.
    void stop(int graceMs);
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool reaped_ = true;
    bool paused_ = false;
    int status_ = -1;
};
