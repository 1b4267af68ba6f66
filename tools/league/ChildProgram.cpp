#include "ChildProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

ChildProgram::~ChildProgram() { stop(0); }

bool ChildProgram::start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const std::string& outFile,
                         const std::string& errFile, std::string& error) {
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("cannot start ") + program + ": " + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        if (chdir(workDir.c_str()) != 0) _exit(127);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        const char* why = strerror(errno);
        const char head[] = "cannot run the program: ";
        if (write(2, head, sizeof head - 1) >= 0 && write(2, why, strlen(why)) >= 0) {
            (void)!write(2, "\n", 1);
        }
        _exit(127);
    }
    pid_ = pid;
    reaped_ = false;
    paused_ = false;
    status_ = -1;
    return true;
}

bool ChildProgram::ended() {
    if (reaped_) return true;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_ && (WIFEXITED(status) || WIFSIGNALED(status))) {
        reaped_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
    }
    if (r < 0 && errno == ECHILD) {
        reaped_ = true;
        return true;
    }
    return false;
}

bool ChildProgram::pause() {
    if (ended()) return false;
    if (kill(pid_, SIGSTOP) != 0) return false;
    int status = 0;
    for (;;) {
        const pid_t r = waitpid(pid_, &status, WUNTRACED);
        if (r == pid_ && WIFSTOPPED(status)) {
            paused_ = true;
            return true;
        }
        if (r == pid_) {
            reaped_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return false;
        }
        if (r < 0 && errno != EINTR) return false;
    }
}

void ChildProgram::resume() {
    if (!reaped_ && paused_) kill(pid_, SIGCONT);
    paused_ = false;
}

void ChildProgram::stop(int graceMs) {
    if (ended()) return;
    resume();
    kill(pid_, SIGTERM);
    for (int waited = 0; waited < graceMs; waited += 10) {
        if (ended()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    status_ = 128 + SIGKILL;
}
