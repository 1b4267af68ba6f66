// One seen body part of another player (head, lower arms, feet).
#pragma once

#include <string>

#include "geometry/Point.h"
#include "types.h"

class Boned {
public:
    // Empty name, part `head`, positions (0, 0, 0), last seen at 0.
    Boned();

    // A null name clears it.
    void setName(const char* name);
    std::string getName() const;
    void setID(BONEDID id);
    BONEDID getID() const;
    // The development build announces every call on standard output.
    void setPolarPos(Point pos);
    Point getPolarPos() const;
    void setCartPos(Point pos);
    Point getCartPos() const;
    void setLastTimeSeenBoned(double time);
    double getLastTimeSeenBoned() const;

private:
    std::string bName;
    BONEDID bID;
    Point polarPos;
    Point CartPos;
    double lTSBonde;
};
