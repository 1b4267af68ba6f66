// Feeds arbitrary byte streams through a socketpair into the server framing
// and compares what is delivered with a straightforward reading of the same
// stream: every message in order, too-long ones refused and skipped, and the
// end of the stream ending the reading.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "utils/TRoboCupConnection.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Expected {
    bool refused;
    std::string text;
};

// The reference reading: what the framing must deliver for `stream`.
std::vector<Expected> referenceReading(const std::uint8_t* stream, std::size_t size,
                                       std::size_t capacity) {
    std::vector<Expected> out;
    const std::size_t limit = capacity < TRoboCupConnection::kMaxMessageSize
                                  ? capacity
                                  : TRoboCupConnection::kMaxMessageSize;
    std::size_t at = 0;
    while (size - at >= 4) {
        const std::uint64_t length =
            (std::uint64_t{stream[at]} << 24) | (std::uint64_t{stream[at + 1]} << 16) |
            (std::uint64_t{stream[at + 2]} << 8) | std::uint64_t{stream[at + 3]};
        if (length > size - at - 4) {
            break;  // cut off by the end of the stream
        }
        if (length > limit) {
            out.push_back({true, ""});
        } else {
            out.push_back(
                {false, std::string(reinterpret_cast<const char*>(stream + at + 4), length)});
        }
        at += 4 + length;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // First byte: the capacity; second: how the writer cuts the stream.
    const std::size_t capacity = std::size_t{data[0]} * 17;
    const std::size_t piece = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        return 0;
    }
    std::thread writer([&] {
        for (std::size_t at = 0; at < size;) {
            const std::size_t chunk = size - at < piece ? size - at : piece;
            const ssize_t n = ::send(fds[1], data + at, chunk, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            at += static_cast<std::size_t>(n);
        }
        ::close(fds[1]);
    });

    TRoboCupConnection con;
    con.attachSocket(fds[0]);
    const std::vector<Expected> expected = referenceReading(data, size, capacity);
    std::vector<char> dest(capacity + 1);
    std::size_t index = 0;
    for (;;) {
        const bool delivered = con.getMessage(dest.data(), capacity);
        if (!delivered && !con.connected()) {
            break;
        }
        check(index < expected.size());
        check(delivered != expected[index].refused);
        if (delivered) {
            check(std::memcmp(dest.data(), expected[index].text.data(),
                              expected[index].text.size()) == 0);
            check(dest[expected[index].text.size()] == '\0');
        } else {
            check(dest[0] == '\0');
        }
        ++index;
    }
    check(index == expected.size());
    writer.join();
    return 0;
}
