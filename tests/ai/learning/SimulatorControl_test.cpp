// The simulator layer: the shell variant runs its commands; the child
// variant starts a program with its arguments and output file, replaces a
// running child on start, stops it by its id (also when it ignores the
// polite signal) and reaps it, and survives a program that is not there.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "ai/learning/ChildSimulator.h"
#include "ai/learning/ShellSimulator.h"
#include "support/ChildProcess.h"

namespace {

// True while a process with this id exists (a zombie counts).
bool exists(pid_t pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH); }

bool waitForFile(const std::string& path, const std::string& text) {
    for (int i = 0; i < 200; ++i) {
        if (readWholeFile(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

TEST(SimulatorControl, ShellVariantRunsItsCommandsInOrder) {
    TempDir dir;
    ShellSimulator custom("echo killed >> " + dir.file("log"),
                          "echo started >> " + dir.file("log"));
    custom.killSimulator();
    custom.startSimulator();
    EXPECT_EQ(readWholeFile(dir.file("log")), "killed\nstarted\n");
}

TEST(ChildSimulator, StartsWithArgumentsAndOutputFileAndStopsByItsId) {
    TempDir dir;
    ChildSimulator sim("/bin/sh", {"-c", "echo up $0; exec sleep 30", "fieldsim"},
                       dir.file("sim.log"));
    sim.killSimulator();  // nothing running: nothing happens
    sim.startSimulator();
    const pid_t first = sim.getPid();
    ASSERT_TRUE(waitForFile(dir.file("sim.log"), "up fieldsim\n"));

    // Starting again replaces the running child: the old one is gone for
    // good (reaped, not left a zombie).
    sim.startSimulator();
    const pid_t second = sim.getPid();
    EXPECT_NE(second, first);
    EXPECT_FALSE(exists(first));
    EXPECT_TRUE(waitForFile(dir.file("sim.log"), "up fieldsim\nup fieldsim\n"));

    sim.killSimulator();
    EXPECT_FALSE(sim.isRunning());
    EXPECT_FALSE(exists(second));
}

TEST(ChildSimulator, ChildThatIgnoresTheStopSignalIsKilled) {
    TempDir dir;
    ChildSimulator sim("/bin/sh", {"-c", "trap '' TERM; echo ready; while :; do sleep 1; done"},
                       dir.file("sim.log"));
    sim.startSimulator();
    const pid_t pid = sim.getPid();
    ASSERT_TRUE(waitForFile(dir.file("sim.log"), "ready"));
    const auto begin = std::chrono::steady_clock::now();
    sim.killSimulator();
    EXPECT_FALSE(exists(pid));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
}

TEST(ChildSimulator, DestructionStopsTheChildAndSignalsReachIt) {
    pid_t pid = -1;
    {
        ChildSimulator sim("/bin/sleep", {"30"}, "");
        sim.startSimulator();
        pid = sim.getPid();
    }
    EXPECT_FALSE(exists(pid));

    ChildSimulator sim("/bin/sleep", {"30"}, "");
    sim.startSimulator();
    ChildSimulator::signalRunningChild(SIGTERM);
    for (int i = 0; i < 200 && sim.isRunning(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(sim.isRunning());
}

TEST(ChildSimulator, MissingProgramIsReportedAndNothingRuns) {
    ChildSimulator sim("/nonexistent/fieldsim", {}, "");
    testing::internal::CaptureStderr();
    sim.startSimulator();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(sim.isRunning());
    EXPECT_NE(err.find("Cannot start the simulator /nonexistent/fieldsim"), std::string::npos)
        << err;
}
