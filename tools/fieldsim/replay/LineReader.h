// Reads a text file line by line without trusting it: a line longer than the
// limit is cut (and said so) instead of growing without bound, and the last
// line is told apart when the file ends in the middle of it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class LineReader {
public:
    explicit LineReader(std::FILE* file, size_t maxLine) : file_(file), maxLine_(maxLine) {}

    // The next line without its line end; false at the end of the file.
    bool next(std::string& line);
    // About the line `next` returned last: longer than the limit (the rest
    // was skipped), and whether a line end closed it.
    bool cut() const { return cut_; }
    bool complete() const { return complete_; }
    bool failed() const { return failed_; }

private:
    bool fill();

    std::FILE* file_;
    size_t maxLine_;
    std::vector<char> buffer_ = std::vector<char>(1 << 20);
    size_t at_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    bool cut_ = false;
    bool complete_ = true;
};
