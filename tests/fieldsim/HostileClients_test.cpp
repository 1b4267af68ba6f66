// What hostile or broken clients did to fieldsim in an adversarial run, each
// kept from happening again: a flood starving a good robot, a team that came
// and went keeping its side, a reset instead of a clean end at shutdown, and
// browsers that read nothing holding every monitor slot.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FieldsimTestKit.h"
#include "monitor/MonitorServer.h"

namespace {

int connectTo(int port, int receiveBuffer = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    // Set before connecting, so that the window offered to the server is small from the start.
    if (receiveBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    return fd;
}

// Sends `frameText` back to back from its own thread until told to stop,
// never blocking, so that it can always be stopped.
class Flooder {
public:
    Flooder(int port, const std::string& frameText) : fd_(connectTo(port)), bytes_(frame(frameText)) {
        thread_ = std::thread([this] {
            size_t at = 0;
            while (!stop_.load()) {
                pollfd p{fd_, POLLOUT, 0};
                if (::poll(&p, 1, 10) <= 0) continue;
                const ssize_t n = ::send(fd_, bytes_.data() + at, bytes_.size() - at, MSG_DONTWAIT | MSG_NOSIGNAL);
                if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
                if (n > 0) at = (at + static_cast<size_t>(n)) % bytes_.size();
            }
        });
    }
    ~Flooder() {
        stop_.store(true);
        thread_.join();
        ::close(fd_);
    }

private:
    int fd_;
    std::string bytes_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// One round of a poll loop around the monitor alone.
void pump(MonitorServer& server) {
    std::vector<pollfd> fds;
    server.addPollFds(fds);
    ::poll(fds.data(), fds.size(), 2);
    server.handlePoll(fds);
}

// Reads what has arrived without waiting; -1 once the peer has closed.
long long readAvailable(int fd, std::string* into = nullptr) {
    char buf[65536];
    long long total = 0;
    for (;;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0) return -1;
        if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK) ? total : -1;
        if (into) into->append(buf, static_cast<size_t>(n));
        total += n;
    }
}

}  // namespace

TEST(Flood, EveryClientIsReadOnlyItsAllowancePerCycleAndTheRobotIsServedEveryCycle) {
    SimOptions o = testOptions();
    o.lockstepTimeout = 10.0;  // the robot is always waited for: no cycle may skip it
    ServerThread server(o);
    TestClient robot(server.port());
    ASSERT_TRUE(robot.join("VOR", 1));
    // Whole frames of the largest size, back to back, from many connections.
    std::string command;
    while (command.size() + 8 < FrameDecoder::kMaxFrame) command += "(he2 1)";
    constexpr int kFlooders = 20;
    std::vector<std::unique_ptr<Flooder>> flood;
    for (int i = 0; i < kFlooders; ++i) flood.push_back(std::make_unique<Flooder>(server.port(), command));

    // The robot turns its head at 1 rad/s: each perception shows the command
    // of the one before it taken, cycle after cycle.
    constexpr int kCycles = 100;
    double last = 0.0;
    int served = 0;
    for (int i = 0; i < kCycles; ++i) {
        ASSERT_TRUE(robot.sendFrame("(he1 1.0)"));
        const std::optional<std::string> p = robot.readFrame(10000);
        ASSERT_TRUE(p) << "perception " << i << " did not come";
        const double angle = jointAngle(*p, "hj1");
        if (i >= 2) served += std::abs(angle - last - 1.0 * 0.02 * 180.0 / M_PI) < 0.01;
        last = angle;
    }
    flood.clear();
    server.stop();
    EXPECT_EQ(served, kCycles - 2) << "a command answering each perception takes effect in the next cycle";
    // Each flooder got at most its allowance per cycle (before the fix it was
    // read as fast as it sent, a 64 KiB chunk per client and poll round).
    const long long cycles = server.sim().cycles();
    const long long bound = (cycles + 2) * kFlooders * static_cast<long long>(ClientConnection::kCycleAllowance) + 4096 * (cycles + 2);
    EXPECT_LE(server.sim().stats().bytesIn, bound) << cycles << " cycles";
    EXPECT_GT(server.sim().stats().bytesIn, 64 * 1024) << "the flooders are still read, only slowly";
}

TEST(TeamSides, ASideIsFreedWhenItsLastRobotLeavesBeforeKickOffAndKeptAfter) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "SQUAT", 1));
    ASSERT_TRUE(h.join(2, "SQUAT", 2));
    ASSERT_TRUE(h.join(3, "OPP", 1));
    h.steps(15);
    h.sim().clientLeft(1, "connection closed by the client");
    EXPECT_EQ(h.sim().teamName(TeamSide::Left), "SQUAT") << "one of its robots is still there";
    h.sim().clientLeft(2, "connection closed by the client");
    EXPECT_EQ(h.sim().teamName(TeamSide::Left), "");
    EXPECT_NE(h.console().find("team SQUAT has no robot left before kick-off; the left side is free for another team"),
              std::string::npos)
        << h.console();
    ASSERT_TRUE(h.join(4, "VOR", 1)) << "the real opponent is not a third team";
    EXPECT_EQ(h.robot(4).side, TeamSide::Left);
    EXPECT_EQ(h.robot(3).side, TeamSide::Right);

    // Once the game has begun a side stays with its team, and its score.
    ASSERT_TRUE(h.script("0.4 playmode KickOff_Left\n"));
    h.steps(10);
    ASSERT_EQ(h.sim().rules().playMode(), PlayMode::KickOffLeft);
    h.sim().clientLeft(3, "connection closed by the client");
    EXPECT_EQ(h.sim().teamName(TeamSide::Right), "OPP");
    EXPECT_FALSE(h.join(5, "NEW", 1)) << "a third team";
    ASSERT_TRUE(h.join(6, "OPP", 1)) << "the team comes back to its side";
    EXPECT_EQ(h.robot(6).side, TeamSide::Right);
}

TEST(Shutdown, AClientStillSendingReadsEverythingToACleanEnd) {
    ServerThread server(testOptions());
    const int fd = connectTo(server.port());
    const std::string join = frame("(scene rsg/agent/nao/nao.rsg)(init (unum 1)(teamname VOR))");
    ASSERT_EQ(::send(fd, join.data(), join.size(), MSG_NOSIGNAL), static_cast<ssize_t>(join.size()));
    std::string in;
    for (int i = 0; i < 500 && in.size() < 4; ++i) {
        readAvailable(fd, &in);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GE(in.size(), 4u) << "no perception";
    // The client keeps sending while the server stops: input the server has
    // not read when it closes would turn its close into a reset.
    std::atomic<bool> stopSending{false};
    std::thread sender([&] {
        std::string syn;
        while (syn.size() < 60000) syn += frame("(syn)");
        size_t at = 0;  // whole frames, however the sends cut them
        while (!stopSending.load()) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 10) <= 0) continue;
            const ssize_t n = ::send(fd, syn.data() + at, syn.size() - at, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
            if (n > 0) at = (at + static_cast<size_t>(n)) % syn.size();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::thread stopper([&] { server.stop(); });
    long long result = 0;
    int error = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 50);
        char buf[65536];
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) continue;
        if (n == 0) {
            result = 1;
            break;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
            result = -1;
            break;
        }
    }
    stopSending.store(true);
    sender.join();
    ::close(fd);
    stopper.join();
    EXPECT_EQ(result, 1) << "the end of the stream, not " << (result < 0 ? std::strerror(error) : "nothing within 20 s");
}

TEST(MonitorStreams, BrowsersThatReadNothingAreDroppedFiveHundredStatesAfterTheirBacklogStopped) {
    MonitorServer server{MonitorField()};  // the README's limits: 16 connections, 500 states
    std::string error;
    ASSERT_TRUE(server.start(0, error)) << error;
    const std::string state = "{\"cycle\":1,\"pad\":\"" + std::string(3000, 'x') + "\"}";  // six robots' size
    server.publish(state);

    // Fifteen that read nothing at all, and one that reads a little now and then.
    std::vector<int> stalled;
    for (int i = 0; i < 15; ++i) stalled.push_back(connectTo(server.port(), 4096));
    const int slow = connectTo(server.port(), 4096);
    const std::string get = "GET /events HTTP/1.1\r\n\r\n";
    for (int fd : stalled) ::send(fd, get.data(), get.size(), MSG_NOSIGNAL);
    ::send(slow, get.data(), get.size(), MSG_NOSIGNAL);
    for (int i = 0; i < 50 && server.streamCount() < 16; ++i) pump(server);
    ASSERT_EQ(server.streamCount(), 16u);
    const int late = connectTo(server.port());
    for (int i = 0; i < 20; ++i) pump(server);
    std::string busy;
    readAvailable(late, &busy);
    EXPECT_EQ(busy.rfind("HTTP/1.1 503", 0), 0u) << "every slot taken: " << busy;
    ::close(late);

    long long firstDrop = -1;
    bool slowKept = true;
    for (long long n = 1; n <= 1000 && server.stats().streamsDropped < 15; ++n) {
        server.publish(state);
        pump(server);
        if (firstDrop < 0 && server.stats().streamsDropped > 0) firstDrop = n;
        if (n % 20 == 0 && readAvailable(slow) < 0) slowKept = false;
    }
    // Before the fix none went within 1000 states here, the system's
    // buffers and the backlog limit hiding the stall.
    EXPECT_GT(firstDrop, 500) << "not before its backlog had stood still for 500 states";
    EXPECT_LE(firstDrop, 650) << "the system holds little for a stream, so the stall shows within a few states";
    EXPECT_EQ(server.stats().streamsDropped, 15);
    EXPECT_TRUE(slowKept) << "a browser that reads, however slowly, keeps its stream";
    EXPECT_EQ(server.streamCount(), 1u);

    const int next = connectTo(server.port());
    const std::string getState = "GET /state HTTP/1.1\r\n\r\n";
    ::send(next, getState.data(), getState.size(), MSG_NOSIGNAL);
    std::string reply;
    for (int i = 0; i < 100 && reply.find("\r\n\r\n") == std::string::npos; ++i) {
        pump(server);
        readAvailable(next, &reply);
    }
    EXPECT_EQ(reply.rfind("HTTP/1.1 200", 0), 0u) << "a slot is free again: " << reply;
    ::close(next);
    for (int fd : stalled) ::close(fd);
    ::close(slow);
}
