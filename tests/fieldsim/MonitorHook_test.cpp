// fieldsim with --monitor-port: the address is printed at start, and the
// monitor serves, cycle by cycle, the same state as the truth log.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "FieldsimTestKit.h"
#include "support/ChildProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

// The number after `prefix` in the first line of `text` that has it; 0 when none.
int numberAfter(const std::string& text, const std::string& prefix) {
    const size_t at = text.find(prefix);
    if (at == std::string::npos) return 0;
    return std::atoi(text.c_str() + at + prefix.size());
}

bool waitForText(ChildProcess& p, const std::string& text, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (p.out().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Sends `request` to 127.0.0.1:port and reads until `enough` bytes came or the server closed.
std::string exchange(int port, const std::string& request, size_t enough = SIZE_MAX) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string got;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        const auto end = Clock::now() + std::chrono::seconds(5);
        char buf[65536];
        while (got.size() < enough && Clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return got;
}

// The monitor's copy leaves out the commands (they belong to the cycle being
// recorded, and are cleared once it is); everything else must be identical.
std::string withoutCommands(std::string line) {
    const std::string key = "\"commands\":\"";
    for (size_t at = line.find(key); at != std::string::npos; at = line.find(key, at + key.size())) {
        size_t end = at + key.size();
        while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
        line.erase(at + key.size(), end - at - key.size());
    }
    return line;
}

}  // namespace

TEST(MonitorHook, FieldsimPrintsTheMonitorAddressAndServesTheTruthOfEachCycle) {
    TempDir dir;
    const std::string truth = dir.file("truth.jsonl");
    ChildProcess sim;
    ASSERT_TRUE(sim.start(FIELDSIM_BIN,
                          {"--port", "0", "--monitor-port", "0", "--truth", truth, "--duration", "60", "--field", "9x6"},
                          dir.path()));
    ASSERT_TRUE(waitForText(sim, "monitor at http://127.0.0.1:", 5000)) << sim.out() << sim.err();
    const int port = numberAfter(sim.out(), "fieldsim listening on 127.0.0.1:");
    const int monitor = numberAfter(sim.out(), "monitor at http://127.0.0.1:");
    ASSERT_GT(port, 0);
    ASSERT_GT(monitor, 0);

    TestClient a(port), b(port);
    ASSERT_TRUE(a.sendFrame("(scene rsg/agent/nao/nao.rsg)"));
    ASSERT_TRUE(b.sendFrame("(scene rsg/agent/nao/nao.rsg)"));
    ASSERT_TRUE(a.sendFrame("(init (unum 2)(teamname Ants))"));
    ASSERT_TRUE(b.sendFrame("(init (unum 7)(teamname Bees))"));
    ASSERT_TRUE(a.sendFrame("(beam -1.5 0.8 30)"));
    ASSERT_TRUE(a.readFrame());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    // The page knows the field.
    const std::string page = exchange(monitor, "GET / HTTP/1.1\r\n\r\n");
    EXPECT_NE(page.find("HTTP/1.1 200 OK"), std::string::npos);
    EXPECT_NE(page.find(R"({"length":9.000,"width":6.000,"goal_width":1.400})"), std::string::npos);

    // The latest state is the truth log's line of that cycle.
    const std::string reply = exchange(monitor, "GET /state HTTP/1.1\r\n\r\n");
    const size_t bodyAt = reply.find("\r\n\r\n");
    ASSERT_NE(bodyAt, std::string::npos) << reply;
    std::string state = reply.substr(bodyAt + 4);
    ASSERT_FALSE(state.empty());
    state.pop_back();  // the line end
    const int cycle = numberAfter(state, "{\"cycle\":");
    EXPECT_NE(state.find("\"team\":\"Ants\",\"side\":\"left\",\"unum\":2"), std::string::npos) << state;
    EXPECT_NE(state.find("\"team\":\"Bees\",\"side\":\"right\",\"unum\":7"), std::string::npos) << state;
    std::istringstream lines(readWholeFile(truth));
    std::string line, recorded;
    while (std::getline(lines, line)) {
        if (line.rfind("{\"cycle\":" + std::to_string(cycle) + ",", 0) == 0) recorded = line;
    }
    ASSERT_FALSE(recorded.empty()) << "cycle " << cycle << " is not in the truth log";
    EXPECT_EQ(withoutCommands(state), withoutCommands(recorded));

    // The event stream starts with the latest state and goes on cycle by cycle.
    const std::string stream = exchange(monitor, "GET /events HTTP/1.1\r\n\r\n", 4000);
    EXPECT_NE(stream.find("Content-Type: text/event-stream"), std::string::npos);
    EXPECT_NE(stream.find("\ndata: {\"cycle\":"), std::string::npos);
}

TEST(MonitorHook, MonitorPortIsCheckedAndATakenOneStopsFieldsim) {
    TempDir dir;
    for (const std::string bad : {"65536"}) {
        ChildProcess p;
        ASSERT_TRUE(p.start(FIELDSIM_BIN, {"--port", "0", "--monitor-port", bad}, dir.path()));
        EXPECT_EQ(p.wait(10000), 2) << bad;
        EXPECT_NE(p.err().find("--monitor-port"), std::string::npos) << p.err();
    }
    ChildProcess first;
    ASSERT_TRUE(first.start(FIELDSIM_BIN, {"--port", "0", "--monitor-port", "0", "--duration", "20"}, dir.path()));
    ASSERT_TRUE(waitForText(first, "monitor at http://127.0.0.1:", 5000)) << first.out() << first.err();
    const int taken = numberAfter(first.out(), "monitor at http://127.0.0.1:");
    ChildProcess second;
    ASSERT_TRUE(second.start(FIELDSIM_BIN, {"--port", "0", "--monitor-port", std::to_string(taken)}, dir.path()));
    EXPECT_EQ(second.wait(10000), 1);
    EXPECT_NE(second.err().find("cannot bind the monitor to 127.0.0.1:" + std::to_string(taken)), std::string::npos)
        << second.err();
}
