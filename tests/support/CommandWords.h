// A command line as a program gets it, for the tests of the tools' option
// readers: the program name first, then the words, then a null pointer.
#pragma once

#include <string>
#include <utility>
#include <vector>

class Words {
public:
    explicit Words(std::vector<std::string> words, const char* program = "tool")
        : text(std::move(words)) {
        text.insert(text.begin(), program);
        for (std::string& w : text) pointers.push_back(&w[0]);
        pointers.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(text.size()); }
    char** argv() { return pointers.data(); }

private:
    std::vector<std::string> text;
    std::vector<char*> pointers;
};
