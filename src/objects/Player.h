// Another player (or the agent itself in the team-mate list): number, team,
// global position and the body parts seen of it.
#pragma once

#include "geometry/Point.h"
#include "objects/BasicObject.h"
#include "objects/Boned.h"
#include "types.h"

class Player : public BasicObject {
public:
    static constexpr int kBonedCount = 5;

    // Number 0, SIDE_UNKNOWN, global position (0, 0, 0), default parts.
    Player();
    Player(int unum, Side side, Point glbPos);

    void setNum(int unum);
    int getNum() const;
    void setSide(Side side);
    Side getSide() const;
    void setGlbPos(Point pos);
    Point getGlbPos() const;

    // Slots are indexed by BONEDID; an unknown id is ignored on write and
    // gives a default part on read.
    void setBoned(Boned part, BONEDID id);
    Boned getBoned(BONEDID id) const;

private:
    int unum;
    Side side;
    Point glbPos;
    Boned boned[kBonedCount];
};
