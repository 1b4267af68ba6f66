// A plain TCP link for the outside optimiser used by the learning framework:
// either end of one connection, with or without a 4-byte length prefix.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

class Communicator {
public:
    // `size` is the receive buffer; with the prefix, 5 bytes of it are the
    // prefix and the terminator, so it is raised to at least 5.
    Communicator(unsigned size, bool usePerfix);
    // Releases the buffer and closes the link.
    ~Communicator();

    Communicator(const Communicator&) = delete;
    Communicator& operator=(const Communicator&) = delete;

    // Client side: connects to `host`:`port`, closing any previous link.
    // Failures are reported as "gethostbyname", "socket" or "connect".
    bool connect2(unsigned port, const char* host);
    // Server side: listens on `port` of every local address and waits for
    // one peer, which becomes the link; the listening socket is closed
    // afterwards, so the port can be listened on again. Failures are reported
    // as "socket", "Bind", "listen" or "accept".
    bool create(unsigned port);

    // One message (with its length prefix when usePerfix); all bytes are
    // written even when the socket takes them in pieces. "send" on failure.
    bool sendMsg(const char* text);
    bool sendMsg(const std::string& text);
    // The next message, zero-terminated, valid until the next call; nullptr
    // when the link failed ("recv") or the peer closed it.
    //  - With the prefix: exactly one framed message; one longer than the
    //    buffer allows is skipped and gives an empty text.
    //  - Without: whatever one receive brings, at most size - 1 bytes.
    char* readMsg();
    // Closes the link (nothing happens when there is none).
    void disconnect();

    bool isConnected() const { return sockfd != -1; }

private:
    bool receiveExactly(char* dest, std::size_t count);
    // A receive ended the link (`got` 0: closed by the peer; below 0: an
    // error): says which and disconnects.
    void lostLink(ssize_t got);

    std::unique_ptr<char[]> buf;
    unsigned bufSize;
    bool usePerfix;
    std::string hostName = "127.0.0.1";
    unsigned port = 0;
    int sockfd = -1;
};
