// The monitor reads request heads from any program on the machine. Whatever
// arrives, the reader must agree with itself as more bytes come in (a head
// is complete once, at its first empty line, and stays so), never accept
// more than the limit, and hand the server only a plain method, path and
// query, whose parameters are found as a plain reading of it finds them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "monitor/MonitorRequest.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool tokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string("!#$%&'*+-.^_`|~").find(c) != std::string::npos;
}

bool visible(const std::string& text) {
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7f) return false;
    }
    return true;
}

// The query's fields as a plain reading finds them: split at '&', the name
// before the first '=', the value after it; the first field of a name counts.
void checkQuery(const MonitorRequest& request) {
    const std::string& query = request.query();
    check(query.find('#') == std::string::npos && visible(query));
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t start = 0;;) {
        const size_t end = std::min(query.find('&', start), query.size());
        const std::string field = query.substr(start, end - start);
        const size_t eq = field.find('=');
        fields.emplace_back(field.substr(0, eq), eq == std::string::npos ? "" : field.substr(eq + 1));
        if (end == query.size()) break;
        start = end + 1;
    }
    std::vector<std::string> names = {"t", "cycle", "absent-name"};
    for (size_t i = 0; i < fields.size() && i < 4; ++i) names.push_back(fields[i].first);
    for (const std::string& name : names) {
        const std::pair<std::string, std::string>* first = nullptr;
        for (const auto& f : fields) {
            if (f.first == name) {
                first = &f;
                break;
            }
        }
        std::string value = "unset";
        const bool found = request.parameter(name, value);
        check(found == (first != nullptr));
        if (found) check(value == first->second);
    }
}

bool hasEmptyLine(const std::string& text) {
    return text.find("\n\n") != std::string::npos || text.find("\n\r\n") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the head limit, from tiny to the server's 8 KiB.
    const size_t limit = 1 + static_cast<size_t>(data[0]) * 33;
    const std::string received(reinterpret_cast<const char*>(data + 1), size - 1);

    MonitorRequest request;
    const MonitorRequest::Status status = request.parse(received, limit);
    switch (status) {
        case MonitorRequest::Status::Incomplete:
            check(received.size() <= limit && !hasEmptyLine(received));
            break;
        case MonitorRequest::Status::TooLarge:
            check(received.size() > limit || request.headLength() > limit);
            check(!request.problem().empty());
            break;
        case MonitorRequest::Status::Bad:
            check(!request.problem().empty() && request.problem().find('\n') == std::string::npos);
            check(request.headLength() <= limit);
            break;
        case MonitorRequest::Status::Complete: {
            const size_t head = request.headLength();
            check(head >= 2 && head <= received.size() && head <= limit);
            check(received[head - 1] == '\n');
            check(received[head - 2] == '\n' || (head >= 3 && received.compare(head - 3, 3, "\n\r\n") == 0));
            check(!request.method().empty());
            for (char c : request.method()) check(tokenChar(c));
            check(!request.path().empty() && request.path()[0] == '/' && visible(request.path()));
            check(request.path().find_first_of("?#") == std::string::npos);
            checkQuery(request);
            // Cut just before its empty line, the head was not complete yet.
            MonitorRequest shorter;
            check(shorter.parse(received.substr(0, head - 1), limit) == MonitorRequest::Status::Incomplete);
            break;
        }
    }
    // The server parses again after every read: bytes after a finished head
    // change nothing.
    if (status != MonitorRequest::Status::Incomplete && received.size() < limit) {
        MonitorRequest longer;
        const MonitorRequest::Status again = longer.parse(received + "X\r\n\r\n", limit);
        check(again == status || (status == MonitorRequest::Status::TooLarge));
        if (again == MonitorRequest::Status::Complete) {
            check(longer.method() == request.method() && longer.path() == request.path());
            check(longer.headLength() == request.headLength());
        }
    }
    return 0;
}
