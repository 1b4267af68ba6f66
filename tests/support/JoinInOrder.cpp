#include "support/JoinInOrder.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace {

// Connections to the local TCP `port` that are established and hold bytes
// their server has not read yet: a held server's clients that have sent
// something (the system completes the connections and keeps the bytes).
int unreadConnections(unsigned short port) {
    // One line per socket: "sl local rem st tx_queue:rx_queue ...", the
    // addresses as hex "address:port"; state 01 is established.
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // header
    int found = 0;
    while (std::getline(table, line)) {
        std::istringstream cells(line);
        std::string slot, local, remote, state, queues;
        cells >> slot >> local >> remote >> state >> queues;
        const size_t colon = local.rfind(':');
        const size_t queueColon = queues.find(':');
        if (colon == std::string::npos || queueColon == std::string::npos || state != "01") continue;
        if (std::stoul(local.substr(colon + 1), nullptr, 16) != port) continue;
        if (std::stoul(queues.substr(queueColon + 1), nullptr, 16) > 0) ++found;
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
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

JoinInOrder::JoinInOrder(ChildProcess& server, unsigned short port, int timeoutMs)
    : server(server), port(port), timeoutMs(timeoutMs), held(server.pause()) {}

JoinInOrder::~JoinInOrder() { resumeAll(); }

bool JoinInOrder::add(ChildProcess& robot) {
    const int connected = static_cast<int>(robots.size()) + 1;
    // Waiting for each connection before the next robot starts also fixes
    // the order in which the server will number them.
    const bool ok = waitUntil([&] { return unreadConnections(port) >= connected; }, timeoutMs) && robot.pause();
    robots.push_back(&robot);
    return ok;
}

bool JoinInOrder::release() {
    server.resume();
    bool ok = true;
    for (size_t i = 0; i < robots.size(); ++i) {
        robots[i]->resume();
        const int joined = static_cast<int>(i) + 1;
        ok = ok && waitUntil([&] { return joinedLines(server.out()) >= joined; }, timeoutMs);
    }
    resumeAll();
    return ok;
}

void JoinInOrder::resumeAll() {
    server.resume();
    for (ChildProcess* robot : robots) robot->resume();
    robots.clear();
}
