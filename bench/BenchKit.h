// What every benchmark program of the agent needs: a count of heap
// allocations (this header replaces the program's global operator new, so a
// program includes it from exactly one source file), a console that drops
// the development build's diagnostic lines, and the reading of a recorded
// message trace.
#pragma once

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <new>
#include <streambuf>
#include <string>
#include <vector>

#include "utils/TraceReader.h"

namespace benchkit {

inline std::atomic<long>& allocationCount() {
    static std::atomic<long> count{0};
    return count;
}

inline long allocations() { return allocationCount().load(std::memory_order_relaxed); }

// Out of line, so that the compiler does not pair a visible malloc with the
// free of an operator delete it has inlined.
[[gnu::noinline]] inline void* obtain(std::size_t size) {
    return std::malloc(size == 0 ? 1 : size);
}
[[gnu::noinline]] inline void release(void* p) { std::free(p); }

// Drops whatever is written to it.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int ch) override { return traits_type::not_eof(ch); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The development library announces what it sees and does on standard
// output; writing that is not what is measured.
class QuietConsole {
public:
    QuietConsole() : saved(std::cout.rdbuf(&nothing)) {}
    ~QuietConsole() { std::cout.rdbuf(saved); }
    QuietConsole(const QuietConsole&) = delete;
    QuietConsole& operator=(const QuietConsole&) = delete;

private:
    NullBuffer nothing;
    std::streambuf* saved;
};

// Every message of a trace file ("Msg.txt" form); empty when it cannot be read.
inline std::vector<std::string> traceMessages(const std::string& path) {
    std::ifstream in(path);
    TraceReader reader(in);
    std::vector<std::string> messages;
    for (std::string text; reader.next(text);) messages.push_back(text);
    return messages;
}

}  // namespace benchkit

void* operator new(std::size_t size) {
    benchkit::allocationCount().fetch_add(1, std::memory_order_relaxed);
    if (void* p = benchkit::obtain(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { benchkit::release(p); }
void operator delete(void* p, std::size_t) noexcept { benchkit::release(p); }
void operator delete[](void* p) noexcept { benchkit::release(p); }
void operator delete[](void* p, std::size_t) noexcept { benchkit::release(p); }
