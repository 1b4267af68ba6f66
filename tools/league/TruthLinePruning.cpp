#include "TruthLinePruning.h"

namespace {

// The end of the string starting at `at` (a quote): the index after its
// closing quote, or the end of the text when it is never closed.
size_t stringEnd(const std::string& s, size_t at) {
    for (size_t i = at + 1; i < s.size(); ++i) {
        if (s[i] == '\\')
            ++i;
        else if (s[i] == '"')
            return i + 1;
    }
    return s.size();
}

// The end of the value starting at `at`: a string, or anything up to the
// comma or bracket that closes it at its own depth.
size_t valueEnd(const std::string& s, size_t at) {
    int depth = 0;
    size_t i = at;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '"') {
            i = stringEnd(s, i);
            if (depth == 0) return i;
            continue;
        }
        if (c == '{' || c == '[')
            ++depth;
        else if (c == '}' || c == ']') {
            if (depth == 0) return i;
            if (--depth == 0) return i + 1;
        } else if (c == ',' && depth == 0) {
            return i;
        }
        ++i;
    }
    return s.size();
}

bool isPruned(const std::string& key) { return key == "\"joints\"" || key == "\"commands\""; }

}  // namespace

std::string pruneTruthLine(const std::string& line) {
    std::string out;
    out.reserve(line.size());
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] != '"') {
            out.push_back(line[i++]);
            continue;
        }
        const size_t end = stringEnd(line, i);
        const std::string token = line.substr(i, end - i);
        if (end < line.size() && line[end] == ':' && isPruned(token)) {
            i = valueEnd(line, end + 1);
            // The member's comma goes with it: the one before, or else the one after.
            if (!out.empty() && out.back() == ',')
                out.pop_back();
            else if (i < line.size() && line[i] == ',')
                ++i;
            continue;
        }
        out += token;
        i = end;
    }
    return out;
}
