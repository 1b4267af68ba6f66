// The network side: listens for agents, moves frames between the sockets and
// the simulation, and paces the cycles (real time, or lockstep with the
// robots' answers). Single-threaded around poll(); requestStop() may be
// called from a signal handler or another thread.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "net/ClientConnection.h"
#include "monitor/MonitorServer.h"
#include "game/SimOptions.h"
#include "game/Simulation.h"

class Server {
public:
    // More connections than two full teams and some spare are turned away.
    static constexpr size_t kMaxClients = 64;

    Server(const SimOptions& options, Simulation& simulation, std::ostream& console);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and listens; on failure `error` says why.
    bool start(std::string& error);
    int port() const { return port_; }
    // The web monitor's port; 0 when there is none.
    int monitorPort() const { return monitor_ ? monitor_->port() : 0; }
    // Runs until the simulation finishes or a stop is requested, then closes
    // every connection.
    void run();
    void requestStop();

private:
    using Clock = std::chrono::steady_clock;

    void acceptClients();
    // A robot the lockstep is waiting for right now.
    bool awaited(const ClientConnection& client) const;
    bool mayRead(const ClientConnection& client) const;
    // A robot whose answer to the latest perception has not come yet.
    bool owesAnswer(const ClientConnection& client) const;
    // Reads the robots owing an answer whose answer is there now.
    void readAnswers();
    void readClient(ClientConnection& client, bool hungUp);
    void flushClient(ClientConnection& client);
    void dropClient(int id, const std::string& reason);
    void runCycle();
    // Whether the next cycle should run now; if not, when to look again.
    bool cycleDue(Clock::time_point now, Clock::time_point& wakeAt);
    void closeAll();

    SimOptions options_;
    Simulation& sim_;
    std::ostream& console_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = 0;
    int nextId_ = 1;
    std::atomic<bool> stop_{false};
    std::map<int, std::unique_ptr<ClientConnection>> clients_;
    Clock::time_point nextCycle_;
    Clock::time_point lastCycle_;
    // When a --wait-for wait gives up.
    Clock::time_point waitEnd_;
    // Browsers watching the match (--monitor-port); none by default.
    std::unique_ptr<MonitorServer> monitor_;
};
