// Starts a program for an end-to-end test in a chosen working directory,
// with its output captured, and always reaps it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::string& program, const std::vector<std::string>& args,
               const std::string& workDir);
    // Exit status, or -1 when it had to be killed after timeoutMs.
    int wait(int timeoutMs);
    std::string out() const;
    std::string err() const;
    // Waits up to 20 s for `text` to appear on its standard output.
    bool waitForOutput(const std::string& text) const;
    // Stops the program (SIGSTOP) and returns once it has stopped; resume()
    // lets it go on.
    bool pause();
    void resume();
    // Sends `signal` (e.g. SIGTERM, to ask a server to stop); false when it
    // has already been reaped.
    bool signal(int signal);

private:
    pid_t pid = -1;
    std::string outPath, errPath;
};

// A fresh temporary directory, removed with its contents on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

std::string readWholeFile(const std::string& path);
// The count written just before `what` in a summary line, e.g. 12 for
// "12 malformed" (the last such line); -1 when there is none.
long long countBefore(const std::string& text, const std::string& what);
// The rows of a comma-separated text after its header line, split into cells.
std::vector<std::vector<std::string>> csvRows(const std::string& text);
