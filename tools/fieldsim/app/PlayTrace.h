// fieldsim --play-trace FILE: replays a real-server trace in fieldsim and
// prints how far fieldsim's readings and motion were from the real server's.
#pragma once

#include <ostream>

#include "game/SimOptions.h"

class PlayTrace {
public:
    // 0 when the trace ran (its differences are findings, not errors), 2 when
    // the file cannot be read or holds no perception, 1 when the JSON cannot
    // be written. The report goes to `out`, complaints to `err`.
    static int run(const SimOptions& options, std::ostream& out, std::ostream& err);
};
