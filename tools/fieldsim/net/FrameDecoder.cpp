#include "net/FrameDecoder.h"

bool FrameDecoder::feed(const char* data, size_t size, std::vector<std::string>& frames) {
    if (failed_) return false;
    buffer_.append(data, size);
    for (;;) {
        const size_t available = buffer_.size() - consumed_;
        if (available < 4) break;
        const auto* p = reinterpret_cast<const unsigned char*>(buffer_.data() + consumed_);
        const std::uint32_t length = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                     (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
        if (length > kMaxFrame) {
            failed_ = true;
            refusedLength_ = length;
            buffer_.clear();
            consumed_ = 0;
            return false;
        }
        if (available < 4 + static_cast<size_t>(length)) break;
        frames.emplace_back(buffer_, consumed_ + 4, length);
        consumed_ += 4 + length;
    }
    // Drop what has been handed out once it is worth the copy.
    if (consumed_ > 0 && (consumed_ == buffer_.size() || consumed_ > 64 * 1024)) {
        buffer_.erase(0, consumed_);
        consumed_ = 0;
    }
    return true;
}

std::string FrameDecoder::encode(const std::string& text) {
    const auto n = static_cast<std::uint32_t>(text.size());
    std::string out;
    out.reserve(4 + text.size());
    out += static_cast<char>((n >> 24) & 0xff);
    out += static_cast<char>((n >> 16) & 0xff);
    out += static_cast<char>((n >> 8) & 0xff);
    out += static_cast<char>(n & 0xff);
    out += text;
    return out;
}
