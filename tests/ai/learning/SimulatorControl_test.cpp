// The child simulator starts a program with its arguments and output file,
// replaces a running child, stops it by its id (also when it ignores the
// polite signal) and reaps it, also on destruction.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "ai/learning/ChildSimulator.h"
#include "support/ChildProcess.h"

namespace {

// True while a process with this id exists (a zombie counts).
bool exists(pid_t pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH); }

bool waitForFile(const std::string& path, const std::string& text) {
    for (int i = 0; i < 200 && readWholeFile(path) != text; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return readWholeFile(path) == text;
}

}  // namespace

TEST(ChildSimulator, StartingAgainReplacesTheChildAndStoppingReapsIt) {
    TempDir dir;
    pid_t second = -1;
    {
        ChildSimulator sim("/bin/sh", {"-c", "echo up $0; trap '' TERM; exec sleep 30", "fieldsim"},
                           dir.file("sim.log"));
        sim.startSimulator();
        const pid_t first = sim.getPid();
        ASSERT_TRUE(waitForFile(dir.file("sim.log"), "up fieldsim\n"));
        sim.startSimulator();
        second = sim.getPid();
        EXPECT_FALSE(exists(first));  // reaped, not left a zombie
        EXPECT_TRUE(waitForFile(dir.file("sim.log"), "up fieldsim\nup fieldsim\n"));
    }  // ignores TERM: killed
    EXPECT_FALSE(exists(second));
}
