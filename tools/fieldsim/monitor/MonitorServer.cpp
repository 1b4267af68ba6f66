#include "monitor/MonitorServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Turn-aways are counted in full but only the first few are told on the console.
constexpr long long kTurnAwayLines = 5;

bool prepareSocket(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
    // A program started by the owner (a test's browser) must not hold our
    // connections open after we close them.
    return fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

// One state as a server-sent event. A line break would end the data field
// early, so each line of the text becomes its own data field (the browser
// joins them again with line feeds).
std::string toEvent(const std::string& text) {
    std::string event;
    event.reserve(text.size() + 16);
    size_t start = 0;
    for (;;) {
        const size_t end = text.find_first_of("\r\n", start);
        event += "data: ";
        event.append(text, start, end == std::string::npos ? std::string::npos : end - start);
        event += '\n';
        if (end == std::string::npos) break;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    event += '\n';
    return event;
}

}  // namespace

MonitorServer::MonitorServer(const MonitorField& field, Logger logger, const MonitorLimits& limits)
    : MonitorServer(MonitorPage::html(field), std::move(logger), limits) {}

MonitorServer::MonitorServer(std::string page, Logger logger, const MonitorLimits& limits)
    : page_(std::move(page)), logger_(std::move(logger)), limits_(limits) {}

MonitorServer::~MonitorServer() { stop(); }

bool MonitorServer::start(int port, std::string& error) {
    if (listenFd_ >= 0) {
        error = "the monitor is already listening";
        return false;
    }
    if (port < 0 || port > 65535) {
        error = "monitor port out of range: " + std::to_string(port);
        return false;
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) {
        error = std::string("monitor socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = "cannot bind the monitor to 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        stop();
        return false;
    }
    if (::listen(listenFd_, 16) != 0 || !prepareSocket(listenFd_)) {
        error = std::string("monitor listen: ") + std::strerror(errno);
        stop();
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    return true;
}

void MonitorServer::stop() {
    connections_.clear();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
}

size_t MonitorServer::streamCount() const {
    size_t n = 0;
    for (const auto& [fd, c] : connections_) {
        if (c->phase == MonitorConnection::Phase::Stream) ++n;
    }
    return n;
}

void MonitorServer::addPollFds(std::vector<pollfd>& fds) const {
    if (listenFd_ >= 0) fds.push_back({listenFd_, POLLIN, 0});
    for (const auto& [fd, c] : connections_) {
        short events = 0;
        switch (c->phase) {
            case MonitorConnection::Phase::Request:
            case MonitorConnection::Phase::Closing:
                events = POLLIN;
                break;
            case MonitorConnection::Phase::Reply:
                events = POLLOUT;
                break;
            case MonitorConnection::Phase::Stream:
                // Read too, to notice the browser going away.
                events = static_cast<short>(POLLIN | (c->pending() > 0 ? POLLOUT : 0));
                break;
        }
        fds.push_back({fd, events, 0});
    }
}

void MonitorServer::handlePoll(const std::vector<pollfd>& fds) {
    const Clock::time_point now = Clock::now();
    bool acceptDue = false;
    for (const pollfd& p : fds) {
        if (p.revents == 0) continue;
        if (p.fd == listenFd_ && listenFd_ >= 0) {
            acceptDue = true;
            continue;
        }
        auto it = connections_.find(p.fd);
        if (it == connections_.end()) continue;
        MonitorConnection& c = *it->second;
        if (p.revents & POLLOUT) {
            writeTo(c, now);
            if (connections_.find(p.fd) == connections_.end()) continue;
        }
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) readFrom(c, now);
    }
    // Accepting last, so that a descriptor number freed above and reused by a
    // new connection is not mistaken for the old one's entry in `fds`.
    if (acceptDue) acceptConnections(now);
    expire(now);
}

void MonitorServer::acceptConnections(Clock::time_point now) {
    for (;;) {
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) return;  // nothing more waiting (or a transient error)
        if (!prepareSocket(fd)) {
            ::close(fd);
            continue;
        }
        if (connections_.size() >= limits_.maxConnections && !makeRoom()) {
            ++stats_.turnedAway;
            if (stats_.turnedAway <= kTurnAwayLines && logger_) {
                logger_("monitor: a browser connection turned away: already " +
                        std::to_string(limits_.maxConnections) + " connections");
            }
            static const char kBusy[] =
                "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain\r\n"
                "Content-Length: 29\r\nRetry-After: 2\r\nConnection: close\r\n\r\n"
                "too many monitor connections\n";
            // Best effort: a fresh socket's send buffer takes this at once.
            [[maybe_unused]] const ssize_t n = ::send(fd, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL);
            ::close(fd);
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++stats_.connections;
        connections_[fd] = std::make_unique<MonitorConnection>(fd, after(limits_.requestTimeout, now));
    }
}

bool MonitorServer::makeRoom() {
    // Browsers open spare connections ahead of need and may leave them idle;
    // such a one, or one whose reply is already out, gives way to a new one.
    int victim = -1;
    Clock::time_point earliest = Clock::time_point::max();
    for (const auto& [fd, c] : connections_) {
        const bool idle = (c->phase == MonitorConnection::Phase::Request && c->received().empty()) ||
                          c->phase == MonitorConnection::Phase::Closing;
        if (idle && c->deadline < earliest) {
            earliest = c->deadline;
            victim = fd;
        }
    }
    if (victim < 0) return false;
    close(victim);
    return true;
}

void MonitorServer::readFrom(MonitorConnection& c, Clock::time_point now) {
    const MonitorConnection::ReadResult result = c.readSome(limits_.maxRequestBytes);
    if (result != MonitorConnection::ReadResult::Data) {
        // The browser has gone (or closed its side without waiting for a reply).
        close(c.fd());
        return;
    }
    if (c.phase == MonitorConnection::Phase::Request) answer(c, now);
}

void MonitorServer::writeTo(MonitorConnection& c, Clock::time_point now) {
    size_t written = 0;
    if (!c.flush(written)) {
        close(c.fd());
        return;
    }
    if (written > 0) c.drainedAt = stats_.statesPublished;
    if (c.phase == MonitorConnection::Phase::Reply && c.pending() == 0) replyDone(c, now);
    if (c.phase == MonitorConnection::Phase::Stream && c.skipped > 0 && c.pending() <= limits_.maxStreamBacklog) {
        // Caught up after states were left out: the newest one now, not at the next cycle.
        c.skipped = 0;
        c.queue(latestEvent_);
        if (!c.flush()) close(c.fd());
    }
}

void MonitorServer::answer(MonitorConnection& c, Clock::time_point now) {
    MonitorRequest request;
    switch (request.parse(c.received(), limits_.maxRequestBytes)) {
        case MonitorRequest::Status::Incomplete:
            return;
        case MonitorRequest::Status::Bad:
        case MonitorRequest::Status::TooLarge:
            ++stats_.badRequests;
            reply(c, now, "400 Bad Request", "text/plain; charset=utf-8", request.problem() + "\n", false);
            return;
        case MonitorRequest::Status::Complete:
            break;
    }
    const bool head = request.method() == "HEAD";
    if (request.method() != "GET" && !head) {
        reply(c, now, "405 Method Not Allowed", "text/plain; charset=utf-8", "only GET and HEAD\n", false,
              "Allow: GET, HEAD\r\n");
        return;
    }
    MonitorReply owned;
    if (handler_ && handler_(request, owned)) {
        reply(c, now, owned.status, owned.contentType, owned.body, head);
        return;
    }
    const std::string& path = request.path();
    if (path == "/" || path == "/index.html") {
        reply(c, now, "200 OK", "text/html; charset=utf-8", page_, head);
    } else if (path == "/state") {
        if (latestState_.empty()) {
            reply(c, now, "503 Service Unavailable", "text/plain; charset=utf-8", "no state yet\n", head,
                  "Retry-After: 1\r\n");
        } else {
            reply(c, now, "200 OK", "application/json", latestState_ + "\n", head);
        }
    } else if (path == "/events") {
        if (head) {
            reply(c, now, "200 OK", "text/event-stream", "", true);
        } else {
            openStream(c);
        }
    } else {
        reply(c, now, "404 Not Found", "text/plain; charset=utf-8", "no such page: " + path + "\n", head);
    }
}

void MonitorServer::reply(MonitorConnection& c, Clock::time_point now, const std::string& status,
                          const std::string& contentType, const std::string& body, bool headOnly,
                          const std::string& extraHeaders) {
    std::string text = "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType +
                       "\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n" + extraHeaders +
                       "Connection: close\r\n\r\n";
    if (!headOnly) text += body;
    c.queue(text);
    c.phase = MonitorConnection::Phase::Reply;
    c.deadline = after(limits_.replyTimeout, now);
    writeTo(c, now);
}

void MonitorServer::openStream(MonitorConnection& c) {
    // Without a bound the system would take megabytes for a browser that
    // reads nothing, and hide for minutes that it has stopped.
    const int size = limits_.streamSocketBuffer;
    ::setsockopt(c.fd(), SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    c.drainedAt = stats_.statesPublished;
    // No length: the stream ends when either side closes. A browser whose
    // stream is dropped reconnects after the retry time.
    c.queue(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
        "X-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\nretry: 1000\n\n");
    // A new watcher sees the match at once, not only from the next cycle.
    if (!latestEvent_.empty()) c.queue(latestEvent_);
    c.phase = MonitorConnection::Phase::Stream;
    if (!c.flush()) close(c.fd());
}

void MonitorServer::replyDone(MonitorConnection& c, Clock::time_point now) {
    c.shutdownSending();
    c.phase = MonitorConnection::Phase::Closing;
    c.deadline = after(limits_.closeTimeout, now);
}

void MonitorServer::publish(const std::string& stateJson) {
    ++stats_.statesPublished;
    latestState_ = stateJson;
    latestEvent_ = toEvent(stateJson);
    std::vector<int> failed;
    std::vector<int> stalled;
    for (auto& [fd, c] : connections_) {
        if (c->phase != MonitorConnection::Phase::Stream) continue;
        if (c->pending() > limits_.maxStreamBacklog) {
            // Behind: this state is left out; it gets the newest one once it has caught up.
            ++c->skipped;
        } else {
            c->skipped = 0;
            c->queue(latestEvent_);
        }
        size_t written = 0;
        if (!c->flush(written)) {
            failed.push_back(fd);
        } else if (written > 0 || c->pending() == 0) {
            c->drainedAt = stats_.statesPublished;
        } else if (stats_.statesPublished - c->drainedAt >= limits_.maxStalledStates) {
            stalled.push_back(fd);
        }
    }
    for (int fd : failed) close(fd);
    for (int fd : stalled) {
        ++stats_.streamsDropped;
        if (logger_) logger_("monitor: dropped a browser that stopped reading its event stream");
        close(fd);
    }
    expire(Clock::now());
}

void MonitorServer::expire(Clock::time_point now) {
    std::vector<int> due;
    for (const auto& [fd, c] : connections_) {
        if (c->phase != MonitorConnection::Phase::Stream && now >= c->deadline) due.push_back(fd);
    }
    for (int fd : due) close(fd);
}

void MonitorServer::close(int fd) { connections_.erase(fd); }

MonitorServer::Clock::time_point MonitorServer::after(double seconds, Clock::time_point now) const {
    return now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}
