// The optimiser's end of the learning link: a TCP client to learnagent,
// which listens on port 4100 (or the port it was given), on this machine or
// another. Vectors go out as one line of numbers; each fitness comes back as
// one line holding one number.
#pragma once

#include <string>

class LearningLink {
public:
    LearningLink() = default;
    ~LearningLink();
    LearningLink(const LearningLink&) = delete;
    LearningLink& operator=(const LearningLink&) = delete;

    // Tries again every half second until `waitSeconds` have passed (the
    // agent starts listening only once it is up). HOST is a name or an IPv4
    // address. False with `error` set.
    bool connectTo(const std::string& host, int port, double waitSeconds, std::string& error);
    bool sendLine(const std::string& line);
    // The next line without its line end. False when the agent closed the
    // link (or it failed) before a whole line came, or the line grew beyond
    // kMaxLine.
    bool readLine(std::string& line);
    enum class Read { Line, More, Closed };
    // For a caller that waits on several links with poll(): takes what one
    // receive brings. Line when a whole line is there (in `line`), More when
    // it is not yet, Closed when the link has ended or failed.
    Read readSome(std::string& line);
    int descriptor() const { return fd; }
    void close();

    static constexpr std::size_t kMaxLine = 4096;

private:
    bool takeLine(std::string& line);

    int fd = -1;
    std::string pending;
};
