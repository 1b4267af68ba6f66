// The middle layer of the socket wrapper: a socket plus the addresses it
// talks between.
#pragma once

#include <netinet/in.h>

#include <memory>

#include "utils/TDataPorter.h"

class TConnection {
public:
    // Opens the connection at once when `host` is not empty and `port` is
    // not -1; see connected() for the outcome.
    explicit TConnection(ConnectionT type = CONN_TCP, const char* host = "", int port = -1);
    virtual ~TConnection();

    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    // Resolves `host` (a name or a dotted address) and, for TCP, connects to
    // it on `port` (1..65535). An unknown host is reported as
    // "TConnection::gethostbyname: <reason>" and leaves any previous socket
    // as it was; a failed connect is reported as
    // "TConnection::openConnection: <reason>" and leaves the connection
    // closed. For UDP nothing is connected and the result is true.
    bool openConnection(const char* host, int port);
    // False when not connected; otherwise closes the socket.
    bool closeConnection();
    // Takes ownership of an already connected descriptor (an accepted peer,
    // one end of a socketpair). Refused (false) while connected.
    bool attachSocket(int socketFD);

    bool connected() const;
    int getSocketFD() const;
    ConnectionT getConnectionType() const;
    int getLocalPort() const;
    // Refused (false) while connected.
    bool setLocalPort(int port);

protected:
    // Called whenever the socket is replaced or closed, so that subclasses
    // can drop state that belonged to the old stream.
    virtual void socketChanged() {}

    sockaddr_in m_SelfAddress;
    sockaddr_in m_Remote;
    std::unique_ptr<TDataPorter> m_SocketFD;
};
