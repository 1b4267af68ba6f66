#include "net/Server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <vector>

#include "util/TextFormat.h"
#include "truth/TruthLog.h"

namespace {

constexpr auto kCyclePeriod = std::chrono::milliseconds(20);
// Beyond this much delay the real-time pace starts afresh instead of racing.
constexpr auto kMaxLag = std::chrono::seconds(1);
// At the end, how long clients get to take our last messages and close.
constexpr auto kCloseGrace = std::chrono::milliseconds(500);

bool setNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

Server::Server(const SimOptions& options, Simulation& simulation, std::ostream& console)
    : options_(options), sim_(simulation), console_(console) {}

Server::~Server() {
    closeAll();
    if (listenFd_ >= 0) ::close(listenFd_);
    for (int fd : wakePipe_) {
        if (fd >= 0) ::close(fd);
    }
}

bool Server::start(std::string& error) {
    if (::pipe(wakePipe_) != 0 || !setNonBlocking(wakePipe_[0]) || !setNonBlocking(wakePipe_[1])) {
        error = std::string("cannot create the wake-up pipe: ") + std::strerror(errno);
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(options_.port));
    if (::inet_pton(AF_INET, options_.bindAddress.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address: " + options_.bindAddress;
        return false;
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = "cannot bind " + options_.bindAddress + ":" + std::to_string(options_.port) + ": " +
                std::strerror(errno);
        return false;
    }
    if (::listen(listenFd_, 64) != 0 || !setNonBlocking(listenFd_)) {
        error = std::string("listen: ") + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    if (options_.monitorPort >= 0) {
        MonitorField field;
        field.length = options_.fieldLength;
        field.width = options_.fieldWidth;
        field.goalWidth = options_.goalWidth;
        monitor_ = std::make_unique<MonitorServer>(field, [this](const std::string& line) { sim_.log(line); });
        if (!monitor_->start(options_.monitorPort, error)) return false;
    }
    return true;
}

void Server::requestStop() {
    stop_.store(true);
    if (wakePipe_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakePipe_[1], &c, 1);
    }
}

void Server::acceptClients() {
    for (;;) {
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const int fd = ::accept(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len);
        if (fd < 0) return;  // nothing more waiting (or a transient error)
        if (clients_.size() >= kMaxClients) {
            ::close(fd);
            sim_.log("connection turned away: already " + std::to_string(kMaxClients) + " clients");
            continue;
        }
        if (!setNonBlocking(fd)) {
            ::close(fd);
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        char host[INET_ADDRSTRLEN] = "?";
        ::inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
        const int id = nextId_++;
        auto client = std::make_unique<ClientConnection>(id, fd, std::string(host) + ":" + std::to_string(ntohs(peer.sin_port)));
        sim_.clientConnected(id, client->peer());
        clients_[id] = std::move(client);
    }
}

void Server::dropClient(int id, const std::string& reason) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    if (it->second->decoder().pending() > 0 && !it->second->decoder().failed()) {
        sim_.noteMalformed(id, "connection ended in the middle of a frame");
    }
    clients_.erase(it);
    sim_.clientLeft(id, reason);
}

bool Server::awaited(const ClientConnection& c) const {
    return options_.pace == Pace::Lockstep && c.inGame && c.awaitingAnswer && !c.lagging;
}

bool Server::mayRead(const ClientConnection& c) const { return awaited(c) || c.allowanceLeft() > 0; }

bool Server::owesAnswer(const ClientConnection& c) const { return c.inGame && c.awaitingAnswer; }

void Server::readAnswers() {
    std::vector<pollfd> fds;
    std::vector<int> ids;
    for (auto& [id, c] : clients_) {
        if (owesAnswer(*c) && mayRead(*c)) {
            fds.push_back({c->fd(), POLLIN, 0});
            ids.push_back(id);
        }
    }
    if (fds.empty() || ::poll(fds.data(), fds.size(), 0) <= 0) return;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        auto it = clients_.find(ids[i]);
        if (it != clients_.end()) readClient(*it->second, (fds[i].revents & (POLLHUP | POLLERR)) != 0);
    }
}

void Server::readClient(ClientConnection& client, bool hungUp) {
    // Past its allowance a client waits for the next cycle, unless the game
    // is waiting for it, or it has gone and only its last bytes are left.
    const size_t limit = awaited(client) || hungUp ? ClientConnection::kReadChunk : client.allowanceLeft();
    if (limit == 0) return;
    std::vector<std::string> frames;
    size_t bytes = 0;
    const ClientConnection::ReadResult result = client.readSome(frames, bytes, limit);
    sim_.stats().bytesIn += static_cast<long long>(bytes);
    const int id = client.id();
    if (!frames.empty()) {
        client.awaitingAnswer = false;
        client.lagging = false;
    }
    for (const std::string& frame : frames) {
        if (!sim_.receive(id, frame)) {
            dropClient(id, "refused");
            return;
        }
    }
    switch (result) {
        case ClientConnection::ReadResult::Data:
            break;
        case ClientConnection::ReadResult::Closed:
            dropClient(id, "connection closed by the client");
            break;
        case ClientConnection::ReadResult::Error:
            dropClient(id, std::string("read error: ") + std::strerror(errno));
            break;
        case ClientConnection::ReadResult::BadFrame:
            sim_.noteMalformed(id, "frame of " + std::to_string(client.decoder().refusedLength()) +
                                       " bytes announced, more than 65536; closing this connection");
            dropClient(id, "oversized frame");
            break;
    }
}

void Server::flushClient(ClientConnection& client) {
    size_t bytes = 0;
    const bool ok = client.flush(bytes);
    sim_.stats().bytesOut += static_cast<long long>(bytes);
    if (!ok) dropClient(client.id(), std::string("write error: ") + std::strerror(errno));
}

bool Server::cycleDue(Clock::time_point now, Clock::time_point& wakeAt) {
    bool anyActive = false;
    bool anyAwaiting = false;
    for (auto& [id, c] : clients_) {
        if (c->lagging || !c->inGame) continue;
        anyActive = true;
        anyAwaiting = anyAwaiting || c->awaitingAnswer;
    }
    // While the clock waits for robots to join in lockstep, no cycle runs
    // until that many have loaded their robot: how many cycles pass before
    // they are all there would otherwise depend on how long each took to
    // start. Then they are served in lockstep, so they all join in the
    // same cycle. In real time the robots there get their perceptions at
    // the real-time pace, as the real server sends them.
    if (options_.pace == Pace::Lockstep && sim_.waiting() &&
        sim_.world().robots().size() < static_cast<size_t>(options_.waitFor)) {
        wakeAt = waitEnd_;
        return false;
    }
    if (options_.pace == Pace::Lockstep && anyActive) {
        if (!anyAwaiting) return true;
        const auto deadline =
            lastCycle_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.lockstepTimeout));
        if (now < deadline) {
            wakeAt = deadline;
            return false;
        }
        // Not waiting for a silent robot again until it answers; the others go on.
        for (auto& [id, c] : clients_) {
            if (c->inGame && c->awaitingAnswer && !c->lagging) {
                c->lagging = true;
                sim_.log("client " + std::to_string(id) + " did not answer within " +
                         TextFormat::fixed(options_.lockstepTimeout, 3) + " s; not waiting for it until it does");
            }
        }
        return true;
    }
    // Real time, and lockstep with nobody to wait for.
    wakeAt = nextCycle_;
    return now >= nextCycle_;
}

void Server::runCycle() {
    for (auto& [id, c] : clients_) c->newCycle();
    sim_.step();
    // The browsers see what the truth log records for this cycle.
    if (monitor_) {
        monitor_->publish(
            TruthLog::format(sim_.cycles() - 1, sim_.now(), sim_.rules(), sim_.world(), &sim_.referee().record()));
    }
    for (int id : sim_.takeDrops()) dropClient(id, "dropped by the scenario");
    for (Outgoing& out : sim_.takeOutbox()) {
        auto it = clients_.find(out.clientId);
        if (it == clients_.end()) continue;
        ClientConnection& c = *it->second;
        if (!c.queue(out.text)) {
            dropClient(out.clientId, "not reading its messages");
            continue;
        }
        if (out.perception) {
            c.inGame = true;
            c.awaitingAnswer = true;
        }
    }
    std::vector<int> ids;
    for (auto& [id, c] : clients_) ids.push_back(id);
    for (int id : ids) {
        auto it = clients_.find(id);
        if (it != clients_.end() && it->second->hasOutput()) flushClient(*it->second);
    }
}

void Server::run() {
    nextCycle_ = Clock::now();
    lastCycle_ = nextCycle_;
    std::vector<pollfd> fds;
    std::vector<int> ids;
    std::vector<std::pair<int, short>> ready;
    unsigned round = 0;
    waitEnd_ = nextCycle_ + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(options_.waitTimeout));
    if (sim_.waiting()) {
        sim_.log("waiting for " + std::to_string(options_.waitFor) + " robots to join before the clock starts (at most " +
                 TextFormat::fixed(options_.waitTimeout, 1) + " s)");
    }
    while (!stop_.load() && !sim_.finished()) {
        console_.flush();  // what the console could not take before, if it takes it now
        const auto now = Clock::now();
        if (sim_.waiting() && now >= waitEnd_) {
            sim_.endWait("waited " + TextFormat::fixed(options_.waitTimeout, 1) + " s for " +
                         std::to_string(options_.waitFor) + " robots, " +
                         std::to_string(sim_.world().joinedRobots().size()) + " joined; starting anyway");
        }
        Clock::time_point wakeAt = now;
        if (cycleDue(now, wakeAt)) {
            runCycle();
            lastCycle_ = Clock::now();
            nextCycle_ += kCyclePeriod;
            if (options_.pace == Pace::Lockstep || lastCycle_ - nextCycle_ > kMaxLag) {
                nextCycle_ = lastCycle_ + kCyclePeriod;
            }
            continue;
        }

        fds.clear();
        ids.clear();
        fds.push_back({wakePipe_[0], POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (auto& [id, c] : clients_) {
            short events = mayRead(*c) ? POLLIN : 0;
            if (c->hasOutput()) events |= POLLOUT;
            fds.push_back({c->fd(), events, 0});
            ids.push_back(id);
        }
        // After the clients, so that their entries keep their places.
        if (monitor_) monitor_->addPollFds(fds);
        const auto waitUs = std::chrono::duration_cast<std::chrono::microseconds>(wakeAt - now).count();
        const long long waitMs = std::min<long long>((waitUs + 999) / 1000, 1000);
        const int readyCount = ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(0, waitMs)));
        if (readyCount < 0) {
            if (errno == EINTR) continue;
            sim_.log(std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[1].revents & POLLIN) acceptClients();
        // Output first: it is cheap, and it is what the robots wait for.
        ready.clear();
        for (size_t i = 0; i < ids.size(); ++i) {
            const short re = fds[i + 2].revents;
            if (re & POLLOUT) {
                auto it = clients_.find(ids[i]);
                if (it != clients_.end()) flushClient(*it->second);
            }
            if (re & (POLLIN | POLLHUP | POLLERR)) ready.emplace_back(ids[i], re);
        }
        // Then input: robots that owe an answer first, then whoever read
        // least this cycle, ties taken in turn. Between any two other clients
        // the robots owing an answer are looked at again, so that an answer
        // that comes in meanwhile waits for one client's reading at most; and
        // the cycle's clock is looked at after each client, so that no amount
        // of input from others delays a cycle.
        if (!ready.empty()) std::rotate(ready.begin(), ready.begin() + (round++ % ready.size()), ready.end());
        auto rank = [this](int id) {
            auto it = clients_.find(id);
            if (it == clients_.end()) return std::pair<int, size_t>(2, 0);
            return std::pair<int, size_t>(owesAnswer(*it->second) ? 0 : 1, it->second->readThisCycle());
        };
        std::stable_sort(ready.begin(), ready.end(), [&](const auto& a, const auto& b) { return rank(a.first) < rank(b.first); });
        for (size_t k = 0; k < ready.size(); ++k) {
            Clock::time_point ignored;
            if (k > 0 && cycleDue(Clock::now(), ignored)) break;
            auto it = clients_.find(ready[k].first);
            if (it == clients_.end()) continue;
            const bool robot = owesAnswer(*it->second);
            readClient(*it->second, (ready[k].second & (POLLHUP | POLLERR)) != 0);
            if (!robot) readAnswers();
        }
        if (monitor_) monitor_->handlePoll(fds);
    }
    closeAll();
}

void Server::closeAll() {
    // Each client gets what is still queued, then the end of our sending, so
    // that it reads to a clean end; what it still sends is read and dropped
    // until it closes too, for a short while at most. Closing with its input
    // unread would answer it with a reset instead, which can cut off the last
    // messages it has not read yet.
    const auto giveUp = Clock::now() + kCloseGrace;
    std::map<int, bool> shut;  // by client: our sending has ended
    std::vector<pollfd> fds;
    std::vector<int> ids;
    for (;;) {
        ids.clear();
        for (auto& [id, c] : clients_) ids.push_back(id);
        for (int id : ids) {
            ClientConnection& c = *clients_[id];
            bool done = false;
            if (!shut[id]) {
                size_t bytes = 0;
                const bool ok = c.flush(bytes);
                sim_.stats().bytesOut += static_cast<long long>(bytes);
                done = !ok;
                if (ok && !c.hasOutput()) {
                    c.shutdownSending();
                    shut[id] = true;
                }
            }
            if (shut[id] && !done) done = c.discardInput();
            if (done) {
                clients_.erase(id);
                sim_.clientLeft(id, "server stopping");
            }
        }
        const auto now = Clock::now();
        if (clients_.empty() || now >= giveUp) break;
        fds.clear();
        for (auto& [id, c] : clients_) {
            fds.push_back({c->fd(), static_cast<short>(POLLIN | (c->hasOutput() ? POLLOUT : 0)), 0});
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - now).count();
        ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(1, left)));
    }
    ids.clear();
    for (auto& [id, c] : clients_) ids.push_back(id);
    for (int id : ids) {
        clients_.erase(id);
        sim_.clientLeft(id, "server stopping");
    }
    if (monitor_) monitor_->stop();
}
