// Small socket helpers for the server-link tests: framed texts, a listener on
// an ephemeral loopback port, and exact reads and writes on a raw descriptor.
#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace linktest {

// The text as it travels on the wire: 4-byte big-endian length, then the text.
inline std::string frame(const std::string& text) {
    const std::uint32_t prefix = htonl(static_cast<std::uint32_t>(text.size()));
    std::string block(4, '\0');
    std::memcpy(&block[0], &prefix, 4);
    return block + text;
}

inline std::string prefixOnly(std::uint32_t length) {
    const std::uint32_t prefix = htonl(length);
    return std::string(reinterpret_cast<const char*>(&prefix), 4);
}

inline bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads exactly `count` bytes, or fewer when the peer closes first.
inline std::string readExactly(int fd, std::size_t count) {
    std::string out(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::recv(fd, &out[done], count - done, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return out;
}

// True when the peer has closed its end (a read meets the end of stream).
inline bool peerClosed(int fd) {
    char c = 0;
    return ::recv(fd, &c, 1, 0) == 0;
}

// A connected pair of stream sockets: first for the code under test, second
// for the test's side.
inline std::pair<int, int> streamPair() {
    int fds[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        return {-1, -1};
    }
    return {fds[0], fds[1]};
}

// A TCP socket bound to an ephemeral loopback port; listening or not.
class LoopbackPort {
public:
    explicit LoopbackPort(bool listening) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in self{};
        self.sin_family = AF_INET;
        self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        self.sin_port = 0;
        socklen_t size = sizeof(self);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&self), size) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&self), &size) != 0 ||
            (listening && ::listen(fd_, 8) != 0)) {
            return;
        }
        port_ = ntohs(self.sin_port);
    }
    ~LoopbackPort() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    LoopbackPort(const LoopbackPort&) = delete;
    LoopbackPort& operator=(const LoopbackPort&) = delete;

    int port() const { return port_; }
    // The next connected peer (the caller closes it), -1 on failure.
    int acceptOne() const { return ::accept(fd_, nullptr, nullptr); }
    // Frees the port now (for a peer that is to find nothing there).
    void release() {
        ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    int port_ = -1;
};

// A raw TCP client of 127.0.0.1:port; retries for about two seconds while the
// server is still starting up. -1 when nobody ever listens.
inline int connectTo(int port) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) {
            return -1;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) == 0) {
            return fd;
        }
        ::close(fd);
        ::usleep(10000);
    }
    return -1;
}

// A loopback port that nothing uses at the moment.
inline int freePort() {
    LoopbackPort probe(false);
    return probe.port();
}

// Closes a raw descriptor when the test ends.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
};

} // namespace linktest
