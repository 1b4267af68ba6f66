// A replay reads a command log that may be damaged or not a log at all. Any
// content must be read line by line without a crash: each command one line
// at most, the raw form cut to its buffer, both forms agreeing, at most one
// command per line, and the end staying the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "FuzzScratch.h"
#include "utils/CommandLogger.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const fuzzscratch::ScratchDir& setUp() {
    static fuzzscratch::NullBuffer nothing;
    std::cout.rdbuf(&nothing);  // "sending cmd N" for every line
    std::cerr.rdbuf(&nothing);
    static const fuzzscratch::ScratchDir dir("cmdlog_fuzz");
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzscratch::ScratchDir& dir = setUp();
    const fuzzscratch::InScratch here(dir);
    fuzzscratch::writeFile("replay.txt", data, size);
    size_t lines = 1;
    for (size_t i = 0; i < size; ++i) lines += data[i] == '\n';

    CommandLogger byLine("replay.txt", true);
    CommandLogger raw("replay.txt", true);
    std::string cmd;
    size_t count = 0;
    while (byLine.getCmd(cmd)) {
        ++count;
        check(count <= lines);
        check(cmd.size() <= CommandLogger::kMaxLineLength);
        check(cmd.find('\n') == std::string::npos);
        const char* rawCmd = raw.getCmd();
        const size_t rawLength = std::strlen(rawCmd);
        check(rawLength < CommandLogger::kCmdBufferSize);
        // The raw form is the rest of the line behind the number, separator
        // included; without the separator it starts the command.
        size_t skip = 0;
        if (skip < rawLength && rawCmd[skip] == ' ') ++skip;
        if (skip < rawLength && rawCmd[skip] == '\t') ++skip;
        check(cmd.compare(0, rawLength - skip, rawCmd + skip, rawLength - skip) == 0);
        check(rawLength == CommandLogger::kCmdBufferSize - 1 || cmd.size() == rawLength - skip);
    }
    check(cmd.empty());
    check(!byLine.getCmd(cmd) && cmd.empty());
    check(raw.getCmd()[0] == '\0');
    return 0;
}
