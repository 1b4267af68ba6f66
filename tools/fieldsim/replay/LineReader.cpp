#include "replay/LineReader.h"

#include <cstring>

bool LineReader::fill() {
    if (eof_) return false;
    at_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (end_ == 0) {
        eof_ = true;
        failed_ = std::ferror(file_) != 0;
        return false;
    }
    return true;
}

bool LineReader::next(std::string& line) {
    line.clear();
    cut_ = false;
    complete_ = false;
    bool any = false;
    for (;;) {
        if (at_ == end_ && !fill()) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return any;
        }
        any = true;
        const char* start = buffer_.data() + at_;
        const void* nl = std::memchr(start, '\n', end_ - at_);
        const size_t take = nl ? static_cast<size_t>(static_cast<const char*>(nl) - start) : end_ - at_;
        const size_t room = line.size() < maxLine_ ? maxLine_ - line.size() : 0;
        if (take > room) cut_ = true;
        line.append(start, take < room ? take : room);
        at_ += take;
        if (nl) {
            ++at_;
            complete_ = true;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
    }
}
