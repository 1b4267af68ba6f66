// The web monitor's HTTP side, driven by a poll loop in the test's own thread
// and talked to over real sockets: the latest state, refusals by the rules,
// and the event stream's framing; and the page it serves, built from its files.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <chrono>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "monitor/MonitorPage.h"
#include "monitor/MonitorServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// One round of the owner's poll loop.
void pump(MonitorServer& server) {
    std::vector<pollfd> fds;
    server.addPollFds(fds);
    ::poll(fds.data(), fds.size(), 2);
    server.handlePoll(fds);
}

// A browser reduced to a socket; it never blocks, so the server can be pumped
// in the same thread while it waits.
class RawClient {
public:
    explicit RawClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    }
    ~RawClient() { ::close(fd_); }
    void send(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Pumps the server and reads until it closes or `ms` have passed.
    const std::string& read(MonitorServer& server, int ms = 3000) {
        for (const auto end = Clock::now() + std::chrono::milliseconds(ms); !closed && Clock::now() < end;) {
            pump(server);
            char buf[65536];
            ssize_t n;
            while ((n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT)) > 0) in.append(buf, static_cast<size_t>(n));
            closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        }
        return in;
    }
    bool closed = false;
    std::string in;

private:
    int fd_;
};

int status(const std::string& reply) { return reply.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(reply.c_str() + 9) : 0; }

std::string request(MonitorServer& server, const std::string& raw) {
    RawClient c(server.port());
    c.send(raw);
    const std::string reply = c.read(server);
    EXPECT_TRUE(c.closed) << "the reply ends with the connection";
    return reply;
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

const std::string kStateA = R"({"cycle":1,"play_mode":"BeforeKickOff","robots":[]})";
const std::string kStateB = R"({"cycle":2,"play_mode":"KickOff_Left","robots":[]})";

}  // namespace

TEST(MonitorServer, AnswersTheLatestStateAndRefusesBadRequestsByTheRules) {
    MonitorLimits limits;
    limits.maxRequestBytes = 1024;
    MonitorServer server(MonitorField(), {}, limits);
    std::string error;
    ASSERT_TRUE(server.start(0, error)) << error;
    EXPECT_EQ(status(request(server, "GET /state HTTP/1.1\r\n\r\n")), 503);
    server.publish(kStateA);
    server.publish(kStateB);
    RawClient slow(server.port());
    for (char ch : std::string("GET /state?t=1 HTTP/1.1\r\nHost: x\r\n\r\n")) {
        slow.send(std::string(1, ch));
        pump(server);
    }
    const std::string& reply = slow.read(server);
    EXPECT_EQ(reply.substr(reply.find("\r\n\r\n") + 4), kStateB + "\n") << "the latest, asked byte by byte";

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
        {"\nGET / HTTP/1.0\n\n", 200},  // hand-typed, with bare line feeds
        // A header's name is a token: letters, digits and !#$%&'*+-.^_`|~, nothing else.
        {"GET / HTTP/1.1\r\nX-a!#$%&'*+.^_`|~9: y\r\n\r\n", 200},
        {"GET / HTTP/1.1\r\nBad Header: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\n: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nHost : x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\n X: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nX(y): x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nX\ty: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nNo colon\r\n\r\n", 400},
    };
    for (const auto& [raw, code] : cases) EXPECT_EQ(status(request(server, raw)), code) << raw.substr(0, 60);
    EXPECT_EQ(server.stats().badRequests, 12);
}

// The page is built from its files (monitor.html, .css, .js and the
// replay's) into one document: every file inline, the field's measures and
// the replay switch filled in, and the replay's script before the start.
TEST(MonitorPage, EveryFileIsInlineAndEveryMarkerFilled) {
    const MonitorField odd{9.0, 6.0, 2.1};
    for (const bool replay : {false, true}) {
        SCOPED_TRACE(replay ? "replay" : "live");
        const std::string page = replay ? MonitorPage::replayHtml(odd) : MonitorPage::html(odd);
        EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
        EXPECT_EQ(page.find("/*@"), std::string::npos) << "a marker left";
        EXPECT_EQ(page.find("<link"), std::string::npos) << "the style is inline";
        EXPECT_EQ(page.find("<script src"), std::string::npos) << "the script is inline";
        EXPECT_EQ(page.find("<!-- replay.html -->"), std::string::npos);
        EXPECT_NE(page.find("<style>\nhtml, body {"), std::string::npos);
        EXPECT_NE(page.find("const FIELD = {\"length\":9.000,\"width\":6.000,\"goal_width\":2.100};"), std::string::npos);
        EXPECT_NE(page.find(replay ? "const REPLAY = true;" : "const REPLAY = false;"), std::string::npos);
        const size_t start = page.find("window.addEventListener(\"resize\", requestDraw);");
        const size_t replayScript = page.find("function startReplay()");
        ASSERT_NE(start, std::string::npos);
        EXPECT_EQ(replayScript != std::string::npos, replay);
        if (replay) {
            EXPECT_LT(replayScript, start) << "defined before the page starts";
        }
        EXPECT_EQ(page.find("<div id=\"timeline\">") != std::string::npos, replay);
        EXPECT_EQ(page.find("#timeline {") != std::string::npos, replay);
        EXPECT_EQ(page.substr(page.size() - 16), "</body>\n</html>\n");
    }
    const std::string fallback = MonitorPage::html(MonitorField{NAN, -1.0, 0.0});
    EXPECT_NE(fallback.find("const FIELD = {\"length\":12.000,\"width\":8.000,\"goal_width\":1.400};"), std::string::npos)
        << "nonsense measures give the standard field's";
}

TEST(MonitorServer, EventStreamSendsTheLatestStateAtOnceThenEachNewOneLineByLine) {
    MonitorServer server{MonitorField()};
    std::string error;
    ASSERT_TRUE(server.start(0, error)) << error;
    server.publish(kStateA);
    RawClient c(server.port());
    c.send("GET /events HTTP/1.1\r\nAccept: text/event-stream\r\n\r\n");
    EXPECT_EQ(events(c.read(server, 100)), std::vector<std::string>{"data: " + kStateA});
    server.publish(kStateB);
    // A line break in a state must not end its event early: each line is a data line.
    server.publish("{\"a\":1,\r\n\"b\":2,\r\"c\":3,\n\n\"d\":4}");
    const std::vector<std::string> expected = {"data: " + kStateA, "data: " + kStateB,
                                               "data: {\"a\":1,\ndata: \"b\":2,\ndata: \"c\":3,\ndata: \ndata: \"d\":4}"};
    EXPECT_EQ(events(c.read(server, 100)), expected);
}

// Browsers are not trusted to behave: the number of connections is capped (an
// idle one gives way first), a head that never ends times out, and a stream
// that stops reading is dropped instead of growing without bound.
TEST(MonitorServer, ConnectionCapIdleEvictionTimeoutAndStalledStreams) {
    MonitorLimits limits;
    limits.maxConnections = 2;
    limits.maxStreamBacklog = 1024;
    limits.maxStalledStates = 3;
    limits.requestTimeout = 0.3;
    MonitorServer server(MonitorField(), {}, limits);
    std::string error;
    ASSERT_TRUE(server.start(0, error)) << error;
    server.publish(kStateA);

    RawClient idle(server.port());
    RawClient stalled(server.port());
    stalled.send("GET /events HTTP/1.1\r\n\r\n");
    stalled.read(server, 100);
    RawClient unfinished(server.port());  // takes the idle one's place
    unfinished.send("GET / HTTP/1.1\r\n");
    EXPECT_TRUE(idle.read(server, 200).empty());
    EXPECT_TRUE(idle.closed) << "the idle connection gave way";
    RawClient third(server.port());
    EXPECT_EQ(status(third.read(server)), 503) << "two busy connections: the cap holds";
    EXPECT_EQ(server.stats().turnedAway, 1);
    unfinished.read(server, 1000);
    EXPECT_TRUE(unfinished.closed) << "a head that never ends times out";

    const std::string big = "{\"pad\":\"" + std::string(100000, 'x') + "\"}";
    for (int i = 0; i < 400 && server.stats().streamsDropped == 0; ++i) {
        server.publish(big);
        pump(server);
    }
    EXPECT_EQ(server.stats().streamsDropped, 1) << "the stream that stopped reading";
}

// A replay answers some paths itself: its handler is asked first, sees the
// query, and leaves what it declines to the monitor's own paths.
TEST(MonitorServer, AnOwnersHandlerAnswersFirstAndReadsTheQuery) {
    MonitorServer server(std::string("<p>recorded</p>"), {});
    server.setHandler([](const MonitorRequest& r, MonitorReply& reply) {
        std::string t;
        if (r.path() != "/state" || !r.parameter("t", t)) return false;
        reply.contentType = "text/plain";
        reply.body = "t=" + t;
        return true;
    });
    std::string error;
    ASSERT_TRUE(server.start(0, error)) << error;
    const std::string asked = request(server, "GET /state?x=1&t=2.5#here HTTP/1.1\r\n\r\n");
    EXPECT_EQ(asked.substr(asked.find("\r\n\r\n") + 4), "t=2.5");
    EXPECT_EQ(status(request(server, "GET /state?tt=3 HTTP/1.1\r\n\r\n")), 503) << "declined: the monitor's own /state";
    const std::string page = request(server, "GET / HTTP/1.1\r\n\r\n");
    EXPECT_EQ(page.substr(page.find("\r\n\r\n") + 4), "<p>recorded</p>");
    const std::string head = request(server, "HEAD /state?t=1 HTTP/1.1\r\n\r\n");
    EXPECT_NE(head.find("Content-Length: 3\r\n"), std::string::npos) << head;
    EXPECT_EQ(head.substr(head.find("\r\n\r\n") + 4), "") << "a HEAD answer has no body";

    const std::vector<std::tuple<std::string, std::string, bool, std::string>> queries = {
        {"/s?t", "t", true, ""},        {"/s?a=1&t=&b", "t", true, ""}, {"/s?a=t", "t", false, ""},
        {"/s?t=1&t=2", "t", true, "1"}, {"/s#t=1", "t", false, ""},     {"/s?from=5&count=9", "count", true, "9"}};
    for (const auto& [target, name, found, value] : queries) {
        MonitorRequest r;
        ASSERT_EQ(r.parse("GET " + target + " HTTP/1.1\r\n\r\n", 1024), MonitorRequest::Status::Complete);
        EXPECT_EQ(r.path(), "/s");
        std::string got;
        EXPECT_EQ(r.parameter(name, got), found) << target;
        EXPECT_EQ(got, value) << target;
    }
}
