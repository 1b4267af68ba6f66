// Bytes waiting to go out on a non-blocking socket: appended whole, written
// as far as the socket takes them, the sent front dropped once it grows.
#pragma once

#include <cstddef>
#include <string>

class SendBuffer {
public:
    // The sent front is kept until it reaches `compactAfter` bytes, so that a
    // slow reader does not cost a copy of the rest on every write.
    explicit SendBuffer(size_t compactAfter) : compactAfter_(compactAfter) {}

    void append(const std::string& bytes) { data_ += bytes; }
    size_t pending() const { return data_.size() - offset_; }
    // Writes without blocking until the socket is full or all is out;
    // `written` counts the bytes sent; false on a write error.
    bool flush(int fd, size_t& written);

private:
    size_t compactAfter_;
    std::string data_;
    size_t offset_ = 0;
};
