// A tiny length-prefixed TCP server for end-to-end tests of the agent
// programs. Every wait is bounded, so a misbehaving agent fails a test
// instead of hanging it.
#pragma once

#include <optional>
#include <string>
#include <vector>

class FakeServer {
public:
    FakeServer() = default;
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port); false on failure.
    bool listenOn(unsigned short port);
    unsigned short port() const { return boundPort; }
    bool acceptClient(int timeoutMs);
    // One framed message from the client; nothing on time-out or closed peer.
    std::optional<std::string> readFrame(int timeoutMs);
    bool sendFrame(const std::string& text);
    bool sendRaw(const std::string& bytes);
    void closeClient();
    // True once the client has closed its side (read returns 0).
    bool clientClosed(int timeoutMs);

private:
    bool readExactly(char* dest, size_t n, int timeoutMs);
    int listenFd = -1;
    int clientFd = -1;
    unsigned short boundPort = 0;
};

// A perception text of the real server's shape for the given time.
std::string perceptionAt(double time, const std::string& playMode = "BeforeKickOff");

// The start-up exchange: the scene, init and beam frames the client sent
// ("<none>" where one did not come within 10 s).
std::vector<std::string> playStartUp(FakeServer& server,
                                     const std::string& second = perceptionAt(0.02));
// One perception sent, its reply returned ("<none>" when none came within 10 s).
std::string replyTo(FakeServer& server, const std::string& perception);
