// The child simulator starts a program with its arguments and output file,
// replaces a running child, stops it by its id (also when it ignores the
// polite signal) and reaps it, also on destruction. A simulator given as a
// shell command line is that command's own process and is interrupted, as
// a real server expects, without touching any other process.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
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

// The whole first line of a file, once written; "" after 2 s without one.
std::string waitForLine(const std::string& path) {
    for (int i = 0; i < 200 && readWholeFile(path).find('\n') == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return readWholeFile(path);
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

TEST(ChildSimulator, ACommandLineRunsAsItselfAndIsInterruptedByItsIdAlone) {
    TempDir dir;
    // Says who it is and what it got, and which signal ended it.
    std::ofstream(dir.file("sim.sh")) << "echo \"$$ $1\" > \"$2/started\"\n"
                                         "trap 'echo INT > \"$2/stopped\"; exit 0' INT\n"
                                         "trap 'echo TERM > \"$2/stopped\"; exit 0' TERM\n"
                                         "while :; do sleep 0.02; done\n";
    TempDir otherDir;
    ChildProcess other;  // another simulator of the machine, of the same program
    ASSERT_TRUE(
        other.start("/bin/sh", {dir.file("sim.sh"), "other", otherDir.path()}, otherDir.path()));

    auto sim = ChildSimulator::fromCommand(
        "sh " + dir.file("sim.sh") + " 'two words' " + dir.path(), dir.file("simulator.log"));
    sim->startSimulator();
    const pid_t pid = sim->getPid();
    // The quoted argument arrives whole, and the id held is the simulator's
    // own, not that of a shell around it.
    ASSERT_TRUE(waitForFile(dir.file("started"), std::to_string(pid) + " two words\n"))
        << readWholeFile(dir.file("started")) << readWholeFile(dir.file("simulator.log"));
    const std::string otherStarted = waitForLine(otherDir.file("started"));
    ASSERT_NE(otherStarted, "");
    const pid_t otherPid = std::stoi(otherStarted);

    sim->killSimulator();
    EXPECT_EQ(readWholeFile(dir.file("stopped")), "INT\n");
    EXPECT_FALSE(exists(pid));
    EXPECT_TRUE(exists(otherPid)) << "a process the learner did not start was stopped";
    EXPECT_EQ(readWholeFile(otherDir.file("stopped")), "");
}

TEST(ChildSimulator, WaitsUntilThisStartHasSaidItListens) {
    TempDir dir;
    ChildSimulator sim("/bin/sh", {"-c", "sleep 0.2; echo listening on; exec sleep 30"},
                       dir.file("sim.log"));
    sim.setReadyText("listening on");
    sim.startSimulator();
    sim.waitUntilUp(2);
    EXPECT_EQ(readWholeFile(dir.file("sim.log")), "listening on\n");
    // The line of the start before does not count for this one.
    sim.startSimulator();
    sim.waitUntilUp(2);
    EXPECT_EQ(readWholeFile(dir.file("sim.log")), "listening on\nlistening on\n");
    EXPECT_TRUE(sim.isRunning());
}
