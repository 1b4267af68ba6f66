// Network files are read from disk and may be damaged: any content must be
// refused or loaded without a crash, and a loaded network must evaluate.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <string>
#include <unistd.h>
#include <vector>

#include "ai/ann/ANN.h"

namespace {

// The loader says why it refuses a file; a run would print that every time.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int ch) override { return traits_type::not_eof(ch); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

std::string scratchFile() {
    static NullBuffer nothing;
    std::cerr.rdbuf(&nothing);
    std::cout.rdbuf(&nothing);
    // In memory where possible: on some disks rewriting a file costs
    // milliseconds, far more than reading the network from it.
    char name[] = "/dev/shm/ann_fuzz_XXXXXX";
    char fallback[] = "/tmp/ann_fuzz_XXXXXX";
    char* chosen = access("/dev/shm", W_OK) == 0 ? name : fallback;
    const int fd = mkstemp(chosen);
    if (fd >= 0) {
        close(fd);
    }
    static std::string made;
    made = chosen;
    std::atexit([] { unlink(made.c_str()); });
    return chosen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = scratchFile();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    ANN net;
    if (net.load(path)) {
        std::vector<double> in(static_cast<std::size_t>(net.getInputSize()), 0.5);
        net.setInput(static_cast<int>(in.size()), in.data());
        for (int func = 0; func < 3; ++func) {
            net.calcOutput(func);
        }
    }
    return 0;
}
