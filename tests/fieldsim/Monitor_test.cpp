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
#include <cstdio>
#include <limits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MonitorPage.h"
#include "MonitorRequest.h"
#include "MonitorServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// One round of the owner's poll loop.
void pumpOnce(MonitorServer& server, int waitMs = 2) {
    std::vector<pollfd> fds;
    server.addPollFds(fds);
    ::poll(fds.data(), fds.size(), waitMs);
    server.handlePoll(fds);
}

void pump(MonitorServer& server, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    do {
        pumpOnce(server);
    } while (Clock::now() < end);
}

// A browser reduced to a socket. Reads never block, so the server can be
// pumped in the same thread while waiting.
class RawClient {
public:
    explicit RawClient(int port, int receiveBuffer = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0) {
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~RawClient() { close(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool ok() const { return fd_ >= 0; }
    bool send(const std::string& bytes) {
        return ok() && ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Reads, pumping the server meanwhile, until `done` holds for what was
    // received, the server closes, or time runs out.
    std::string readUntil(MonitorServer& server, const std::function<bool(const std::string&)>& done,
                          int timeoutMs = 3000) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (ok() && !closed_ && !done(in_) && Clock::now() < end) {
            pumpOnce(server);
            drain();
        }
        return in_;
    }
    std::string readToClose(MonitorServer& server, int timeoutMs = 3000) {
        return readUntil(server, [](const std::string&) { return false; }, timeoutMs);
    }
    std::string readSome(MonitorServer& server, int ms) {
        pump(server, ms);
        drain();
        return in_;
    }
    bool closedByServer() const { return closed_; }
    void forget() { in_.clear(); }

private:
    void drain() {
        char buf[65536];
        for (;;) {
            const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0) {
                in_.append(buf, static_cast<size_t>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) closed_ = true;
            return;
        }
    }

    int fd_ = -1;
    bool closed_ = false;
    std::string in_;
};

struct Reply {
    int status = 0;
    std::string head;
    std::string body;
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
    EXPECT_TRUE(c.send(raw));
    const std::string got = c.readToClose(server);
    EXPECT_TRUE(c.closedByServer()) << "the reply should end with the connection";
    return parseReply(got);
}

Reply get(MonitorServer& server, const std::string& target) {
    return request(server, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

// The events in a stream's text after its head: each "data:" block.
std::vector<std::string> events(const std::string& stream) {
    std::vector<std::string> out;
    size_t at = stream.find("\r\n\r\n");
    at = at == std::string::npos ? 0 : at + 4;
    for (;;) {
        const size_t end = stream.find("\n\n", at);
        if (end == std::string::npos) break;
        const std::string block = stream.substr(at, end - at);
        if (block.rfind("data: ", 0) == 0) out.push_back(block);
        at = end + 2;
    }
    return out;
}

// A request as a readable test message: controls and other bytes escaped.
std::string shown(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out;
}

const std::string kStateA = R"({"cycle":1,"time":0.020,"play_mode":"BeforeKickOff","robots":[]})";
const std::string kStateB = R"({"cycle":2,"time":0.040,"play_mode":"KickOff_Left","robots":[]})";
const std::string kStateC = R"({"cycle":3,"time":0.060,"play_mode":"PlayOn","robots":[]})";

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

TEST(MonitorServer, ListensOnLoopbackFreePortAndRefusesATakenOne) {
    auto server = startedServer();
    ASSERT_GT(server->port(), 0);
    MonitorServer second(MonitorField{});
    std::string error;
    EXPECT_FALSE(second.start(server->port(), error));
    EXPECT_NE(error.find(std::to_string(server->port())), std::string::npos) << error;
    EXPECT_FALSE(second.listening());
    EXPECT_FALSE(second.start(70000, error));
    // Stopping frees the port for another monitor.
    const int port = server->port();
    server->stop();
    EXPECT_TRUE(second.start(port, error)) << error;
}

TEST(MonitorServer, PageIsSelfContainedAndDrawsTheConfiguredField) {
    MonitorField field;
    field.length = 20.0;
    field.width = 13.5;
    field.goalWidth = 2.1;
    auto server = startedServer(MonitorLimits(), nullptr, field);
    for (const std::string target : {"/", "/index.html", "/?poll"}) {
        const Reply r = get(*server, target);
        ASSERT_EQ(r.status, 200) << target;
        EXPECT_TRUE(r.has("Content-Type: text/html; charset=utf-8\r\n"));
        EXPECT_TRUE(r.has("Content-Length: " + std::to_string(r.body.size()) + "\r\n"));
        EXPECT_NE(r.body.find("<canvas"), std::string::npos);
        EXPECT_NE(r.body.find(R"({"length":20.000,"width":13.500,"goal_width":2.100})"), std::string::npos);
        EXPECT_EQ(r.body.find("@FIELD@"), std::string::npos);
        // Nothing is fetched from elsewhere: the monitor works without a network.
        EXPECT_EQ(r.body.find("http://"), std::string::npos);
        EXPECT_EQ(r.body.find("https://"), std::string::npos);
        EXPECT_EQ(r.body.find(" src="), std::string::npos);
        EXPECT_EQ(r.body.find("</html>"), r.body.size() - 8);
    }
    // Unusable measures fall back to the default field rather than breaking the script.
    field.length = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(MonitorPage::html(field).find(R"({"length":12.000,"width":13.500,)"), std::string::npos);
}

TEST(MonitorServer, StateIsTheLatestPublishedLine) {
    auto server = startedServer();
    Reply r = get(*server, "/state");
    EXPECT_EQ(r.status, 503);
    EXPECT_TRUE(r.has("Retry-After: 1\r\n"));
    server->publish(kStateA);
    server->publish(kStateB);
    r = get(*server, "/state?t=12345");
    ASSERT_EQ(r.status, 200);
    EXPECT_TRUE(r.has("Content-Type: application/json\r\n"));
    EXPECT_TRUE(r.has("Cache-Control: no-store\r\n"));
    EXPECT_EQ(r.body, kStateB + "\n");
    r = request(*server, "HEAD /state HTTP/1.0\r\n\r\n");
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.has("Content-Length: " + std::to_string(kStateB.size() + 1) + "\r\n"));
    EXPECT_EQ(r.body, "");
    pump(*server, 20);
    EXPECT_EQ(server->connectionCount(), 0u) << "closed once the reply was out";
}

TEST(MonitorServer, EventStreamSendsTheLatestStateAtOnceThenEachNewOne) {
    auto server = startedServer();
    server->publish(kStateA);
    RawClient c(server->port());
    ASSERT_TRUE(c.send("GET /events HTTP/1.1\r\nAccept: text/event-stream\r\n\r\n"));
    std::string got = c.readUntil(*server, [](const std::string& s) { return events(s).size() >= 1; });
    const Reply head = parseReply(got);
    ASSERT_EQ(head.status, 200);
    EXPECT_TRUE(head.has("Content-Type: text/event-stream\r\n"));
    EXPECT_FALSE(head.has("Content-Length"));
    EXPECT_EQ(head.body.rfind("retry: 1000\n\n", 0), 0u) << "the browser reconnects after a second";
    ASSERT_EQ(events(got), std::vector<std::string>{"data: " + kStateA});
    EXPECT_EQ(server->streamCount(), 1u);

    server->publish(kStateB);
    server->publish(kStateC);
    got = c.readUntil(*server, [](const std::string& s) { return events(s).size() >= 3; });
    EXPECT_EQ(events(got), (std::vector<std::string>{"data: " + kStateA, "data: " + kStateB, "data: " + kStateC}));
    EXPECT_FALSE(c.closedByServer());

    // A stream opened before the first cycle starts with nothing but the retry time.
    auto fresh = startedServer();
    RawClient early(fresh->port());
    ASSERT_TRUE(early.send("GET /events HTTP/1.1\r\n\r\n"));
    got = early.readSome(*fresh, 50);
    EXPECT_TRUE(events(got).empty());
    fresh->publish(kStateA);
    got = early.readUntil(*fresh, [](const std::string& s) { return !events(s).empty(); });
    EXPECT_EQ(events(got), std::vector<std::string>{"data: " + kStateA});
}

TEST(MonitorServer, LineBreaksInAStateCannotEndAnEventEarly) {
    auto server = startedServer();
    RawClient c(server->port());
    ASSERT_TRUE(c.send("GET /events HTTP/1.1\r\n\r\n"));
    c.readSome(*server, 30);
    server->publish("{\"a\":1,\r\n\"b\":2,\r\"c\":3,\n\n\"d\":4}");
    const std::string got = c.readUntil(*server, [](const std::string& s) { return s.find("\"d\"") != std::string::npos; });
    EXPECT_NE(got.find("data: {\"a\":1,\ndata: \"b\":2,\ndata: \"c\":3,\ndata: \ndata: \"d\":4}\n\n"), std::string::npos)
        << got;
}

TEST(MonitorServer, RefusesMalformedRequestsAndUnknownPaths) {
    auto server = startedServer();
    struct Case {
        std::string request;
        int status;
    };
    const std::vector<Case> cases = {
        {"HELLO\r\n\r\n", 400},
        {"GET /\r\n\r\n", 400},
        {"GET / HTTP/1.1 extra\r\n\r\n", 400},
        {"GET  / HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/2.0\r\n\r\n", 400},
        {"GET state HTTP/1.1\r\n\r\n", 400},
        {"GET http://127.0.0.1/ HTTP/1.1\r\n\r\n", 400},
        {"GET /sta\x01te HTTP/1.1\r\n\r\n", 400},
        {"GET /caf\xc3\xa9 HTTP/1.1\r\n\r\n", 400},
        {"G(T / HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nno colon here\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\n: empty name\r\n\r\n", 400},
        {"\r\n\r\n", 400},
        {"GET /favicon.ico HTTP/1.1\r\n\r\n", 404},
        {"GET /state/ HTTP/1.1\r\n\r\n", 404},
        {"GET /../etc/passwd HTTP/1.1\r\n\r\n", 404},
        {"POST /state HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", 405},
        {"DELETE / HTTP/1.1\r\n\r\n", 405},
        // Hand-typed requests with bare line feeds and a stray empty line first are fine.
        {"GET / HTTP/1.0\n\n", 200},
        {"\r\nGET / HTTP/1.1\r\nHost: x\r\n\r\n", 200},
    };
    for (const Case& c : cases) {
        const Reply r = request(*server, c.request);
        EXPECT_EQ(r.status, c.status) << shown(c.request);
        if (c.status == 405) {
            EXPECT_TRUE(r.has("Allow: GET, HEAD\r\n"));
        }
    }
    EXPECT_EQ(server->stats().badRequests, 13);
    pump(*server, 20);
    EXPECT_EQ(server->connectionCount(), 0u);
}

TEST(MonitorServer, OversizedRequestIsRefusedWithoutWaitingForItsEnd) {
    MonitorLimits limits;
    limits.maxRequestBytes = 1024;
    auto server = startedServer(limits);
    RawClient c(server->port());
    // A head that never ends: refused once it passes the limit.
    ASSERT_TRUE(c.send("GET / HTTP/1.1\r\nX-Filler: " + std::string(2000, 'a')));
    const Reply r = parseReply(c.readToClose(*server));
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.body.find("longer than 1024 bytes"), std::string::npos);
    EXPECT_TRUE(c.closedByServer());
    // Exactly at the limit is still a request.
    const std::string start = "GET /state HTTP/1.1\r\nX-Filler: ";
    const std::string exact = start + std::string(1024 - start.size() - 4, 'b') + "\r\n\r\n";
    ASSERT_EQ(exact.size(), 1024u);
    EXPECT_EQ(request(*server, exact).status, 503);
    EXPECT_EQ(request(*server, start + std::string(1024 - start.size() - 3, 'b') + "\r\n\r\n").status, 400);
}

TEST(MonitorServer, RequestArrivingByteByByteIsAnswered) {
    auto server = startedServer();
    server->publish(kStateA);
    RawClient c(server->port());
    const std::string req = "GET /state HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    for (char ch : req) {
        ASSERT_TRUE(c.send(std::string(1, ch)));
        pump(*server, 1);
    }
    const Reply r = parseReply(c.readToClose(*server));
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, kStateA + "\n");
}

TEST(MonitorServer, ServesSixteenStreamsAndTurnsTheSeventeenthAway) {
    std::vector<std::string> log;
    auto server = startedServer(MonitorLimits(), &log);
    std::vector<std::unique_ptr<RawClient>> streams;
    for (int i = 0; i < 16; ++i) {
        streams.push_back(std::make_unique<RawClient>(server->port()));
        ASSERT_TRUE(streams.back()->send("GET /events HTTP/1.1\r\n\r\n"));
        pump(*server, 2);
    }
    pump(*server, 20);
    ASSERT_EQ(server->streamCount(), 16u);
    server->publish(kStateA);
    for (auto& s : streams) {
        const std::string got = s->readUntil(*server, [](const std::string& t) { return !events(t).empty(); });
        EXPECT_EQ(events(got), std::vector<std::string>{"data: " + kStateA});
    }
    const Reply busy = get(*server, "/");
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(busy.body, "too many monitor connections\n");
    EXPECT_EQ(server->stats().turnedAway, 1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("already 16 connections"), std::string::npos);

    // One stream leaves; the next browser gets its place.
    streams.pop_back();
    pump(*server, 20);
    EXPECT_EQ(server->streamCount(), 15u);
    EXPECT_EQ(get(*server, "/state").status, 200);
}

TEST(MonitorServer, IdleSpareConnectionGivesWayToANewBrowser) {
    MonitorLimits limits;
    limits.maxConnections = 3;
    auto server = startedServer(limits);
    server->publish(kStateA);
    RawClient stream(server->port());
    ASSERT_TRUE(stream.send("GET /events HTTP/1.1\r\n\r\n"));
    RawClient partial(server->port());
    ASSERT_TRUE(partial.send("GET /sta"));
    RawClient idle(server->port());  // opened ahead of need, as browsers do
    pump(*server, 20);
    ASSERT_EQ(server->connectionCount(), 3u);
    EXPECT_EQ(get(*server, "/state").status, 200) << "the idle connection made room for this one";
    idle.readSome(*server, 20);
    EXPECT_TRUE(idle.closedByServer());
    EXPECT_FALSE(partial.closedByServer());
    EXPECT_EQ(server->streamCount(), 1u);
    EXPECT_EQ(server->stats().turnedAway, 0);
}

TEST(MonitorServer, StalledStreamSkipsStatesThenIsDroppedWithoutHoldingUpOthers) {
    MonitorLimits limits;
    limits.maxStreamBacklog = 64 * 1024;
    limits.maxSkippedStates = 20;
    std::vector<std::string> log;
    auto server = startedServer(limits, &log);
    RawClient stalled(server->port(), 4096);
    ASSERT_TRUE(stalled.send("GET /events HTTP/1.1\r\n\r\n"));
    RawClient reader(server->port());
    ASSERT_TRUE(reader.send("GET /events HTTP/1.1\r\n\r\n"));
    pump(*server, 20);
    ASSERT_EQ(server->streamCount(), 2u);

    // States of 32 KiB each: the kernel's buffers fill, then the server's backlog.
    const std::string big = "{\"pad\":\"" + std::string(32 * 1024, 'x') + "\",\"n\":";
    int published = 0;
    while (server->stats().streamsDropped == 0 && published < 3000) {
        server->publish(big + std::to_string(published++) + "}");
        reader.readSome(*server, 0);
        reader.forget();
    }
    EXPECT_EQ(server->stats().streamsDropped, 1);
    EXPECT_EQ(server->streamCount(), 1u);
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("stopped reading"), std::string::npos);
    // The reader still gets every new state.
    server->publish(kStateC);
    const std::string got = reader.readUntil(*server, [](const std::string& s) { return s.find(kStateC) != std::string::npos; });
    EXPECT_NE(got.find(kStateC), std::string::npos);
}

TEST(MonitorServer, StreamThatFallsBehindCatchesUpWithTheNewestState) {
    MonitorLimits limits;
    limits.maxStreamBacklog = 64 * 1024;
    auto server = startedServer(limits);
    RawClient slow(server->port(), 4096);
    ASSERT_TRUE(slow.send("GET /events HTTP/1.1\r\n\r\n"));
    pump(*server, 20);
    const std::string big = "{\"pad\":\"" + std::string(32 * 1024, 'x') + "\",\"n\":";
    for (int i = 0; i < 200; ++i) server->publish(big + std::to_string(i) + "}");
    EXPECT_EQ(server->stats().streamsDropped, 0);
    server->publish(kStateC);
    // Reading again, the browser receives a prefix of the states, then the newest.
    const std::string got = slow.readUntil(*server, [](const std::string& s) { return s.find(kStateC) != std::string::npos; }, 5000);
    const std::vector<std::string> seen = events(got);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "data: " + kStateC);
    EXPECT_LT(seen.size(), 200u) << "states were left out while it was behind";
}

TEST(MonitorServer, UnfinishedRequestTimesOutAndALeavingBrowserIsForgotten) {
    MonitorLimits limits;
    limits.requestTimeout = 0.1;
    auto server = startedServer(limits);
    RawClient slowloris(server->port());
    ASSERT_TRUE(slowloris.send("GET / HTTP/1.1\r\nX-A: 1\r\n"));
    RawClient stream(server->port());
    ASSERT_TRUE(stream.send("GET /events HTTP/1.1\r\n\r\n"));
    pump(*server, 30);
    EXPECT_EQ(server->connectionCount(), 2u);
    slowloris.readSome(*server, 200);
    EXPECT_TRUE(slowloris.closedByServer());
    EXPECT_EQ(server->connectionCount(), 1u) << "a stream has no time limit";
    stream.close();
    pump(*server, 30);
    EXPECT_EQ(server->connectionCount(), 0u);
    server->publish(kStateA);  // nobody left to send to
}

TEST(MonitorRequest, FindsTheEndOfTheHeadAndKeepsMethodAndPath) {
    MonitorRequest r;
    EXPECT_EQ(r.parse("", 100), MonitorRequest::Status::Incomplete);
    EXPECT_EQ(r.parse("GET /state HTTP/1.1\r\nHost: a\r\n", 100), MonitorRequest::Status::Incomplete);
    ASSERT_EQ(r.parse("GET /state?x=1#f HTTP/1.1\r\nHost: a\r\n\r\nbody", 100), MonitorRequest::Status::Complete);
    EXPECT_EQ(r.method(), "GET");
    EXPECT_EQ(r.path(), "/state");
    EXPECT_EQ(r.headLength(), 38u);
    ASSERT_EQ(r.parse("HEAD /#top HTTP/1.0\n\n", 100), MonitorRequest::Status::Complete);
    EXPECT_EQ(r.method(), "HEAD");
    EXPECT_EQ(r.path(), "/");
    EXPECT_EQ(r.headLength(), 21u);
    // Too long is told as soon as the limit is passed, whether or not the head has ended.
    EXPECT_EQ(r.parse(std::string(101, 'G'), 100), MonitorRequest::Status::TooLarge);
    EXPECT_EQ(r.parse("GET / HTTP/1.1\r\nX: " + std::string(100, 'a') + "\r\n\r\n", 100),
              MonitorRequest::Status::TooLarge);
    const char withNul[] = "GET / HTTP/1.1\r\nX:\0y\r\n\r\n";
    EXPECT_EQ(r.parse(std::string(withNul, sizeof withNul - 1), 100), MonitorRequest::Status::Bad);
    EXPECT_FALSE(r.problem().empty());
}
