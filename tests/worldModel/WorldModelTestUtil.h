// Builders for world-model tests: sightings with the head angles they were
// seen at, and a scratch directory for "WMLog.txt".
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "objects/Player.h"

namespace wmtest {

constexpr double kDeg = 57.29577951471995;

template <typename Seen>
Seen seenPolar(double ro, double phi, double teta, double pan = 0, double tilt = 0) {
    Seen s;
    s.setPolarPos(Point(ro, phi, teta));
    s.setLastStepSeenHeadPanDegree(pan);
    s.setLastStepSeenHeadTiltDegree(tilt);
    return s;
}

// Something on the ground at body-frame (x, y), seen with the head centred.
template <typename Seen>
Seen seenOnGround(double x, double y) {
    return seenPolar<Seen>(std::hypot(x, y), 0, std::atan2(y, x) * kDeg);
}

inline Player opponent(int num, double seenAt, double distance) {
    Player p = seenPolar<Player>(distance, 0, 0);
    p.setNum(num);
    p.setSide(SIDE_OPP);
    p.setLastTimeSeenPlayer(seenAt);
    return p;
}

// Each test case is its own process, so moving it to a fresh directory
// keeps the log out of the build tree without affecting other cases.
inline bool enterScratchDir() {
    char pattern[] = "/tmp/wmtestXXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir != nullptr && chdir(dir) == 0;
}

}  // namespace wmtest
