// Switches for the optional facilities (logging and the input devices),
// loaded on request from ".pitchbot/settings.rb" in the working directory.
#pragma once

#include <cstddef>
#include <cstdio>

class SettingsManager {
public:
    static SettingsManager* getUniqueInstance();

    // Reads the four label/value pairs of the settings file. A value enables
    // its facility only when it is exactly "true". A missing file changes
    // nothing; switches whose pair is missing from the file are turned off.
    void readAndSaveSettings();

    bool isLogEnabled() const;
    bool isGamePadEnabled() const;
    bool isJoyStickEnabled() const;
    bool isKeyBoardEnabled() const;

    // Longest word kept from the file; longer words are cut to this length.
    static constexpr std::size_t kMaxWordLength = 19;

private:
    SettingsManager() = default;
    SettingsManager(const SettingsManager&) = delete;
    SettingsManager& operator=(const SettingsManager&) = delete;

    // Reads the next whitespace-separated word into `word` (kMaxWordLength + 1
    // bytes), cutting it when it is longer; the cut part is consumed too, so
    // it never turns into the next word. `length` is what was kept: a word may
    // hold a NUL byte, so its C-string length can be shorter. Returns false at
    // the end of the file.
    static bool readWord(std::FILE* file, char* word, std::size_t& length);

    bool logEnabled = false;
    bool gamePadEnabled = false;
    bool joyStickEnabled = false;
    bool keyBoardEnabled = false;
};
