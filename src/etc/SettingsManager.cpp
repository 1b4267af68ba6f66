#include "etc/SettingsManager.h"

#include <cctype>
#include <cstring>
#include <iostream>

namespace {
const char* const kSettingsPath = ".pitchbot/settings.rb";
}

SettingsManager* SettingsManager::getUniqueInstance() {
    static SettingsManager instance;
    return &instance;
}

bool SettingsManager::readWord(std::FILE* file, char* word, std::size_t& length) {
    int c = std::fgetc(file);
    while (c != EOF && std::isspace(c)) {
        c = std::fgetc(file);
    }
    length = 0;
    if (c == EOF) {
        word[0] = '\0';
        return false;
    }
    while (c != EOF && !std::isspace(c)) {
        if (length < kMaxWordLength) {
            word[length++] = static_cast<char>(c);
        }
        c = std::fgetc(file);
    }
    word[length] = '\0';
    return true;
}

void SettingsManager::readAndSaveSettings() {
    std::FILE* file = std::fopen(kSettingsPath, "r");
    if (file == nullptr) {
        std::cerr << "Could not open " << kSettingsPath << "!" << std::endl;
        return;
    }
    bool* const switches[] = {&logEnabled, &gamePadEnabled, &joyStickEnabled, &keyBoardEnabled};
    char label[kMaxWordLength + 1];
    char value[kMaxWordLength + 1];
    std::size_t labelLength = 0;
    std::size_t valueLength = 0;
    bool complete = true;
    for (bool* setting : switches) {
        // The label only marks the position; its text is not checked.
        const bool havePair =
            complete && readWord(file, label, labelLength) && readWord(file, value, valueLength);
        if (!havePair) {
            // An incomplete file must not leave a facility switched on that
            // the file does not ask for.
            complete = false;
            *setting = false;
            continue;
        }
        // Compared by length too: "true" followed by a NUL byte and more is
        // not "true", though it reads so as a C string.
        static const char kTrue[] = "true";
        *setting = valueLength == sizeof kTrue - 1 && std::memcmp(value, kTrue, valueLength) == 0;
    }
    if (!complete) {
        std::cerr << kSettingsPath << ": fewer than four settings, the missing ones are off"
                  << std::endl;
    }
    std::fclose(file);
}

bool SettingsManager::isLogEnabled() const { return logEnabled; }
bool SettingsManager::isGamePadEnabled() const { return gamePadEnabled; }
bool SettingsManager::isJoyStickEnabled() const { return joyStickEnabled; }
bool SettingsManager::isKeyBoardEnabled() const { return keyBoardEnabled; }
