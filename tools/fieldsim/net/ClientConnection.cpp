#include "net/ClientConnection.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

ClientConnection::ClientConnection(int id, int fd, std::string peer) : id_(id), fd_(fd), peer_(std::move(peer)) {}

ClientConnection::~ClientConnection() {
    if (fd_ >= 0) ::close(fd_);
}

ClientConnection::ReadResult ClientConnection::readSome(std::vector<std::string>& frames, size_t& bytesRead,
                                                        size_t limit) {
    bytesRead = 0;
    char buf[kReadChunk];
    const ssize_t n = ::recv(fd_, buf, std::max<size_t>(1, std::min(limit, sizeof buf)), 0);
    if (n == 0) return ReadResult::Closed;
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return ReadResult::Data;
        return ReadResult::Error;
    }
    bytesRead = static_cast<size_t>(n);
    readThisCycle_ += bytesRead;
    if (!decoder_.feed(buf, bytesRead, frames)) return ReadResult::BadFrame;
    return ReadResult::Data;
}

bool ClientConnection::queue(const std::string& text) {
    if (out_.pending() + text.size() + 4 > kMaxBacklog) return false;
    out_.append(FrameDecoder::encode(text));
    return true;
}

bool ClientConnection::flush(size_t& bytesWritten) { return out_.flush(fd_, bytesWritten); }

void ClientConnection::shutdownSending() { ::shutdown(fd_, SHUT_WR); }

bool ClientConnection::discardInput() {
    char buf[kReadChunk];
    // Bounded, so that a client sending without pause cannot hold us here.
    for (int chunk = 0; chunk < 16; ++chunk) {
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n == 0) return true;
        if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    }
    return false;
}
