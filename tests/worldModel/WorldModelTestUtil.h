// Builders for world-model tests: sightings with the head angles they were
// seen at, and opponents seen at a given time.
#pragma once

#include <cmath>

#include "objects/Player.h"

namespace wmtest {

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
    return seenPolar<Seen>(std::hypot(x, y), 0, std::atan2(y, x) * 57.29577951471995);
}

inline Player opponent(int num, double seenAt, double distance) {
    Player p = seenPolar<Player>(distance, 0, 0);
    p.setNum(num);
    p.setSide(SIDE_OPP);
    p.setLastTimeSeenPlayer(seenAt);
    return p;
}

}  // namespace wmtest
