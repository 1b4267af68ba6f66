// The child simulator starts a program with its arguments and output file,
// replaces a running child, stops it by its id (also when it ignores the
// polite signal) and reaps it.
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
    for (int i = 0; i < 200 && readWholeFile(path).find(text) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return readWholeFile(path).find(text) != std::string::npos;
}

}  // namespace

TEST(ChildSimulator, StartingAgainReplacesTheChildAndStoppingReapsIt) {
    TempDir dir;
    ChildSimulator sim("/bin/sh", {"-c", "echo up $0; trap '' TERM; exec sleep 30", "fieldsim"},
                       dir.file("sim.log"));
    sim.killSimulator();  // nothing running: nothing happens
    sim.startSimulator();
    const pid_t first = sim.getPid();
    ASSERT_TRUE(waitForFile(dir.file("sim.log"), "up fieldsim\n"));
    sim.startSimulator();
    const pid_t second = sim.getPid();
    EXPECT_NE(second, first);
    EXPECT_FALSE(exists(first));  // reaped, not left a zombie
    EXPECT_TRUE(waitForFile(dir.file("sim.log"), "up fieldsim\nup fieldsim\n"));
    const auto begin = std::chrono::steady_clock::now();
    sim.killSimulator();  // ignores TERM: killed
    EXPECT_FALSE(exists(second));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));

    ChildSimulator missing("/nonexistent/fieldsim", {}, "");
    testing::internal::CaptureStderr();
    missing.startSimulator();
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "Cannot start the simulator /nonexistent/fieldsim"),
              std::string::npos);
    EXPECT_FALSE(missing.isRunning());
}

TEST(ChildSimulator, DestructionStopsTheChild) {
    pid_t pid = -1;
    {
        ChildSimulator sim("/bin/sleep", {"30"}, "");
        sim.startSimulator();
        pid = sim.getPid();
    }
    EXPECT_FALSE(exists(pid));
}
