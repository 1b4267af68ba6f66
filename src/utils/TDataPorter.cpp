#include "utils/TDataPorter.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

TDataPorter::TDataPorter(ConnectionT type, int socketFD) : m_SocketFD(-1), m_ConnectionType(type) {
    setSocketFD(socketFD, type);
}

TDataPorter::~TDataPorter() { closeAll(); }

bool TDataPorter::setSocketFD(int socketFD, ConnectionT type) {
    if (isActive()) {
        return false;
    }
    m_SocketFD = socketFD < 0 ? -1 : socketFD;
    m_ConnectionType = type;
    return true;
}

bool TDataPorter::open() {
    if (isActive()) {
        return false;
    }
    // Close-on-exec: the learning framework starts the simulator with
    // system(); a child must not inherit (and keep alive) our connection.
    const int kind = (m_ConnectionType == CONN_TCP ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC;
    const int fd = ::socket(AF_INET, kind, 0);
    if (fd < 0) {
        std::perror("TDataPorter::socket");
        return false;
    }
    const int reuse = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse)) < 0) {
        std::perror("TDataPorter::setsockopt");
        ::close(fd);
        return false;
    }
    m_SocketFD = fd;
    return true;
}

bool TDataPorter::reOpen() {
    closeAll();
    return open();
}

bool TDataPorter::closeAll() {
    if (!isActive()) {
        return false;
    }
    ::close(m_SocketFD);
    m_SocketFD = -1;
    return true;
}

bool TDataPorter::sendAll(int socketFD, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(socketFD, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

ssize_t TDataPorter::receiveSome(int socketFD, char* dest, std::size_t size) {
    for (;;) {
        const ssize_t got = ::recv(socketFD, dest, size, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got;
    }
}
