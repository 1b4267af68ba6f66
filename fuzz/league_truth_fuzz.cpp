// The league reads the truth logs of its matches back, and a user may point
// `league --analyse` at any folder: whatever a log holds, the figures must
// come out sound. Properties: counts never negative, times finite, the
// ball's halves within the played time, stand-ups no more than falls, and the same
// figures whether the log is read whole or line by line.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "MatchAnalyser.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// A time after the kick-off: none (< 0), or a finite time. (A log with
// cycles missing can put it past the played time, which counts cycles.)
bool finiteTime(double t) { return std::isfinite(t) && (t == -1 || t >= 0); }

void checkTeam(const TeamFigures& t, double played) {
    check(t.goalsFor >= 0 && t.goalsAgainst >= 0);
    check(t.falls >= 0 && t.standUps >= 0 && t.neverUp >= 0 && t.standUps <= t.falls);
    check(t.robotMoves >= 0 && t.fouls >= 0);
    check(std::isfinite(t.robotSeconds) && t.robotSeconds >= 0);
    check(std::isfinite(t.standUpSeconds) && t.standUpSeconds >= 0);
    check(t.firstTouch == -1 || t.firstTouch >= 0);
    check(finiteTime(t.firstTouch));
    check(t.ballOwnHalfSeconds >= 0 && t.ballOppHalfSeconds >= 0);
    check(t.ballOwnHalfSeconds + t.ballOppHalfSeconds <= played + 1e-6);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    MatchAnalyser whole("A", "B", 60.0);
    std::istringstream in(text);
    whole.readStream(in, nullptr);
    const MatchFigures f = whole.finish();
    check(std::isfinite(f.playedSeconds) && f.playedSeconds >= 0 && f.playedSeconds <= 60.0 + 0.03);
    check(finiteTime(f.firstTouch));
    check(f.cycles >= 0 && f.badLines >= 0);
    checkTeam(f.left, f.playedSeconds);
    checkTeam(f.right, f.playedSeconds);

    MatchAnalyser byLine("A", "B", 60.0);
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            if (start < text.size()) byLine.addLine(text.substr(start), true);
            break;
        }
        byLine.addLine(text.substr(start, end - start));
        start = end + 1;
    }
    const MatchFigures g = byLine.finish();
    check(g.cycles == f.cycles && g.left.falls == f.left.falls &&
          g.right.goalsFor == f.right.goalsFor);
    return 0;
}
