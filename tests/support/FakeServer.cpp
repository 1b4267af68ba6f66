#include "support/FakeServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

// Milliseconds left until `deadline`.
int msLeft(std::chrono::steady_clock::time_point deadline) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                deadline - std::chrono::steady_clock::now())
                                .count());
}

}  // namespace

FakeServer::~FakeServer() {
    closeClient();
    if (listenFd >= 0) close(listenFd);
}

bool FakeServer::listenOn(unsigned short port) {
    listenFd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (listenFd < 0 || bind(listenFd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        listen(listenFd, 4) != 0 ||
        getsockname(listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return false;
    }
    boundPort = ntohs(addr.sin_port);
    return true;
}

bool FakeServer::acceptClient(int timeoutMs) {
    pollfd p{listenFd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    clientFd = accept(listenFd, nullptr, nullptr);
    return clientFd >= 0;
}

bool FakeServer::readExactly(char* dest, size_t n, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (size_t got = 0; got < n;) {
        pollfd p{clientFd, POLLIN, 0};
        const int left = msLeft(deadline);
        if (left <= 0 || poll(&p, 1, left) <= 0) return false;
        const ssize_t r = read(clientFd, dest + got, n - got);
        if (r <= 0) return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

std::optional<std::string> FakeServer::readFrame(int timeoutMs) {
    unsigned char prefix[4];
    if (clientFd < 0 || !readExactly(reinterpret_cast<char*>(prefix), 4, timeoutMs))
        return std::nullopt;
    const uint32_t len = (uint32_t(prefix[0]) << 24) | (uint32_t(prefix[1]) << 16) |
                         (uint32_t(prefix[2]) << 8) | uint32_t(prefix[3]);
    std::string text(len, '\0');
    if (len > (1u << 20) || (len > 0 && !readExactly(text.data(), len, timeoutMs)))
        return std::nullopt;
    return text;
}

bool FakeServer::sendRaw(const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t w = send(clientFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (w <= 0) return false;
        sent += static_cast<size_t>(w);
    }
    return true;
}

bool FakeServer::sendFrame(const std::string& text) {
    const uint32_t n = htonl(static_cast<uint32_t>(text.size()));
    return sendRaw(std::string(reinterpret_cast<const char*>(&n), 4) + text);
}

void FakeServer::closeClient() {
    if (clientFd >= 0) close(clientFd);
    clientFd = -1;
}

bool FakeServer::clientClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char sink[512];
    pollfd p{clientFd, POLLIN, 0};
    while (msLeft(deadline) > 0) {
        if (poll(&p, 1, 50) > 0 && read(clientFd, sink, sizeof sink) <= 0) return true;
    }
    return false;
}

std::string perceptionAt(double time, const std::string& playMode) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "(time (now %.2f))(GS (t 0.00) (pm %s))(GYR (n torso) (rt 0.00 0.00 0.00))"
                  "(HJ (n hj1) (ax 0.00))(HJ (n hj2) (ax 0.00))",
                  time, playMode.c_str());
    return text;
}

std::vector<std::string> playStartUp(FakeServer& server, const std::string& second) {
    std::vector<std::string> sent{server.readFrame(10000).value_or("<none>")};
    sent.push_back(replyTo(server, perceptionAt(0.0)));
    sent.push_back(replyTo(server, second));
    return sent;
}

std::string replyTo(FakeServer& server, const std::string& perception) {
    server.sendFrame(perception);
    return server.readFrame(10000).value_or("<none>");
}
