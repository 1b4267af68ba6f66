#include "LocalWorkers.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <utility>

namespace {

constexpr int kMaxWorkers = 64;
constexpr int kPollMs = 10;

// Every worker started, for the signal handler; -1 where none.
std::atomic<pid_t> gWorkers[kMaxWorkers];
std::atomic<int> gWorkerCount{0};

void sleepMs(int ms) {
    timespec pause{};
    pause.tv_sec = ms / 1000;
    pause.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// A port nobody listens on now: the system picks it. The worker binds it a
// moment later; in between another program could take it, which the worker
// would report (it keeps trying to listen) and the tuner would see as a
// worker that cannot be reached.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t size = sizeof self;
    int port = -1;
    if (::bind(s, reinterpret_cast<sockaddr*>(&self), size) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&self), &size) == 0) {
        port = ntohs(self.sin_port);
    }
    ::close(s);
    return port;
}

bool makeDirectory(const std::string& path) {
    std::string partial;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('/', at + 1);
        partial = path.substr(0, at);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

}  // namespace

LocalWorkers::LocalWorkers(std::string program, std::vector<std::string> args, std::string baseDir)
    : program(std::move(program)), args(std::move(args)), baseDir(std::move(baseDir)) {}

LocalWorkers::~LocalWorkers() { stop(); }

bool LocalWorkers::start(int count, std::vector<WorkerEndpoint>& endpoints, std::string& error) {
    if (::access(program.c_str(), X_OK) != 0) {
        error = "cannot run " + program + ": " + std::strerror(errno);
        return false;
    }
    for (int k = 1; k <= count; ++k) {
        if (gWorkerCount.load() >= kMaxWorkers) {
            error = "at most " + std::to_string(kMaxWorkers) + " local workers";
            return false;
        }
        const std::string dir = baseDir + "/w" + std::to_string(k);
        if (!makeDirectory(dir)) {
            error = "cannot make the folder " + dir + ": " + std::strerror(errno);
            return false;
        }
        const int linkPort = freePort();
        int serverPort = freePort();
        while (serverPort == linkPort && linkPort > 0) serverPort = freePort();
        if (linkPort <= 0 || serverPort <= 0) {
            error = "no free port for worker " + std::to_string(k);
            return false;
        }
        std::vector<std::string> words = {program};
        words.insert(words.end(), args.begin(), args.end());
        for (const std::string& w : {std::string("--link-port"), std::to_string(linkPort),
                                     std::string("--server-port"), std::to_string(serverPort)}) {
            words.push_back(w);
        }
        // Prepared before fork: after it only async-signal-safe calls.
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        const std::string logPath = dir + "/learnagent.log";

        std::cout.flush();
        std::cerr.flush();
        const pid_t pid = ::fork();
        if (pid < 0) {
            error = std::string("fork: ") + std::strerror(errno);
            return false;
        }
        if (pid == 0) {
            if (::chdir(dir.c_str()) != 0) ::_exit(127);
            const int out = ::open("learnagent.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int in = ::open("/dev/null", O_RDONLY);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            if (in >= 0) ::dup2(in, 0);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        pids.push_back(pid);
        gWorkers[gWorkerCount.fetch_add(1)].store(pid);
        WorkerEndpoint endpoint;
        endpoint.host = "127.0.0.1";
        endpoint.port = linkPort;
        endpoint.pid = pid;
        endpoints.push_back(endpoint);
        std::cout << "tuner: worker " << k << " (pid " << pid << ") in " << dir << ", link port "
                  << linkPort << ", simulator port " << serverPort << " (console in " << logPath
                  << ")" << std::endl;
    }
    return true;
}

void LocalWorkers::stop() {
    const std::vector<pid_t> started = pids;
    // Their links are closed: they stop by themselves first, each with its
    // simulator; then they are asked to.
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            for (pid_t pid : pids) {
                if (pid > 0) ::kill(pid, SIGTERM);
            }
        }
        for (int waited = 0; waited < kStopWaitMs; waited += kPollMs) {
            bool running = false;
            for (pid_t& pid : pids) {
                if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0) {
                    running = true;
                } else {
                    pid = -1;
                }
            }
            if (!running) break;
            sleepMs(kPollMs);
        }
    }
    for (pid_t pid : pids) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
    for (int i = 0; i < gWorkerCount.load(); ++i) {
        for (pid_t pid : started) {
            pid_t expected = pid;
            gWorkers[i].compare_exchange_strong(expected, -1);
        }
    }
    pids.clear();
}

void LocalWorkers::terminateAll() {
    const int count = gWorkerCount.load();
    for (int i = 0; i < count && i < kMaxWorkers; ++i) {
        const pid_t pid = gWorkers[i].load();
        if (pid > 0) ::kill(pid, SIGTERM);
    }
}
