// fieldsim's console must never hold up the game: a console nobody reads
// (a full pipe) once stalled it for seconds when connections came and went.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FieldsimTestKit.h"
#include "app/ConsoleWriter.h"

namespace {

// A write that blocks would hang the test: end it with a message instead.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds) {
        std::signal(SIGALRM, [](int) {
            static const char kSays[] = "watchdog: the console blocked\n";
            [[maybe_unused]] const ssize_t n = ::write(2, kSays, sizeof kSays - 1);
            _exit(1);
        });
        ::alarm(seconds);
    }
    ~Watchdog() { ::alarm(0); }
};

// A pipe that holds a single page, so that a few lines fill it.
struct SmallPipe {
    SmallPipe() {
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
    }
    ~SmallPipe() {
        for (int fd : fds) {
            if (fd >= 0) ::close(fd);
        }
    }
    // Everything there now.
    std::string take() {
        std::string out;
        char buf[8192];
        pollfd p{fds[0], POLLIN, 0};
        while (::poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
        }
        return out;
    }
    int fds[2] = {-1, -1};
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(Console, AWriterNobodyReadsNeverBlocksDropsWholeLinesAndSaysHowMany) {
    Watchdog watchdog(30);
    SmallPipe pipe;
    ConsoleWriter writer(pipe.fds[1], 16 * 1024);
    std::ostream out(&writer);
    const std::string pad(80, 'x');
    for (int i = 0; i < 2000; ++i) out << "line " << i << " " << pad << std::endl;
    EXPECT_GT(writer.droppedLines(), 0);
    EXPECT_LE(writer.pending(), 16u * 1024 + 100) << "memory stays bounded";

    // Someone reads at last: what was kept comes in order, then the count of
    // what was lost, then what follows.
    std::string got;
    auto readAll = [&] {
        for (int round = 0; round < 1000 && writer.pending() > 0; ++round) {
            got += pipe.take();
            writer.pump();
        }
        got += pipe.take();
    };
    readAll();
    out << "after" << std::endl;
    readAll();
    const std::vector<std::string> lines = linesOf(got);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "line 0 " + pad);
    long long previous = -1, kept = 0;
    for (size_t i = 0; i + 2 < lines.size(); ++i) {
        const long long n = std::atoll(lines[i].c_str() + 5);
        EXPECT_EQ(lines[i], "line " + std::to_string(n) + " " + pad) << "whole lines only";
        EXPECT_GT(n, previous);
        previous = n;
        ++kept;
    }
    EXPECT_EQ(lines[lines.size() - 2],
              "(console: " + std::to_string(writer.droppedLines()) + " lines dropped, nobody read them in time)");
    EXPECT_EQ(lines.back(), "after");
    EXPECT_EQ(kept + writer.droppedLines(), 2000);

    // A console that has gone for good costs nothing either.
    std::signal(SIGPIPE, SIG_IGN);
    ::close(pipe.fds[0]);
    pipe.fds[0] = -1;
    for (int i = 0; i < 1000; ++i) out << "line " << i << " " << pad << std::endl;
    EXPECT_EQ(writer.pending(), 0u);
}

TEST(Console, ConnectionsThatComeAndGoAreCountedNotPrintedOneByOne) {
    SimHarness h;
    for (int id = 1; id <= 30; ++id) {
        h.sim().clientConnected(id, "127.0.0.1:5000");
        h.sim().clientLeft(id, "connection closed by the client");
    }
    ASSERT_TRUE(h.join(31, "VOR", 1));
    std::string log = h.console();
    size_t lines = 0;
    for (const std::string& line : linesOf(log)) {
        lines += line.find(" connected from ") != std::string::npos || line.find(" closed: ") != std::string::npos;
    }
    EXPECT_EQ(lines, static_cast<size_t>(Simulation::kConnectionLinesPerSecond)) << log;
    EXPECT_NE(log.find("client 31 (left 1 VOR) joined"), std::string::npos) << "robots are always told";

    h.steps(60);  // into the next second of server time
    h.sim().clientConnected(32, "127.0.0.1:5001");
    log = h.console();
    EXPECT_NE(log.find("] 51 more connection lines were not shown\n"), std::string::npos) << log;
    EXPECT_NE(log.find("client 32 connected from 127.0.0.1:5001"), std::string::npos);
}

TEST(Console, FieldsimKeepsPlayingWhenNobodyReadsItsConsole) {
    Watchdog watchdog(100);
    SmallPipe pipe;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(pipe.fds[1], 1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 2);
        ::execl(FIELDSIM_BIN, FIELDSIM_BIN, "--port", "0", "--pace", "lockstep", "--kickoff-after", "-1",
                static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(pipe.fds[1]);
    pipe.fds[1] = -1;
    // The first line says the port; from then on the console is not read.
    std::string first;
    for (int i = 0; i < 500 && first.find('\n') == std::string::npos; ++i) {
        pollfd p{pipe.fds[0], POLLIN, 0};
        char c;
        if (::poll(&p, 1, 20) > 0 && ::read(pipe.fds[0], &c, 1) == 1) first += c;
    }
    const size_t colon = first.find("127.0.0.1:");
    ASSERT_NE(colon, std::string::npos) << first;
    const int port = std::atoi(first.c_str() + colon + 10);

    TestClient robot(port);
    ASSERT_TRUE(robot.join("VOR", 1));
    // Hundreds of console lines, many times what the pipe holds.
    for (int i = 0; i < 300; ++i) {
        TestClient passing(port);
        passing.close();
        if (i % 10 == 0) {
            ASSERT_TRUE(robot.sendFrame("(syn)"));
            ASSERT_TRUE(robot.readFrame(10000)) << "no perception after " << i << " connections";
        }
    }
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(robot.sendFrame("(syn)"));
        ASSERT_TRUE(robot.readFrame(10000)) << "no perception " << i << " cycles after the crowd";
    }
    robot.close();

    ::kill(pid, SIGTERM);
    std::string rest;
    int status = -1;
    for (int i = 0; i < 1000; ++i) {
        rest += pipe.take();
        if (::waitpid(pid, &status, WNOHANG) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    rest += pipe.take();
    if (status == -1) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_NE(rest.find("summary:"), std::string::npos) << "the summary still comes once someone reads";
}
