// Reads a truth log (one JSON object per line and cycle, as fieldsim's
// --truth writes it) into the frames a replay draws. What cannot be read is
// skipped and said in `notes`: a line cut off where the file ends, a line
// that is not JSON or lacks its cycle and time, a line that goes back in
// time, a robot entry without team, side, number or position.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "replay/ReplayFrame.h"

class TruthLogReader {
public:
    // A line is a few KiB with a full team; anything near this is not a truth log.
    static constexpr size_t kMaxLine = 1 << 20;
    // 5.5 hours of cycles; the rest of a longer log is left out (and said so).
    static constexpr size_t kMaxFrames = 1000000;
    // Lines named one by one in the notes; more are counted.
    static constexpr int kNamedLines = 3;

    // False, with `error`, when the file cannot be opened or holds no frame.
    static bool read(const std::string& path, std::vector<ReplayFrame>& frames, std::vector<std::string>& notes,
                     std::string& error);
};
