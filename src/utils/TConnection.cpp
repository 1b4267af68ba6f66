#include "utils/TConnection.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

TConnection::TConnection(ConnectionT type, const char* host, int port)
    : m_SelfAddress(), m_Remote(), m_SocketFD(std::make_unique<TDataPorter>(type, -1)) {
    m_SelfAddress.sin_family = AF_INET;
    m_SelfAddress.sin_port = 0;
    m_SelfAddress.sin_addr.s_addr = htonl(INADDR_ANY);
    if (host != nullptr && host[0] != '\0' && port != -1) {
        openConnection(host, port);
    }
}

TConnection::~TConnection() {
    // Plain close: the subclass part is already gone, so no socketChanged().
    m_SocketFD->closeAll();
}

bool TConnection::openConnection(const char* host, int port) {
    if (host == nullptr) {
        host = "";
    }
    if (port < 1 || port > 65535) {
        std::fprintf(stderr, "TConnection::openConnection: port %d out of range\n", port);
        return false;
    }
    // getaddrinfo instead of the non-reentrant gethostbyname; the label stays
    // the one users and scripts know.
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = getConnectionType() == CONN_TCP ? SOCK_STREAM : SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int lookup = ::getaddrinfo(host, nullptr, &hints, &found);
    if (lookup != 0 || found == nullptr) {
        std::fprintf(stderr, "TConnection::gethostbyname: %s\n",
                     lookup == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(lookup));
        if (found != nullptr) {
            ::freeaddrinfo(found);
        }
        return false;
    }
    const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);

    const bool reopened = m_SocketFD->reOpen();
    socketChanged();
    if (!reopened) {
        return false;
    }
    m_Remote = sockaddr_in{};
    m_Remote.sin_family = AF_INET;
    m_Remote.sin_port = htons(static_cast<uint16_t>(port));
    m_Remote.sin_addr = address;

    if (getConnectionType() != CONN_TCP) {
        return true;
    }
    if (::connect(m_SocketFD->getSocketFD(), reinterpret_cast<const sockaddr*>(&m_Remote),
                  sizeof(m_Remote)) < 0) {
        std::perror("TConnection::openConnection");
        closeConnection();
        return false;
    }
    return true;
}

bool TConnection::closeConnection() {
    if (!connected()) {
        return false;
    }
    m_SocketFD->closeAll();
    socketChanged();
    return true;
}

bool TConnection::attachSocket(int socketFD) {
    if (connected() || socketFD < 0) {
        return false;
    }
    m_SocketFD->setSocketFD(socketFD, getConnectionType());
    socketChanged();
    return true;
}

bool TConnection::connected() const { return m_SocketFD->isActive(); }

int TConnection::getSocketFD() const { return m_SocketFD->getSocketFD(); }

ConnectionT TConnection::getConnectionType() const { return m_SocketFD->getConnectionType(); }

int TConnection::getLocalPort() const { return ntohs(m_SelfAddress.sin_port); }

bool TConnection::setLocalPort(int port) {
    if (connected() || port < 0 || port > 65535) {
        return false;
    }
    m_SelfAddress.sin_port = htons(static_cast<uint16_t>(port));
    return true;
}
