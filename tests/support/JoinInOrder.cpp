#include "support/JoinInOrder.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace {

// Sockets on the local TCP `port` in `state` (hex, as the system lists it:
// "0A" listening, "01" established), counting only those holding bytes not
// yet read when `unreadOnly`.
int socketsOnPort(unsigned short port, const std::string& state, bool unreadOnly) {
    // One line per socket: "sl local rem st tx_queue:rx_queue ...", the
    // addresses as hex "address:port".
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // header
    int found = 0;
    while (std::getline(table, line)) {
        std::istringstream cells(line);
        std::string slot, local, remote, st, queues;
        cells >> slot >> local >> remote >> st >> queues;
        const size_t colon = local.rfind(':');
        const size_t queueColon = queues.find(':');
        if (colon == std::string::npos || queueColon == std::string::npos || st != state) continue;
        if (std::stoul(local.substr(colon + 1), nullptr, 16) != port) continue;
        if (!unreadOnly || std::stoul(queues.substr(queueColon + 1), nullptr, 16) > 0) ++found;
    }
    return found;
}

// fieldsim's console line for each robot that joins a team: "... (left 2 VOR) joined".
int joinedLines(const std::string& console) {
    int n = 0;
    for (size_t at = console.find(") joined"); at != std::string::npos; at = console.find(") joined", at + 1)) ++n;
    return n;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

JoinInOrder::JoinInOrder(ChildProcess& server, unsigned short port, int timeoutMs)
    : server(server), port(port), timeoutMs(timeoutMs) {
    // With --wait-for it runs no cycle before the robots are all there, so
    // where it is held does not matter; held, it leaves each robot's first
    // command unread, which tells that the robot has connected.
    held = waitUntil([&] { return socketsOnPort(port, "0A", false) > 0; }, timeoutMs) && server.pause();
}

JoinInOrder::~JoinInOrder() { resumeAll(); }

bool JoinInOrder::add(ChildProcess& robot) {
    const int connected = static_cast<int>(robots.size()) + 1;
    // Waiting for each connection before the next robot starts also fixes
    // the order in which the server will number them.
    const bool ok =
        waitUntil([&] { return socketsOnPort(port, "01", true) >= connected; }, timeoutMs) && robot.pause();
    robots.push_back(&robot);
    return ok;
}

bool JoinInOrder::release() {
    server.resume();
    // A server whose wait for the robots ran out before they were let go
    // started its clock without them: they join cycles apart, not in its
    // first cycle together, and one let go later may already be waited for
    // while it is still held. That is said at once, not waited out.
    const auto gaveUp = [&] { return server.out().find("; starting anyway") != std::string::npos; };
    bool ok = true;
    for (size_t i = 0; i < robots.size(); ++i) {
        robots[i]->resume();
        const int joined = static_cast<int>(i) + 1;
        ok = ok && waitUntil([&] { return joinedLines(server.out()) >= joined || gaveUp(); }, timeoutMs) &&
             !gaveUp();
    }
    resumeAll();
    return ok;
}

void JoinInOrder::resumeAll() {
    server.resume();
    for (ChildProcess* robot : robots) robot->resume();
    robots.clear();
}
