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
    // For a paused server: lets it go on once `clients` connections to its
    // `port` have been made and each has sent something (the system completes
    // the connections and keeps the bytes meanwhile). The server then finds
    // them all at once. False when they did not all come within timeoutMs;
    // the server goes on all the same.
    bool resumeOnceConnected(unsigned short port, int clients, int timeoutMs);

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
