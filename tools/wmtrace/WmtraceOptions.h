// Command line of wmtrace: which trace to read and who recorded it.
#pragma once

#include <ostream>
#include <string>

#include "types.h"

struct WmtraceOptions {
    // The agent's own default team name.
    static constexpr const char* kDefaultTeamName = "VOR";

    std::string path = "-";  // "-": standard input
    std::string teamName = kDefaultTeamName;
    Side side = SIDE_UNKNOWN;
    int unum = 0;
};

enum class WmtraceParse { Run, Help, Error };

// Fills `options`; on Error `error` says in one line what was wrong, and
// `showHelp` whether the help belongs under it.
WmtraceParse parseWmtraceOptions(int argc, char** argv, WmtraceOptions& options, std::string& error,
                                 bool& showHelp);

void printWmtraceHelp(std::ostream& out);
