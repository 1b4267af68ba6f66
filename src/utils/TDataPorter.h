// The lowest layer of the socket wrapper: owns one socket descriptor.
#pragma once

#include <sys/types.h>

#include <cstddef>

enum ConnectionT { CONN_TCP = 0, CONN_UDP = 1, CONN_ILLEGAL = 2 };

// Holds one IPv4 socket descriptor and its kind. "Active" means a descriptor
// is open; the porter closes it when it is destroyed.
class TDataPorter {
public:
    // Takes ownership of `socketFD` when it is not -1.
    explicit TDataPorter(ConnectionT type = CONN_TCP, int socketFD = -1);
    ~TDataPorter();

    TDataPorter(const TDataPorter&) = delete;
    TDataPorter& operator=(const TDataPorter&) = delete;

    // Refused (false) while active; otherwise stores both.
    bool setSocketFD(int socketFD, ConnectionT type);
    int getSocketFD() const { return m_SocketFD; }
    ConnectionT getConnectionType() const { return m_ConnectionType; }
    bool isActive() const { return m_SocketFD != -1; }

    // Creates a stream socket for CONN_TCP, a datagram socket otherwise, with
    // address reuse. False when already active or on failure.
    bool open();
    // Closes what is open, then opens a fresh socket; the result of open().
    bool reOpen();
    // False when inactive; otherwise closes the descriptor.
    bool closeAll();

    // Writes all `size` bytes, continuing after short writes and
    // interruptions. Never raises SIGPIPE on a peer that has gone away.
    // False on the first error (errno tells which).
    static bool sendAll(int socketFD, const char* data, std::size_t size);
    // One read of at most `size` bytes, repeated only when interrupted by a
    // signal. Returns the byte count, 0 when the peer closed, -1 on failure.
    static ssize_t receiveSome(int socketFD, char* dest, std::size_t size);

protected:
    int m_SocketFD;
    ConnectionT m_ConnectionType;
};
