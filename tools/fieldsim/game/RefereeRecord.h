// What the referee did in one cycle, for the truth log, the monitor and the
// console: the robots and the ball it moved (and by which rule), the fouls
// it called, and who touched the ball.
#pragma once

#include <string>
#include <vector>

#include "game/PlayMode.h"
#include "util/Vec3.h"

struct RefereeEntry {
    std::string rule;   // a short stable name, e.g. "before-kickoff-half"
    bool ball = false;  // the ball was put somewhere (else a robot)
    bool foul = false;  // a foul called, the robot not moved (yet)
    TeamSide side = TeamSide::Left;
    int unum = 0;
    Vec3 from;  // torso centre, or the ball's centre
    Vec3 to;
};

struct BallToucher {
    TeamSide side = TeamSide::Left;
    int unum = 0;
};

struct RefereeRecord {
    std::vector<RefereeEntry> entries;
    std::vector<BallToucher> touches;

    void clear() {
        entries.clear();
        touches.clear();
    }
};
