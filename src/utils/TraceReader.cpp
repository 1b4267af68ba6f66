#include "utils/TraceReader.h"

#include <streambuf>

TraceReader::TraceReader(std::istream& input) : in(input), cut(false), number(0) {}

bool TraceReader::next(std::string& text) {
    text.clear();
    cut = false;
    std::streambuf* buf = in.rdbuf();
    if (buf == nullptr) return false;

    constexpr int kEof = std::char_traits<char>::eof();
    std::size_t lineLength = 0;
    bool newlinePending = false;
    for (;;) {
        const int ch = buf->sbumpc();
        if (ch == kEof) break;
        if (ch == '\r' && buf->sgetc() == '\n') continue;
        if (ch == '\n') {
            if (lineLength == 0) {
                // An empty line ends the message; empty lines before any
                // text are only separators.
                if (!text.empty() || cut) break;
                continue;
            }
            newlinePending = true;
            lineLength = 0;
            continue;
        }
        ++lineLength;
        const std::size_t needed = newlinePending ? 2 : 1;
        if (text.size() + needed > kMaxMessageSize) {
            cut = true;
            continue;
        }
        if (newlinePending) text.push_back('\n');
        newlinePending = false;
        text.push_back(static_cast<char>(ch));
    }
    if (text.empty() && !cut) {
        in.setstate(std::ios::eofbit);
        return false;
    }
    ++number;
    return true;
}

bool TraceReader::lastWasCut() const { return cut; }

long TraceReader::getMessageNumber() const { return number; }
