// One browser's connection to the web monitor: a non-blocking socket, the
// request bytes received so far and the bytes still to go out. What the
// connection is for is decided by the server; this class only moves bytes.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "net/SendBuffer.h"

class MonitorConnection {
public:
    using Clock = std::chrono::steady_clock;

    enum class Phase {
        Request,    // reading the request head
        Reply,      // sending one reply, then closing
        Stream,     // an event stream: states are sent as they come
        Closing,    // reply sent and our side shut; waiting for the browser to close
    };
    enum class ReadResult { Data, Closed, Error };

    MonitorConnection(int fd, Clock::time_point deadline);
    ~MonitorConnection();
    MonitorConnection(const MonitorConnection&) = delete;
    MonitorConnection& operator=(const MonitorConnection&) = delete;

    int fd() const { return fd_; }

    // Reads what is there. In the Request phase the bytes are kept, up to
    // `keepLimit` of them (beyond that the request is too large anyway); in
    // the other phases they are read and thrown away.
    ReadResult readSome(size_t keepLimit);
    const std::string& received() const { return in_; }

    void queue(const std::string& bytes) { out_.append(bytes); }
    // Writes as much as the socket takes without blocking; false on a write
    // error. `written` counts the bytes sent.
    bool flush(size_t& written);
    bool flush() {
        size_t written = 0;
        return flush(written);
    }
    size_t pending() const { return out_.pending(); }

    // Shuts our sending side once everything is out, so that the browser sees
    // the end of the reply while its unread request bytes cannot turn the
    // close into a reset that would cut the reply.
    void shutdownSending();

    Phase phase = Phase::Request;
    // When this connection is given up if it is still in the same phase.
    Clock::time_point deadline;
    // Stream phase: states left out in a row because the browser was behind.
    int skipped = 0;
    // Stream phase: the count of published states when the backlog last
    // drained (went out in part, or was empty).
    long long drainedAt = 0;

private:
    int fd_;
    std::string in_;
    // Sent bytes are dropped from the front in batches of 64 KiB.
    SendBuffer out_{64 * 1024};
};
