#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

ChildProcess::~ChildProcess() { wait(0); }

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir) {
    outPath = workDir + "/child.out";
    errPath = workDir + "/child.err";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        if (chdir(workDir.c_str()) != 0) _exit(126);
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        dup2(open("/dev/null", O_RDONLY), 0);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid > 0;
}

int ChildProcess::wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (pid > 0 && std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
    return -1;
}

bool ChildProcess::pause() {
    int status = 0;
    return pid > 0 && kill(pid, SIGSTOP) == 0 && waitpid(pid, &status, WUNTRACED) == pid &&
           WIFSTOPPED(status);
}

void ChildProcess::resume() {
    if (pid > 0) kill(pid, SIGCONT);
}

bool ChildProcess::signal(int signal) { return pid > 0 && kill(pid, signal) == 0; }

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool ChildProcess::waitForOutput(const std::string& text) const {
    for (int i = 0; i < 1000 && out().find(text) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return out().find(text) != std::string::npos;
}

long long countBefore(const std::string& text, const std::string& what) {
    const size_t at = text.rfind(" " + what);
    if (at == std::string::npos) return -1;
    size_t start = at;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1]))) --start;
    return start == at ? -1 : std::stoll(text.substr(start, at - start));
}

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        std::stringstream row(line);
        rows.emplace_back();
        for (std::string cell; std::getline(row, cell, ',');) rows.back().push_back(cell);
    }
    return rows;
}

std::string ChildProcess::out() const { return readWholeFile(outPath); }
std::string ChildProcess::err() const { return readWholeFile(errPath); }

TempDir::TempDir() {
    char pattern[] = "/tmp/pitchbot-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    dir = made ? made : "/tmp";
}

TempDir::~TempDir() {
    if (dir.rfind("/tmp/pitchbot-test-", 0) != 0) return;
    // What a failed run wrote (truth log, consoles, traces) is what one needs
    // to find out why, so it stays; PITCHBOT_KEEP_TEST_DIRS keeps every one,
    // to compare a run that passed with one that did not.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const bool failed = test && test->result()->Failed();
    if (failed || std::getenv("PITCHBOT_KEEP_TEST_DIRS")) {
        std::cerr << "test files kept in " << dir << std::endl;
        return;
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
