#include "net/SendBuffer.h"

#include <sys/socket.h>

#include <cerrno>

bool SendBuffer::flush(int fd, size_t& written) {
    written = 0;
    while (offset_ < data_.size()) {
        const ssize_t n = ::send(fd, data_.data() + offset_, data_.size() - offset_, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            return false;
        }
        offset_ += static_cast<size_t>(n);
        written += static_cast<size_t>(n);
    }
    if (offset_ == data_.size()) {
        data_.clear();
        offset_ = 0;
    } else if (offset_ >= compactAfter_) {
        data_.erase(0, offset_);
        offset_ = 0;
    }
    return true;
}
