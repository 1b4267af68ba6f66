#include "LearningLink.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

LearningLink::~LearningLink() { close(); }

void LearningLink::close() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    pending.clear();
}

bool LearningLink::connectTo(const std::string& host, int port, double waitSeconds,
                             std::string& error) {
    close();
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    if (port <= 0 || port > 65535 || host.empty()) {
        error = "bad address " + host + ":" + std::to_string(port);
        return false;
    }
    if (::inet_pton(AF_INET, host.c_str(), &remote.sin_addr) != 1) {
        // A machine's name, as a job scheduler hands them out.
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int why = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
        if (why != 0 || found == nullptr) {
            error = "cannot find the machine " + host + ": " + ::gai_strerror(why);
            return false;
        }
        remote.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        ::freeaddrinfo(found);
    }
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long long>(waitSeconds * 1000));
    for (;;) {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            return false;
        }
        if (::connect(s, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0) {
            fd = s;
            return true;
        }
        const int why = errno;
        ::close(s);
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "cannot connect to " + host + ":" + std::to_string(port) + ": " +
                    std::strerror(why);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
}

bool LearningLink::sendLine(const std::string& line) {
    if (fd < 0) return false;
    const std::string text = line + "\n";
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool LearningLink::takeLine(std::string& line) {
    const std::size_t end = pending.find('\n');
    if (end == std::string::npos) return false;
    line = pending.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pending.erase(0, end + 1);
    return true;
}

LearningLink::Read LearningLink::readSome(std::string& line) {
    if (takeLine(line)) return Read::Line;
    if (fd < 0 || pending.size() > kMaxLine) return Read::Closed;
    char chunk[512];
    ssize_t n = 0;
    do {
        n = ::recv(fd, chunk, sizeof chunk, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return Read::Closed;
    pending.append(chunk, static_cast<std::size_t>(n));
    if (takeLine(line)) return Read::Line;
    return pending.size() > kMaxLine ? Read::Closed : Read::More;
}

bool LearningLink::readLine(std::string& line) {
    for (;;) {
        if (takeLine(line)) return true;
        if (fd < 0 || pending.size() > kMaxLine) return false;
        char chunk[512];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        pending.append(chunk, static_cast<std::size_t>(n));
    }
}
