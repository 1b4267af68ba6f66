// One agent's TCP connection: a non-blocking socket, the frames coming in and
// the bytes still to go out.
#pragma once

#include <string>
#include <vector>

#include "net/FrameDecoder.h"
#include "net/SendBuffer.h"

class ClientConnection {
public:
    // A client that lets this much output pile up is not reading; it is dropped
    // rather than letting the server's memory grow.
    static constexpr size_t kMaxBacklog = 4 * 1024 * 1024;
    static constexpr size_t kReadChunk = 64 * 1024;

    ClientConnection(int id, int fd, std::string peer);
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    int id() const { return id_; }
    int fd() const { return fd_; }
    const std::string& peer() const { return peer_; }

    enum class ReadResult { Data, Closed, Error, BadFrame };
    // Reads what is there (one chunk); whole frames are appended to `frames`.
    ReadResult readSome(std::vector<std::string>& frames, size_t& bytesRead);
    const FrameDecoder& decoder() const { return decoder_; }

    // Queues one framed message; false when the backlog limit is exceeded.
    bool queue(const std::string& text);
    // Writes as much as the socket takes; false on a write error.
    bool flush(size_t& bytesWritten);
    bool hasOutput() const { return out_.pending() > 0; }

    // Lockstep bookkeeping: a client in the game receives perceptions; it is
    // waited for unless it let a whole timeout pass without answering.
    bool inGame = false;
    bool awaitingAnswer = false;
    bool lagging = false;

private:
    int id_;
    int fd_;
    std::string peer_;
    FrameDecoder decoder_;
    SendBuffer out_{256 * 1024};
};
