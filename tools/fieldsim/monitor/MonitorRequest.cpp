#include "monitor/MonitorRequest.h"

#include <vector>

namespace {

// A method or header name: RFC 9110 token characters.
bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
        case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+':
        case '-': case '.': case '^': case '_': case '`': case '|': case '~':
            return true;
        default:
            return false;
    }
}

bool isToken(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!isTokenChar(c)) return false;
    }
    return true;
}

// Visible ASCII only: no spaces, controls or bytes above 0x7e.
bool isVisible(const std::string& text) {
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f) return false;
    }
    return true;
}

std::vector<std::string> splitLines(const std::string& head) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < head.size()) {
        size_t end = head.find('\n', start);
        if (end == std::string::npos) end = head.size();
        size_t stop = end;
        if (stop > start && head[stop - 1] == '\r') --stop;
        lines.push_back(head.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

MonitorRequest::Status MonitorRequest::fail(const std::string& why) {
    problem_ = why;
    return Status::Bad;
}

MonitorRequest::Status MonitorRequest::parse(const std::string& received, size_t maxHeadBytes) {
    // The end of the head is the first empty line, with or without CR.
    size_t end = std::string::npos;
    size_t endLength = 0;
    for (size_t i = 0; i < received.size(); ++i) {
        if (received[i] != '\n') continue;
        if (i + 1 < received.size() && received[i + 1] == '\n') {
            end = i;
            endLength = 2;
            break;
        }
        if (i + 2 < received.size() && received[i + 1] == '\r' && received[i + 2] == '\n') {
            end = i;
            endLength = 3;
            break;
        }
    }
    if (end == std::string::npos) {
        if (received.size() > maxHeadBytes) {
            problem_ = "request head longer than " + std::to_string(maxHeadBytes) + " bytes";
            return Status::TooLarge;
        }
        return Status::Incomplete;
    }
    headLength_ = end + endLength;
    if (headLength_ > maxHeadBytes) {
        problem_ = "request head longer than " + std::to_string(maxHeadBytes) + " bytes";
        return Status::TooLarge;
    }

    // Browsers may send a stray empty line before a request; skip those.
    std::string head = received.substr(0, end + 1);
    size_t first = 0;
    while (first < head.size() && (head[first] == '\r' || head[first] == '\n')) ++first;
    const std::vector<std::string> lines = splitLines(head.substr(first));
    if (lines.empty()) return fail("empty request");
    if (!parseRequestLine(lines[0])) return Status::Bad;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const size_t colon = line.find(':');
        if (colon == std::string::npos || !isToken(line.substr(0, colon))) {
            return fail("malformed header line");
        }
        for (char c : line) {
            if (c == '\0' || c == '\r') return fail("control character in a header");
        }
    }
    return Status::Complete;
}

bool MonitorRequest::parseRequestLine(const std::string& line) {
    const size_t sp1 = line.find(' ');
    const size_t sp2 = sp1 == std::string::npos ? std::string::npos : line.find(' ', sp1 + 1);
    if (sp2 == std::string::npos || line.find(' ', sp2 + 1) != std::string::npos) {
        fail("the request line is not METHOD TARGET VERSION");
        return false;
    }
    const std::string method = line.substr(0, sp1);
    const std::string target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string version = line.substr(sp2 + 1);
    if (!isToken(method)) {
        fail("malformed method");
        return false;
    }
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        fail("unsupported HTTP version");
        return false;
    }
    if (target.empty() || target[0] != '/' || !isVisible(target)) {
        fail("malformed target");
        return false;
    }
    method_ = method;
    const size_t pathEnd = target.find_first_of("?#");
    path_ = target.substr(0, pathEnd);
    query_.clear();
    if (pathEnd != std::string::npos && target[pathEnd] == '?') {
        const size_t fragment = target.find('#', pathEnd);
        query_ = target.substr(pathEnd + 1, fragment == std::string::npos ? std::string::npos : fragment - pathEnd - 1);
    }
    return true;
}

bool MonitorRequest::parameter(const std::string& name, std::string& value) const {
    size_t start = 0;
    while (start <= query_.size()) {
        size_t end = query_.find('&', start);
        if (end == std::string::npos) end = query_.size();
        const size_t eq = query_.find('=', start);
        const size_t keyEnd = eq < end ? eq : end;
        if (query_.compare(start, keyEnd - start, name) == 0 && keyEnd - start == name.size()) {
            value = eq < end ? query_.substr(eq + 1, end - eq - 1) : std::string();
            return true;
        }
        start = end + 1;
    }
    return false;
}
