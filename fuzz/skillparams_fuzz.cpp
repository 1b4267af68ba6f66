// A parameter file is edited by hand or written by the tuner. Whatever it
// holds, reading it must not fail, and every value it yields must be finite
// and belong to a line whose first word is that name.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "etc/SkillParams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> problems;
    const auto values = SkillParams::parse(text, problems);
    for (const auto& [name, value] : values) {
        if (!std::isfinite(value) || name.empty() || name[0] == '#') std::abort();
        if (text.find(name) == std::string::npos) std::abort();
    }
    for (const std::string& p : problems) {
        if (p.rfind("line ", 0) != 0) std::abort();
    }
    return 0;
}
