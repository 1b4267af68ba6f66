// Reads fieldsim's command line into SimOptions.
#pragma once

#include <string>

#include "game/SimOptions.h"

class CommandLine {
public:
    enum class Outcome { Run, Help, Error };

    // On Error, `error` holds one line saying what was wrong.
    static Outcome parse(int argc, const char* const* argv, SimOptions& options, std::string& error);
    static std::string helpText();
};
