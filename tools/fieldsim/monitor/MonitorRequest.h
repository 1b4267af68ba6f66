// The head of one HTTP request to the web monitor, read from untrusted bytes.
// Only what the monitor needs is kept: the method and the path.
#pragma once

#include <cstddef>
#include <string>

class MonitorRequest {
public:
    enum class Status {
        Incomplete,  // the head has not ended yet: read more
        Complete,    // method and path are set
        Bad,         // malformed: answer 400 and close
        TooLarge,    // the head is longer than allowed: answer 400 and close
    };

    // Looks at the bytes received so far. A head ends with an empty line
    // (CRLF CRLF, or bare LF LF from hand-typed requests); `headLength` is set
    // to its length including that line.
    Status parse(const std::string& received, size_t maxHeadBytes);

    const std::string& method() const { return method_; }
    // The target without its query string, e.g. "/state" for "/state?t=5".
    const std::string& path() const { return path_; }
    // The query string without its "?", e.g. "t=5"; empty when there is none.
    const std::string& query() const { return query_; }
    // The value of `name` in the query ("t" in "t=5&x"); false when it is not
    // there. Values are taken as they are: the monitor's own parameters are
    // numbers, which need no decoding.
    bool parameter(const std::string& name, std::string& value) const;
    size_t headLength() const { return headLength_; }
    // Why a request was refused, for the 400 answer.
    const std::string& problem() const { return problem_; }

private:
    Status fail(const std::string& why);
    bool parseRequestLine(const std::string& line);

    std::string method_;
    std::string path_;
    std::string query_;
    std::string problem_;
    size_t headLength_ = 0;
};
