#include "utils/TRoboCupConnection.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "buildMode.h"

TRoboCupConnection::TRoboCupConnection(const char* host, int port)
    : TConnection(CONN_TCP, host, port), m_Area(kReceiveAreaSize) {}

void TRoboCupConnection::socketChanged() {
    // Whatever was held belongs to the old stream.
    m_Held = 0;
}

bool TRoboCupConnection::sendCommand(const char* text) {
    if (!connected() || text == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(text);
    if (length > UINT32_MAX) {
        return false;
    }
    // Prefix and text go out as one block, so the server never sees a
    // prefix without its text in a separate segment.
    m_SendBlock.resize(4 + length);
    const std::uint32_t prefix = htonl(static_cast<std::uint32_t>(length));
    std::memcpy(m_SendBlock.data(), &prefix, 4);
    std::memcpy(m_SendBlock.data() + 4, text, length);
    if (!TDataPorter::sendAll(getSocketFD(), m_SendBlock.data(), m_SendBlock.size())) {
        std::perror("TRoboCupConnection::sendCommand");
        return false;
    }
    return true;
}

bool TRoboCupConnection::getMessage(char* dest, std::size_t capacity) {
    if (dest == nullptr) {
        return false;
    }
    dest[0] = '\0';
    if (!connected() || !fill(4, false)) {
        return false;
    }
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, m_Area.data(), 4);
    const std::uint32_t length = ntohl(prefix);

    if (length > std::min(capacity, kMaxMessageSize)) {
        devErr("TRoboCupConnection::getMessage: refused a message of ", length, " bytes (room for ",
               std::min(capacity, kMaxMessageSize), ")\n");
        return skip(length);
    }
    if (!fill(4 + static_cast<std::size_t>(length), true)) {
        return false;
    }
    std::memcpy(dest, m_Area.data() + 4, length);
    dest[length] = '\0';
    consume(4 + static_cast<std::size_t>(length));
    return true;
}

bool TRoboCupConnection::fill(std::size_t wanted, bool insideMessage) {
    while (m_Held < wanted) {
        const ssize_t got =
            TDataPorter::receiveSome(getSocketFD(), m_Area.data() + m_Held, m_Area.size() - m_Held);
        if (got <= 0) {
            if (got < 0) {
                std::perror("TRoboCupConnection::getMessage");
            } else if (insideMessage || m_Held > 0) {
                std::fprintf(
                    stderr, "TRoboCupConnection::getMessage: connection closed inside a message\n");
            }
            closeConnection();
            return false;
        }
        m_Held += static_cast<std::size_t>(got);
    }
    return true;
}

bool TRoboCupConnection::skip(std::uint64_t count) {
    const std::size_t heldPayload = m_Held - 4;
    if (heldPayload >= count) {
        consume(4 + static_cast<std::size_t>(count));
        return false;
    }
    std::uint64_t left = count - heldPayload;
    m_Held = 0;
    while (left > 0) {
        if (!fill(1, true)) {
            return false;
        }
        const std::size_t dropped = static_cast<std::size_t>(std::min<std::uint64_t>(left, m_Held));
        consume(dropped);
        left -= dropped;
    }
    return false;
}

void TRoboCupConnection::consume(std::size_t count) {
    const std::size_t rest = m_Held - count;
    if (rest > 0) {
        std::memmove(m_Area.data(), m_Area.data() + count, rest);
    }
    m_Held = rest;
}
