// Reads a message trace as the development build writes it ("Msg.txt"):
// every message followed by an empty line. Used by the offline tools that
// run a recorded game through the perception update again.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

class TraceReader {
public:
    // The server never sends more than 4096 bytes; a "message" beyond this
    // size is not a perception but a damaged or foreign file, and holding
    // it whole would only eat memory. Such a message is cut to this size
    // (the rest up to its empty line is skipped) and marked as cut.
    static constexpr std::size_t kMaxMessageSize = 1024 * 1024;

    explicit TraceReader(std::istream& in);

    // The next message, without its line end and empty line, in `text`;
    // false when the trace has no further message. Lines of one message
    // are joined with "\n"; Windows line ends ("\r\n") count as line ends;
    // several empty lines in a row separate like one; a last message
    // without its empty line (a trace cut short) is still returned.
    bool next(std::string& text);
    // Whether the message last returned was longer than kMaxMessageSize.
    bool lastWasCut() const;
    // 1 for the first message returned, and so on.
    long getMessageNumber() const;

private:
    std::istream& in;
    bool cut;
    long number;
};
