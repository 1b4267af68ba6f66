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
    // Bytes read from one client per cycle. A robot's busiest answer is a
    // few kilobytes, so only a flood reaches this; the flooder then waits for
    // the next cycle and nobody else does. (A robot the lockstep waits for
    // may read on until its answer is complete.)
    static constexpr size_t kCycleAllowance = 8 * 1024;

    ClientConnection(int id, int fd, std::string peer);
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    int id() const { return id_; }
    int fd() const { return fd_; }
    const std::string& peer() const { return peer_; }

    enum class ReadResult { Data, Closed, Error, BadFrame };
    // Reads what is there, at most `limit` bytes (and one chunk); whole
    // frames are appended to `frames`.
    ReadResult readSome(std::vector<std::string>& frames, size_t& bytesRead, size_t limit = kReadChunk);
    const FrameDecoder& decoder() const { return decoder_; }

    // This cycle's reading so far; the server starts each cycle afresh.
    size_t readThisCycle() const { return readThisCycle_; }
    void newCycle() { readThisCycle_ = 0; }
    size_t allowanceLeft() const { return readThisCycle_ < kCycleAllowance ? kCycleAllowance - readThisCycle_ : 0; }

    // Queues one framed message; false when the backlog limit is exceeded.
    bool queue(const std::string& text);
    // Writes as much as the socket takes; false on a write error.
    bool flush(size_t& bytesWritten);
    bool hasOutput() const { return out_.pending() > 0; }

    // Closing without a reset: no more sending (the peer reads to its end),
    // then what the peer still sends is read and thrown away until it closes
    // too. Reading ends on the peer's close (true) or when nothing more is
    // there for now (false).
    void shutdownSending();
    bool discardInput();

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
    size_t readThisCycle_ = 0;
};
