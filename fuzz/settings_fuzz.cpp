// The settings file is edited by hand. Whatever it holds, the four switches
// must come out as a plain reading of it says: the words are separated by
// white space, every second one is a value, and only a value that is exactly
// "true" switches its facility on.
#include <sys/stat.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "etc/SettingsManager.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const fuzzscratch::ScratchDir& setUp() {
    static fuzzscratch::NullBuffer nothing;
    std::cerr.rdbuf(&nothing);  // a short file is reported on every read
    static const fuzzscratch::ScratchDir dir("settings_fuzz");
    if (::mkdir((dir.path() + "/.pitchbot").c_str(), 0755) != 0) std::abort();
    return dir;
}

std::vector<std::string> plainWords(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || std::isspace(data[i])) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzscratch::ScratchDir& dir = setUp();
    const fuzzscratch::InScratch here(dir);
    fuzzscratch::writeFile(".pitchbot/settings.rb", data, size);
    SettingsManager* settings = SettingsManager::getUniqueInstance();
    settings->readAndSaveSettings();

    const std::vector<std::string> words = plainWords(data, size);
    bool expected[4] = {false, false, false, false};
    for (std::size_t k = 0; k < 4 && 2 * k + 1 < words.size(); ++k) expected[k] = words[2 * k + 1] == "true";
    check(settings->isLogEnabled() == expected[0]);
    check(settings->isGamePadEnabled() == expected[1]);
    check(settings->isJoyStickEnabled() == expected[2]);
    check(settings->isKeyBoardEnabled() == expected[3]);
    return 0;
}
