#include "monitor/MonitorConnection.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t kReadChunk = 16 * 1024;

}  // namespace

MonitorConnection::MonitorConnection(int fd, Clock::time_point deadlineAt) : deadline(deadlineAt), fd_(fd) {}

MonitorConnection::~MonitorConnection() {
    if (fd_ >= 0) ::close(fd_);
}

MonitorConnection::ReadResult MonitorConnection::readSome(size_t keepLimit) {
    char buf[kReadChunk];
    // A bounded number of chunks per call, so that a flooding browser cannot
    // hold up the simulation loop.
    for (int chunk = 0; chunk < 4; ++chunk) {
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n == 0) return ReadResult::Closed;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return ReadResult::Data;
            return ReadResult::Error;
        }
        if (phase == Phase::Request) {
            // One byte beyond the limit is kept so that the parser sees the excess.
            const size_t room = in_.size() <= keepLimit ? keepLimit + 1 - in_.size() : 0;
            in_.append(buf, std::min(room, static_cast<size_t>(n)));
            return ReadResult::Data;
        }
        // Anything after the request is not used; keep draining without storing.
        if (static_cast<size_t>(n) < sizeof buf) return ReadResult::Data;
    }
    return ReadResult::Data;
}

bool MonitorConnection::flush(size_t& written) { return out_.flush(fd_, written); }

void MonitorConnection::shutdownSending() { ::shutdown(fd_, SHUT_WR); }
