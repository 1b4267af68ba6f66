// fieldsim's standard output as a stream that never blocks the simulation.
// Lines are kept in memory and written only as far as the descriptor takes
// them at once; when nobody reads (a full pipe, a stopped terminal) they pile
// up to a bound, after which whole lines are dropped and counted, and a note
// says how many once output flows again. The descriptor's own flags are left
// alone: it is usually shared with the shell that started us.
#pragma once

#include <cstddef>
#include <streambuf>
#include <string>

class ConsoleWriter : public std::streambuf {
public:
    static constexpr size_t kMaxPending = 1024 * 1024;

    explicit ConsoleWriter(int fd, size_t maxPending = kMaxPending) : fd_(fd), maxPending_(maxPending) {}
    ~ConsoleWriter() override;
    ConsoleWriter(const ConsoleWriter&) = delete;
    ConsoleWriter& operator=(const ConsoleWriter&) = delete;

    // Writes what the descriptor takes now, without waiting.
    void pump();
    // At the end: waits up to `seconds` in all for the rest to go out.
    void drain(double seconds);

    size_t pending() const { return pending_.size() - written_; }
    long long droppedLines() const { return droppedTotal_; }

protected:
    int overflow(int ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    void put(char c);
    // False when the descriptor would block (or failed); true when all is out.
    bool writeSome(int timeoutMs);

    int fd_;
    size_t maxPending_;
    std::string pending_;
    size_t written_ = 0;
    static constexpr size_t kNoteRoom = 128;  // kept free for the note about dropped lines
    bool atLineStart_ = true;
    bool droppingLine_ = false;  // the current line did not fit; the rest of it goes too
    long long dropped_ = 0;      // lines dropped since the last note
    long long droppedTotal_ = 0;
    bool failed_ = false;        // the descriptor is gone (closed pipe): output is thrown away
};
