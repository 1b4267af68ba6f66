// Network files are read from disk and may be damaged: any content must be
// refused or loaded without a crash, and a loaded network must evaluate.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "ai/ann/ANN.h"

namespace {

std::string scratchFile() {
    char name[] = "/tmp/ann_fuzz_XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) {
        close(fd);
    }
    return name;
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
