// An agent's bytes reach fieldsim in whatever pieces TCP makes of them. The
// decoder must hand out exactly the frames a plain reading of the whole
// stream finds, in order and however the stream is cut; refuse for good at
// the first length above 64 KiB; and hold back no more than the unfinished
// rest.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/FrameDecoder.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

struct Reading {
    std::vector<std::string> frames;
    bool refused = false;
    std::uint32_t refusedLength = 0;
    size_t rest = 0;  // bytes after the last whole frame
};

Reading plainReading(const std::uint8_t* s, size_t size) {
    Reading r;
    size_t at = 0;
    while (size - at >= 4) {
        const std::uint32_t length = (std::uint32_t{s[at]} << 24) | (std::uint32_t{s[at + 1]} << 16) |
                                     (std::uint32_t{s[at + 2]} << 8) | std::uint32_t{s[at + 3]};
        if (length > FrameDecoder::kMaxFrame) {
            r.refused = true;
            r.refusedLength = length;
            return r;
        }
        if (size - at - 4 < length) break;
        r.frames.emplace_back(reinterpret_cast<const char*>(s + at + 4), length);
        at += 4 + length;
    }
    r.rest = size - at;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte seeds the piece sizes (1 to 256 bytes, varying).
    std::uint32_t cut = data[0] * 2654435761u + 1;
    ++data;
    --size;

    const Reading expected = plainReading(data, size);
    FrameDecoder decoder;
    std::vector<std::string> frames;
    bool accepted = true;
    for (size_t at = 0; at < size;) {
        cut = cut * 1103515245u + 12345u;
        const size_t piece = std::min<size_t>(size - at, 1 + (cut >> 16) % 256);
        // An exact-size heap copy of each piece, so a read past it is caught.
        std::vector<char> bytes(data + at, data + at + piece);
        const size_t before = frames.size();
        const bool ok = decoder.feed(bytes.data(), bytes.size(), frames);
        if (!accepted) {
            check(!ok && frames.size() == before);  // refused for good
        }
        accepted = accepted && ok;
        at += piece;
    }
    check(frames == expected.frames);
    check(decoder.failed() == expected.refused);
    check(accepted == !expected.refused);
    if (expected.refused) {
        check(decoder.refusedLength() == expected.refusedLength);
    } else {
        check(decoder.pending() == expected.rest);
    }

    // What the server writes, the decoder reads back unchanged.
    std::string stream;
    for (const std::string& f : frames) stream += FrameDecoder::encode(f);
    FrameDecoder again;
    std::vector<std::string> back;
    check(again.feed(stream.data(), stream.size(), back));
    check(back == frames && again.pending() == 0);
    return 0;
}
