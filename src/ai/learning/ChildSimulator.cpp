#include "ai/learning/ChildSimulator.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <utility>

namespace {

// The child started last and its stop signal, for signal handlers; -1 when
// none runs.
std::atomic<pid_t> gRunningChild{-1};
std::atomic<int> gRunningChildStop{SIGTERM};

constexpr int kPollMs = 10;
constexpr long kMaxFdToClose = 1024;

void sleepMs(int ms) {
    timespec pause{};
    pause.tv_sec = ms / 1000;
    pause.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(const char* path, char* const* argv, const char* logPath) {
    const int in = ::open("/dev/null", O_RDONLY);
    if (in >= 0) {
        ::dup2(in, 0);
    }
    if (logPath != nullptr) {
        const int out = ::open(logPath, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
    }
    // The agent's sockets (the optimiser link, the old server link) are not
    // the simulator's business and must close when the agent closes them.
    long maxFd = ::sysconf(_SC_OPEN_MAX);
    if (maxFd < 0 || maxFd > kMaxFdToClose) {
        maxFd = kMaxFdToClose;
    }
    for (int fd = 3; fd < maxFd; ++fd) {
        ::close(fd);
    }
    ::execv(path, argv);
    ::_exit(127);
}

long long fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

// Whether `text` appears in the file beyond `from`.
bool fileHasAfter(const std::string& path, long long from, const std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.seekg(from)) return false;
    std::string tail((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return tail.find(text) != std::string::npos;
}

}  // namespace

ChildSimulator::ChildSimulator(std::string program, std::vector<std::string> args,
                               std::string logPath, int stopSignal)
    : program(std::move(program)),
      args(std::move(args)),
      logPath(std::move(logPath)),
      stopSignal(stopSignal) {}

std::unique_ptr<ChildSimulator> ChildSimulator::fromCommand(const std::string& command,
                                                            std::string logPath) {
    return std::make_unique<ChildSimulator>(
        "/bin/sh", std::vector<std::string>{"-c", "exec " + command}, std::move(logPath), SIGINT);
}

ChildSimulator::~ChildSimulator() { killSimulator(); }

bool ChildSimulator::isRunning() {
    if (pid <= 0) {
        return false;
    }
    const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) {
        std::cerr << "Simulator " << program << " (pid " << pid << ") has ended." << std::endl;
        pid_t expected = pid;
        gRunningChild.compare_exchange_strong(expected, -1);
        pid = -1;
        return false;
    }
    return true;
}

void ChildSimulator::killSimulator() {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, stopSignal);
    bool reaped = false;
    for (int waited = 0; waited < kStopWaitMs; waited += kPollMs) {
        const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) {
            reaped = true;
            break;
        }
        sleepMs(kPollMs);
    }
    if (!reaped) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    pid_t expected = pid;
    gRunningChild.compare_exchange_strong(expected, -1);
    pid = -1;
}

void ChildSimulator::startSimulator() {
    killSimulator();
    if (::access(program.c_str(), X_OK) != 0) {
        std::cerr << "Cannot start the simulator " << program << ": " << std::strerror(errno)
                  << std::endl;
        return;
    }
    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const char* log = logPath.empty() ? nullptr : logPath.c_str();
    logStart = logPath.empty() ? 0 : fileSize(logPath);

    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("fork");
        return;
    }
    if (child == 0) {
        execChild(argv[0], argv.data(), log);
    }
    pid = child;
    gRunningChildStop.store(stopSignal);
    gRunningChild.store(child);
}

void ChildSimulator::stopRunningChild() {
    const pid_t child = gRunningChild.load();
    if (child > 0) {
        ::kill(child, gRunningChildStop.load());
    }
}

void ChildSimulator::waitUntilDown(unsigned seconds) {
    // killSimulator() has reaped the child, so its port is free already.
    if (pid > 0) {
        SimulatorControl::waitUntilDown(seconds);
    }
}

void ChildSimulator::waitUntilUp(unsigned seconds) {
    if (readyText.empty() || logPath.empty()) {
        SimulatorControl::waitUntilUp(seconds);
        return;
    }
    const int limit = std::max(static_cast<int>(seconds) * 1000, kReadyWaitMs);
    for (int waited = 0; waited < limit; waited += kPollMs) {
        if (fileHasAfter(logPath, logStart, readyText)) return;
        if (!isRunning()) return;  // said why; the connection will fail
        sleepMs(kPollMs);
    }
    std::cerr << "Simulator " << program << " has not said '" << readyText << "' within "
              << limit / 1000 << " s; going on." << std::endl;
}
