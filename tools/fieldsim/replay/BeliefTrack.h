// What one player believed, message by message: the CSV that wmtrace makes
// from the player's message trace, turned into the world frame the truth log
// and the page use.
//
// wmtrace writes the team's own frame (x toward the opponent goal; a team on
// the right is mirrored, x and y both turned) and the agent's yaw, which
// grows clockwise; the world frame has the left team defending -x and the
// yaw counter-clockwise from +x. The CSV's own side column says which frame
// each row is in (the side wmtrace was told, or read from the trace); a row
// of an unknown side is not mirrored, as wmtrace then does not mirror either.
#pragma once

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

struct BeliefRow {
    double time = 0.0;  // server time, s
    // World frame: metres, yaw in degrees counter-clockwise from +x.
    double x = NAN, y = NAN, yaw = NAN;
    double ballX = NAN, ballY = NAN;
};

struct BeliefTrack {
    std::string team;
    int unum = 0;
    std::string file;  // as named in messages, e.g. "Rivals/p2/beliefs.csv"
    std::vector<BeliefRow> rows;  // by time, strictly increasing

    // A belief older than this is not shown beside the truth: the player had
    // stopped tracing (left the game, or crashed).
    static constexpr double kStale = 0.1;
    // The row in force at server time `time`: the last one at or before it,
    // no older than kStale; nullptr when there is none.
    const BeliefRow* at(double time) const;
};

class BeliefCsvReader {
public:
    // More rows than 11 hours of messages is not a trace of a game.
    static constexpr size_t kMaxRows = 2000000;
    static constexpr size_t kMaxBytes = 256u << 20;

    // Reads `path` into `track.rows`. `teamOnRight` is the side the truth log
    // has the team on (its frame when the CSV has no side column). What was
    // skipped, and why, goes to `notes`; false when nothing could be used.
    static bool read(const std::string& path, bool teamOnRight, BeliefTrack& track, std::vector<std::string>& notes);
};
