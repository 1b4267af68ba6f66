// The simulation server's framing on top of a TCP connection: every message,
// in both directions, is its length as a 4-byte big-endian unsigned integer
// followed by that many bytes of text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "utils/TConnection.h"

class TRoboCupConnection : public TConnection {
public:
    // Bytes gathered from the socket and not yet delivered.
    static constexpr std::size_t kReceiveAreaSize = 16384;
    // The longest text the receive area can hold behind its prefix.
    static constexpr std::size_t kMaxMessageSize = kReceiveAreaSize - 4;

    // Connects at once when `host` is not empty and `port` is not -1.
    explicit TRoboCupConnection(const char* host = "", int port = -1);

    // Sends the length prefix and the text (without its terminator), all of
    // it even when the socket takes it in several writes. An empty text sends
    // the four zero bytes of its length alone. False when not connected or
    // when a write fails ("TRoboCupConnection::sendCommand: <reason>").
    bool sendCommand(const char* text);

    // Delivers the next message into `dest`, zero-terminated; `dest` must
    // have room for capacity + 1 bytes. Blocks until the whole message is
    // there. Bytes that arrived behind the message are kept for the next call.
    //  - true: a message was delivered.
    //  - false and connected(): the message was longer than `capacity` (or
    //    than kMaxMessageSize); it was skipped, `dest` holds an empty text and
    //    the next call reads the message that follows it.
    //  - false and !connected(): the peer closed the connection or a read
    //    failed; the connection is closed.
    bool getMessage(char* dest, std::size_t capacity);

protected:
    void socketChanged() override;

private:
    // Reads until at least `wanted` bytes are held; closes the connection and
    // gives false when the peer goes away first (reported when that cuts a
    // message short).
    bool fill(std::size_t wanted, bool insideMessage);
    // Reads and drops the `count` payload bytes of a refused message.
    bool skip(std::uint64_t count);
    // Drops the first `count` held bytes, keeping what follows.
    void consume(std::size_t count);

    std::vector<char> m_Area;       // kReceiveAreaSize bytes, allocated once
    std::size_t m_Held = 0;         // bytes of m_Area in use, from its start
    std::vector<char> m_SendBlock;  // reused, grows to the longest command
};
