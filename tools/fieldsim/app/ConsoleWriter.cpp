#include "app/ConsoleWriter.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

namespace {

// A pipe that reports room takes this many bytes in one write without
// blocking; files and terminals take them as well.
constexpr size_t kWriteStep = PIPE_BUF;

}  // namespace

ConsoleWriter::~ConsoleWriter() { pump(); }

int ConsoleWriter::overflow(int ch) {
    if (ch != traits_type::eof()) put(static_cast<char>(ch));
    return traits_type::not_eof(ch);
}

std::streamsize ConsoleWriter::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) put(s[i]);
    return n;
}

int ConsoleWriter::sync() {
    pump();
    return 0;
}

void ConsoleWriter::put(char c) {
    if (failed_) return;
    if (atLineStart_) {
        if (dropped_ > 0 && pending() + kNoteRoom <= maxPending_) {
            // Room again: say what was lost before going on.
            pending_ += "(console: " + std::to_string(dropped_) + " lines dropped, nobody read them in time)\n";
            dropped_ = 0;
        }
        droppingLine_ = pending() >= maxPending_;
    }
    atLineStart_ = c == '\n';
    if (!droppingLine_) {
        pending_ += c;
    } else if (c == '\n') {
        ++dropped_;
        ++droppedTotal_;
    }
}

void ConsoleWriter::pump() { writeSome(0); }

bool ConsoleWriter::writeSome(int timeoutMs) {
    while (!failed_ && written_ < pending_.size()) {
        pollfd p{fd_, POLLOUT, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        if (p.revents & (POLLERR | POLLNVAL)) {
            failed_ = true;
            break;
        }
        const size_t step = std::min(kWriteStep, pending_.size() - written_);
        const ssize_t n = ::write(fd_, pending_.data() + written_, step);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            failed_ = true;  // nobody will ever read it
            break;
        }
        written_ += static_cast<size_t>(n);
    }
    if (failed_ || written_ == pending_.size()) {
        pending_.clear();
        written_ = 0;
        return !failed_;
    }
    // Drop the written front now and then rather than on every write.
    if (written_ >= 64 * 1024) {
        pending_.erase(0, written_);
        written_ = 0;
    }
    return false;
}

void ConsoleWriter::drain(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (pending() > 0 && !failed_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (writeSome(static_cast<int>(std::min<long long>(left.count(), INT_MAX)))) break;
    }
}
