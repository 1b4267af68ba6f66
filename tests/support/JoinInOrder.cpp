#include "support/JoinInOrder.h"

#include "SocketTable.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace {

using sockettable::joinedLines;
using sockettable::socketsOnPort;

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
