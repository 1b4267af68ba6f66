#include "utils/Communicator.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "utils/TDataPorter.h"

namespace {
constexpr unsigned kPrefixSize = 4;
constexpr unsigned kMaxPort = 65535;
}  // namespace

Communicator::Communicator(unsigned size, bool usePerfix)
    : bufSize(usePerfix ? std::max(size, kPrefixSize + 1) : std::max(size, 1u)),
      usePerfix(usePerfix) {
    buf = std::make_unique<char[]>(bufSize);
}

Communicator::~Communicator() { disconnect(); }

bool Communicator::connect2(unsigned port, const char* host) {
    disconnect();
    hostName = host != nullptr ? host : "";
    this->port = port;
    if (port > kMaxPort) {
        std::fprintf(stderr, "connect: port %u out of range\n", port);
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = ::getaddrinfo(hostName.c_str(), nullptr, &hints, &found);
    if (lookup != 0 || found == nullptr) {
        std::fprintf(stderr, "gethostbyname: %s\n",
                     lookup == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(lookup));
        if (found != nullptr) {
            ::freeaddrinfo(found);
        }
        return false;
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    remote.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        std::perror("socket");
        return false;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) < 0) {
        std::perror("connect");
        ::close(fd);
        return false;
    }
    sockfd = fd;
    return true;
}

bool Communicator::create(unsigned port) {
    disconnect();
    this->port = port;
    if (port > kMaxPort) {
        std::fprintf(stderr, "Bind: port %u out of range\n", port);
        return false;
    }
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        std::perror("socket");
        return false;
    }
    // The learning framework listens on the same port again after every
    // restart; a connection still in TIME_WAIT must not block that.
    const int reuse = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_port = htons(static_cast<uint16_t>(port));
    self.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&self), sizeof(self)) < 0) {
        std::perror("Bind");
        ::close(listener);
        return false;
    }
    if (::listen(listener, 10) < 0) {
        std::perror("listen");
        ::close(listener);
        return false;
    }
    int peer = -1;
    do {
        peer = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    } while (peer < 0 && errno == EINTR);
    if (peer < 0) {
        std::perror("accept");
    }
    ::close(listener);
    sockfd = peer;
    return peer >= 0;
}

bool Communicator::sendMsg(const char* text) {
    if (text == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(text);
    bool sent = false;
    if (usePerfix) {
        if (length > UINT32_MAX) {
            return false;
        }
        std::string block(kPrefixSize + length, '\0');
        const std::uint32_t prefix = htonl(static_cast<std::uint32_t>(length));
        std::memcpy(&block[0], &prefix, kPrefixSize);
        std::memcpy(&block[kPrefixSize], text, length);
        sent = TDataPorter::sendAll(sockfd, block.data(), block.size());
    } else {
        sent = TDataPorter::sendAll(sockfd, text, length);
    }
    if (!sent) {
        std::perror("send");
    }
    return sent;
}

bool Communicator::sendMsg(const std::string& text) { return sendMsg(text.c_str()); }

void Communicator::lostLink(ssize_t got) {
    if (got < 0) {
        std::perror("recv");
    } else {
        std::fprintf(stderr, "recv: connection closed by peer\n");
    }
    disconnect();
}

bool Communicator::receiveExactly(char* dest, std::size_t count) {
    while (count > 0) {
        const ssize_t got = TDataPorter::receiveSome(sockfd, dest, count);
        if (got <= 0) {
            lostLink(got);
            return false;
        }
        dest += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

char* Communicator::readMsg() {
    std::memset(buf.get(), 0, bufSize);
    if (!usePerfix) {
        const ssize_t got = TDataPorter::receiveSome(sockfd, buf.get(), bufSize - 1);
        if (got <= 0) {
            lostLink(got);
            return nullptr;
        }
        return buf.get();
    }

    if (!receiveExactly(buf.get(), kPrefixSize)) {
        return nullptr;
    }
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, buf.get(), kPrefixSize);
    const std::uint32_t length = ntohl(prefix);
    char* text = buf.get() + kPrefixSize;
    const std::size_t room = bufSize - kPrefixSize - 1;
    if (length > room) {
        // Too long for the buffer: drop it whole so the next read starts at
        // the next prefix, and hand on an empty text.
        std::fprintf(stderr, "recv: message of %u bytes refused (room for %zu)\n",
                     static_cast<unsigned>(length), room);
        char sink[512];
        std::uint64_t left = length;
        while (left > 0) {
            const std::size_t chunk =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof(sink)));
            if (!receiveExactly(sink, chunk)) {
                return nullptr;
            }
            left -= chunk;
        }
        text[0] = '\0';
        return text;
    }
    if (!receiveExactly(text, length)) {
        return nullptr;
    }
    text[length] = '\0';
    return text;
}

void Communicator::disconnect() {
    if (sockfd != -1) {
        ::close(sockfd);
        sockfd = -1;
    }
}
