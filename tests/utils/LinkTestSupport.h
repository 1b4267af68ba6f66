// Socket helpers for the server-link tests: framed texts, exact reads and
// writes on raw descriptors, and listeners on ephemeral loopback ports.
#pragma once

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace linktest {

// The text as it travels: 4-byte big-endian length, then the text.
inline std::string frame(const std::string& text) {
    const std::uint32_t prefix = htonl(static_cast<std::uint32_t>(text.size()));
    return std::string(reinterpret_cast<const char*>(&prefix), 4) + text;
}

inline bool writeAll(int fd, const std::string& data) {
    return ::send(fd, data.data(), data.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(data.size());
}

// Exactly `count` bytes, or fewer when the peer closes first (so an empty
// result for count 1 means the peer has closed).
inline std::string readExactly(int fd, std::size_t count) {
    std::string out(count, '\0');
    std::size_t done = 0;
    for (ssize_t n = 1; done < count && n > 0; done += n > 0 ? static_cast<std::size_t>(n) : 0) {
        n = ::recv(fd, &out[done], count - done, 0);
    }
    out.resize(done);
    return out;
}

// Closes a raw descriptor at the end of the scope.
struct Fd {
    explicit Fd(int value = -1) : fd(value) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    void reset(int value = -1) {
        if (fd >= 0) ::close(fd);
        fd = value;
    }
    int fd;
};

// A TCP socket on an ephemeral loopback port, listening or merely holding it.
struct LoopbackPort {
    explicit LoopbackPort(bool listening) : socket(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in self{};
        self.sin_family = AF_INET;
        self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(self);
        ::bind(socket.fd, reinterpret_cast<sockaddr*>(&self), size);
        ::getsockname(socket.fd, reinterpret_cast<sockaddr*>(&self), &size);
        if (listening) ::listen(socket.fd, 8);
        port = ntohs(self.sin_port);
    }
    int acceptOne() const { return ::accept(socket.fd, nullptr, nullptr); }
    Fd socket;
    int port = 0;
};

// A raw client of 127.0.0.1:port, retrying for two seconds while the server
// starts; -1 when nobody listens.
inline int connectTo(int port) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
    for (int attempt = 0; attempt < 200; ++attempt, ::usleep(10000)) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) == 0) {
            return fd;
        }
        ::close(fd);
    }
    return -1;
}

}  // namespace linktest
