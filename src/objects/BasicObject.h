// Base of everything the vision sensor reports: where it was last seen
// (head-relative, polar and Cartesian), with which head angles, and when.
#pragma once

#include "geometry/Point.h"

class BasicObject {
public:
    static constexpr int kFlagCount = 8;

    // Positions and head angles start at zero, all last-seen times at 0.
    BasicObject();

    void setPolarPos(Point pos);
    Point getPolarPos() const;
    void setCartesianPos(Point pos);
    Point getCartesianPos() const;

    void setLastStepSeenHeadPanDegree(double deg);
    double getLastStepSeenHeadPanDegree() const;
    void setLastStepSeenHeadTiltDegree(double deg);
    double getLastStepSeenHeadTiltDegree() const;

    // Players and the ball share one last-seen time.
    void setLastTimeSeenPlayer(double time);
    double getLastTimeSeenPlayer() const;
    void setLastTimeSeenBall(double time);
    double getLastTimeSeenBall() const;

    // Per landmark index 0..7; other indexes are ignored on write and
    // read as 0.
    void setLastTimeSeenFlag(double time, int index);
    double getLastTimeSeenFlag(int index) const;

protected:
    Point polarPos;
    Point cartesianPos;
    double lastStepSeenHeadPanDegree;
    double lastStepSeenHeadTiltDegree;
    double lTS;
    double lTSF[kFlagCount];
};
