// The web monitor: a small HTTP server on 127.0.0.1 that serves one page
// drawing the match and streams every published state (the truth-log line of
// a cycle) to the browsers watching it, as server-sent events on /events or
// one at a time on /state for polling.
//
// It has no thread of its own: the owner's poll() loop asks it for the
// descriptors to watch (addPollFds), hands back what poll() found
// (handlePoll) and publishes each cycle's state (publish). Nothing blocks, and
// a slow or hostile browser costs bounded memory: requests are bounded in
// size and time, a stream that falls behind skips states and is dropped when
// it stops reading altogether (counted from when its backlog stopped
// draining), and the number of connections is capped.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "monitor/MonitorConnection.h"
#include "monitor/MonitorPage.h"
#include "monitor/MonitorRequest.h"

struct MonitorLimits {
    size_t maxConnections = 16;
    size_t maxRequestBytes = 8 * 1024;
    // A stream with more than this waiting to go out gets no new states
    // until it catches up.
    size_t maxStreamBacklog = 512 * 1024;
    // A stream whose backlog has not moved at all while this many states
    // were published is dropped (10 s of cycles).
    long long maxStalledStates = 500;
    // What the system may hold for a stream beyond our own backlog; small, so
    // that a browser that reads nothing shows as stalled in seconds.
    int streamSocketBuffer = 64 * 1024;
    double requestTimeout = 10.0;  // s to send a whole request head
    double replyTimeout = 30.0;    // s to take a whole reply
    double closeTimeout = 2.0;     // s for the browser to close after a reply
};

struct MonitorStats {
    long long connections = 0;   // accepted
    long long turnedAway = 0;    // refused with 503: too many connections
    long long badRequests = 0;   // answered 400
    long long streamsDropped = 0;
    long long statesPublished = 0;
};

// An answer the owner gives for a request (see MonitorServer::setHandler).
struct MonitorReply {
    std::string status = "200 OK";
    std::string contentType = "application/json";
    std::string body;
};

class MonitorServer {
public:
    using Logger = std::function<void(const std::string&)>;
    // Asked first for every GET and HEAD; true when it has filled the reply,
    // false to leave the request to the monitor's own paths.
    using Handler = std::function<bool(const MonitorRequest&, MonitorReply&)>;

    // Serves the live page of a field of these measures.
    explicit MonitorServer(const MonitorField& field, Logger logger = Logger(),
                           const MonitorLimits& limits = MonitorLimits());
    // Serves `page` at "/" instead.
    MonitorServer(std::string page, Logger logger, const MonitorLimits& limits = MonitorLimits());
    ~MonitorServer();
    MonitorServer(const MonitorServer&) = delete;
    MonitorServer& operator=(const MonitorServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port); on failure `error` says why.
    bool start(int port, std::string& error);
    int port() const { return port_; }
    bool listening() const { return listenFd_ >= 0; }

    // Appends the descriptors to watch, with the events wanted.
    void addPollFds(std::vector<pollfd>& fds) const;
    // Acts on what poll() reported for this server's descriptors; entries of
    // other descriptors in `fds` are ignored.
    void handlePoll(const std::vector<pollfd>& fds);
    // One cycle's state, a JSON object on one line: kept as the latest state
    // and sent to every stream.
    void publish(const std::string& stateJson);

    // Closes every connection and the listening socket.
    void stop();

    void setHandler(Handler handler) { handler_ = std::move(handler); }

    size_t connectionCount() const { return connections_.size(); }
    size_t streamCount() const;
    const MonitorStats& stats() const { return stats_; }

private:
    using Clock = MonitorConnection::Clock;

    void acceptConnections(Clock::time_point now);
    bool makeRoom();
    void readFrom(MonitorConnection& c, Clock::time_point now);
    void writeTo(MonitorConnection& c, Clock::time_point now);
    void answer(MonitorConnection& c, Clock::time_point now);
    void reply(MonitorConnection& c, Clock::time_point now, const std::string& status,
               const std::string& contentType, const std::string& body, bool headOnly,
               const std::string& extraHeaders = std::string());
    void openStream(MonitorConnection& c);
    void replyDone(MonitorConnection& c, Clock::time_point now);
    void expire(Clock::time_point now);
    void close(int fd);
    Clock::time_point after(double seconds, Clock::time_point now) const;

    std::string page_;
    Logger logger_;
    Handler handler_;
    MonitorLimits limits_;
    MonitorStats stats_;
    int listenFd_ = -1;
    int port_ = 0;
    std::string latestState_;
    std::string latestEvent_;  // latestState_ as one server-sent event
    // By descriptor; a closed connection leaves the map at once.
    std::map<int, std::unique_ptr<MonitorConnection>> connections_;
};
