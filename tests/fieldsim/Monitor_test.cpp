// The web monitor's HTTP side, driven by a poll loop in the test's own thread
// and talked to over real sockets: the page, the latest state, the event
// stream's framing, refusals, and browsers that misbehave.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "MonitorPage.h"
#include "MonitorServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Rounds of the owner's poll loop for `ms` milliseconds (at least one).
void pump(MonitorServer& server, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    do {
        std::vector<pollfd> fds;
        server.addPollFds(fds);
        ::poll(fds.data(), fds.size(), 2);
        server.handlePoll(fds);
    } while (Clock::now() < end);
}

// A browser reduced to a socket; it never blocks, so the server can be pumped
// in the same thread while it waits.
class RawClient {
public:
    explicit RawClient(int port, int receiveBuffer = 0) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        if (receiveBuffer > 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    }
    ~RawClient() { ::close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void send(const std::string& bytes) {
        EXPECT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    // Pumps the server and reads (at least once) until `done` holds, the server closes, or time runs out.
    const std::string& readUntil(MonitorServer& server, const std::function<bool(const std::string&)>& done,
                                 int timeoutMs = 3000) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            pump(server, 0);
            char buf[65536];
            ssize_t n;
            while ((n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT)) > 0) in_.append(buf, static_cast<size_t>(n));
            closed_ = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        } while (!closed_ && !done(in_) && Clock::now() < end);
        return in_;
    }
    const std::string& readToClose(MonitorServer& server) {
        return readUntil(server, [](const std::string&) { return false; });
    }
    const std::string& readFor(MonitorServer& server, int ms) {
        return readUntil(server, [](const std::string&) { return false; }, ms);
    }
    bool closedByServer() const { return closed_; }
    void forget() { in_.clear(); }

private:
    int fd_;
    bool closed_ = false;
    std::string in_;
};

struct Reply {
    int status = 0;
    std::string head, body;
    bool has(const std::string& header) const { return head.find(header) != std::string::npos; }
};

Reply parseReply(const std::string& raw) {
    Reply r;
    const size_t end = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) return r;
    r.status = std::stoi(raw.substr(9, 3));
    r.head = raw.substr(0, end + 2);
    r.body = raw.substr(end + 4);
    return r;
}

Reply request(MonitorServer& server, const std::string& raw) {
    RawClient c(server.port());
    c.send(raw);
    const Reply r = parseReply(c.readToClose(server));
    EXPECT_TRUE(c.closedByServer()) << "the reply ends with the connection";
    return r;
}

Reply get(MonitorServer& server, const std::string& target) {
    return request(server, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

// The events of a stream: each block after the head that starts with "data: ".
std::vector<std::string> events(const std::string& stream) {
    std::vector<std::string> out;
    size_t at = stream.find("\r\n\r\n");
    at = at == std::string::npos ? stream.size() : at + 4;
    for (size_t end; (end = stream.find("\n\n", at)) != std::string::npos; at = end + 2) {
        if (stream.compare(at, 6, "data: ") == 0) out.push_back(stream.substr(at, end - at));
    }
    return out;
}

auto hasEvents(size_t n) {
    return [n](const std::string& s) { return events(s).size() >= n; };
}

const std::string kStateA = R"({"cycle":1,"play_mode":"BeforeKickOff","robots":[]})";
const std::string kStateB = R"({"cycle":2,"play_mode":"KickOff_Left","robots":[]})";
const std::string kStreamRequest = "GET /events HTTP/1.1\r\nAccept: text/event-stream\r\n\r\n";

std::unique_ptr<MonitorServer> startedServer(const MonitorLimits& limits = MonitorLimits(),
                                             std::vector<std::string>* log = nullptr,
                                             const MonitorField& field = MonitorField()) {
    MonitorServer::Logger logger;
    if (log) logger = [log](const std::string& line) { log->push_back(line); };
    auto server = std::make_unique<MonitorServer>(field, logger, limits);
    std::string error;
    EXPECT_TRUE(server->start(0, error)) << error;
    return server;
}

}  // namespace

TEST(MonitorServer, ListensOnlyOnceOnAPortAndServesTheSelfContainedPage) {
    MonitorField field;
    field.length = 20.0;
    field.width = 13.5;
    field.goalWidth = 2.1;
    auto server = startedServer(MonitorLimits(), nullptr, field);
    MonitorServer second(field);
    std::string error;
    EXPECT_FALSE(second.start(server->port(), error));
    EXPECT_NE(error.find(std::to_string(server->port())), std::string::npos) << error;

    const Reply r = get(*server, "/?poll");
    ASSERT_EQ(r.status, 200);
    EXPECT_TRUE(r.has("Content-Length: " + std::to_string(r.body.size()) + "\r\n"));
    EXPECT_NE(r.body.find(R"({"length":20.000,"width":13.500,"goal_width":2.100})"), std::string::npos);
    // Nothing is fetched from elsewhere: the monitor works without a network.
    EXPECT_EQ(r.body.find("://"), std::string::npos);
    // Unusable measures fall back to the default field rather than breaking the script.
    field.length = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(MonitorPage::html(field).find(R"({"length":12.000,"width":13.500,)"), std::string::npos);
}

TEST(MonitorServer, StateIsTheLatestPublishedLineEvenWhenAskedByteByByte) {
    auto server = startedServer();
    EXPECT_EQ(get(*server, "/state").status, 503);
    server->publish(kStateA);
    server->publish(kStateB);
    Reply r = get(*server, "/state?t=12345");
    ASSERT_EQ(r.status, 200);
    EXPECT_TRUE(r.has("Cache-Control: no-store\r\n"));
    EXPECT_EQ(r.body, kStateB + "\n");
    r = request(*server, "HEAD /state HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(r.has("Content-Length: " + std::to_string(kStateB.size() + 1) + "\r\n"));
    EXPECT_EQ(r.body, "");

    {
        RawClient slow(server->port());
        for (char ch : std::string("GET /state HTTP/1.1\r\nHost: x\r\n\r\n")) {
            slow.send(std::string(1, ch));
            pump(*server, 1);
        }
        EXPECT_EQ(parseReply(slow.readToClose(*server)).body, kStateB + "\n");
    }
    pump(*server, 20);
    EXPECT_EQ(server->connectionCount(), 0u) << "closed once the replies were out";
}

TEST(MonitorServer, EventStreamSendsTheLatestStateAtOnceThenEachNewOne) {
    auto server = startedServer();
    RawClient early(server->port());
    early.send(kStreamRequest);
    EXPECT_TRUE(events(early.readFor(*server, 30)).empty()) << "nothing before the first cycle";
    server->publish(kStateA);
    RawClient late(server->port());
    late.send(kStreamRequest);
    const Reply head = parseReply(late.readUntil(*server, hasEvents(1)));
    ASSERT_EQ(head.status, 200);
    EXPECT_FALSE(head.has("Content-Length"));
    EXPECT_EQ(head.body.rfind("retry: 1000\n\n", 0), 0u) << "the browser reconnects after a second";

    server->publish(kStateB);
    // A line break in a state must not end its event early: each line is a data line.
    server->publish("{\"a\":1,\r\n\"b\":2,\r\"c\":3,\n\n\"d\":4}");
    const std::vector<std::string> expected = {"data: " + kStateA, "data: " + kStateB,
                                               "data: {\"a\":1,\ndata: \"b\":2,\ndata: \"c\":3,\ndata: \ndata: \"d\":4}"};
    EXPECT_EQ(events(late.readUntil(*server, hasEvents(3))), expected);
    EXPECT_EQ(events(early.readUntil(*server, hasEvents(3))), expected);
    EXPECT_EQ(server->streamCount(), 2u);
}

TEST(MonitorServer, RefusesMalformedRequestsUnknownPathsAndOtherMethods) {
    MonitorLimits limits;
    limits.maxRequestBytes = 1024;
    auto server = startedServer(limits);
    const std::string filler = "GET / HTTP/1.1\r\nX-Filler: ";
    const std::vector<std::pair<std::string, int>> cases = {
        {"HELLO\r\n\r\n", 400},
        {"GET / HTTP/2.0\r\n\r\n", 400},
        {std::string("GET / HTTP/1.1\r\nX: \0\r\n\r\n", 24), 400},
        // A head that never ends is refused once it passes the limit; one exactly at it is served.
        {filler + std::string(2000, 'a'), 400},
        {filler + std::string(1024 - filler.size() - 4, 'a') + "\r\n\r\n", 200},
        {filler + std::string(1024 - filler.size() - 3, 'a') + "\r\n\r\n", 400},
        {"GET /../etc/passwd HTTP/1.1\r\n\r\n", 404},
        {"POST /state HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", 405},
        // Hand-typed requests with bare line feeds and a stray empty line first are fine.
        {"\nGET / HTTP/1.0\n\n", 200},
    };
    for (const auto& [raw, status] : cases) {
        const Reply r = request(*server, raw);
        EXPECT_EQ(r.status, status) << raw.substr(0, 60);
        if (status == 405) {
            EXPECT_TRUE(r.has("Allow: GET, HEAD\r\n"));
        }
    }
    EXPECT_EQ(server->stats().badRequests, 5);
}

TEST(MonitorServer, ServesSixteenConnectionsWhereIdleOnesGiveWayToNewBrowsers) {
    std::vector<std::string> log;
    auto server = startedServer(MonitorLimits(), &log);
    server->publish(kStateA);
    std::vector<std::unique_ptr<RawClient>> streams;
    for (int i = 0; i < 15; ++i) {
        streams.push_back(std::make_unique<RawClient>(server->port()));
        streams.back()->send(kStreamRequest);
        pump(*server, 2);
    }
    RawClient idle(server->port());  // opened ahead of need, as browsers do
    pump(*server, 20);
    ASSERT_EQ(server->connectionCount(), 16u);
    EXPECT_EQ(get(*server, "/state").status, 200) << "the idle connection made room";
    EXPECT_TRUE(idle.readFor(*server, 20).empty());
    EXPECT_TRUE(idle.closedByServer());

    streams.push_back(std::make_unique<RawClient>(server->port()));
    streams.back()->send(kStreamRequest);
    pump(*server, 20);
    ASSERT_EQ(server->streamCount(), 16u);
    const Reply busy = get(*server, "/");
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(busy.body, "too many monitor connections\n");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("already 16 connections"), std::string::npos);
    server->publish(kStateB);
    for (auto& s : streams) EXPECT_EQ(events(s->readUntil(*server, hasEvents(2))).size(), 2u);
}

TEST(MonitorServer, StreamBehindSkipsStatesCatchesUpWithTheNewestAndIsDroppedWhenStalled) {
    MonitorLimits limits;
    limits.maxStreamBacklog = 64 * 1024;
    limits.maxSkippedStates = 300;
    std::vector<std::string> log;
    auto server = startedServer(limits, &log);
    RawClient slow(server->port(), 4096);
    slow.send(kStreamRequest);
    RawClient reader(server->port());
    reader.send(kStreamRequest);
    pump(*server, 20);
    // States of 32 KiB: the kernel's buffers fill, then the server's backlog.
    const std::string big = "{\"pad\":\"" + std::string(32 * 1024, 'x') + "\",\"n\":";
    for (int i = 0; i < 200; ++i) server->publish(big + std::to_string(i) + "}");
    server->publish(kStateA);
    const std::vector<std::string> seen = events(slow.readUntil(*server, [](const std::string& s) {
        return s.find(kStateA) != std::string::npos;
    }, 5000));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "data: " + kStateA) << "the newest state once caught up";
    EXPECT_LT(seen.size(), 150u) << "states were left out while it was behind";

    // It stops reading altogether: dropped, while the other stream goes on.
    for (int i = 0; server->stats().streamsDropped == 0 && i < 3000; ++i) {
        server->publish(big + std::to_string(i) + "}");
        reader.readFor(*server, 0);
        reader.forget();
    }
    EXPECT_EQ(server->stats().streamsDropped, 1);
    EXPECT_EQ(server->streamCount(), 1u);
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("stopped reading"), std::string::npos);
    server->publish(kStateB);
    EXPECT_NE(reader.readUntil(*server, [](const std::string& s) { return s.find(kStateB) != std::string::npos; })
                  .find(kStateB),
              std::string::npos);
}

TEST(MonitorServer, UnfinishedRequestTimesOutAndALeavingBrowserIsForgotten) {
    MonitorLimits limits;
    limits.requestTimeout = 0.1;
    auto server = startedServer(limits);
    RawClient slowloris(server->port());
    slowloris.send("GET / HTTP/1.1\r\nX-A: 1\r\n");
    auto stream = std::make_unique<RawClient>(server->port());
    stream->send(kStreamRequest);
    slowloris.readFor(*server, 200);
    EXPECT_TRUE(slowloris.closedByServer());
    EXPECT_EQ(server->connectionCount(), 1u) << "a stream has no time limit";
    stream.reset();
    pump(*server, 30);
    EXPECT_EQ(server->connectionCount(), 0u);
}
