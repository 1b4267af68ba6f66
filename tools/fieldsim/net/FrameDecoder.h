// The wire framing, both ways: a 4-byte big-endian length, then the text.
// The decoder takes bytes as they arrive (a frame may come in many pieces,
// several frames in one piece) and hands out whole frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FrameDecoder {
public:
    static constexpr std::uint32_t kMaxFrame = 64 * 1024;

    // Appends bytes; completed frames are appended to `frames`. False when a
    // frame announces more than kMaxFrame bytes: the stream cannot be trusted
    // any more and the decoder refuses further input.
    bool feed(const char* data, size_t size, std::vector<std::string>& frames);

    bool failed() const { return failed_; }
    std::uint32_t refusedLength() const { return refusedLength_; }
    // Bytes of an unfinished frame (or length prefix) held back.
    size_t pending() const { return buffer_.size() - consumed_; }

    static std::string encode(const std::string& text);

private:
    std::string buffer_;
    size_t consumed_ = 0;
    bool failed_ = false;
    std::uint32_t refusedLength_ = 0;
};
