// The torso's attitude, followed with the gyro: a unit quaternion that turns
// the torso frame (x to the robot's right, y forward, z up) into an upright
// reference frame whose heading is fixed but arbitrary. The server turns a
// body by exactly the rate its gyro reports over each step, so the same
// update here keeps the whole attitude; the rate about the torso's own up
// axis alone would not do, because the torso rocks by more than a hundred
// degrees a second while it steps and leans while it does, and the up-axis
// rate then undercounts a turn.
//
// Shared by the turn (which steers by the change of facing since it took
// its heading) and the self-localisation (which levels the sightings with
// it and carries the yaw between looks at the landmarks).
#pragma once

#include "geometry/Point.h"

class TorsoAttitude {
public:
    // Upright, facing the reference frame's +y.
    TorsoAttitude();

    void reset();
    // Takes the lean from an accelerometer reading (m/s^2, torso frame): at
    // rest it reads the ground's push straight up, and the attitude becomes
    // the shortest rotation that takes that direction to the vertical. A
    // reading that cannot be the ground's push alone (not near 9.81, or
    // pointing down) changes nothing and gives false.
    bool levelFrom(const Point& acc);
    // Drops the lean and keeps the facing: upright, turned as it faced.
    // False (and nothing changes) while the facing is not known.
    bool levelKeepingFacing();
    // Nudges the lean a fraction `gain` (0..1) of the way toward what a
    // quiet accelerometer reading says, leaving the facing alone; false
    // when the reading is not quiet enough to trust.
    bool correctLean(const Point& acc, double gain);
    // The angle (degrees) between where a quiet accelerometer reading says
    // up is and where the attitude has it; not a number when the reading
    // is not quiet enough to tell.
    double leanError(const Point& acc) const;
    // One step of `seconds` at the gyro's rate (degrees per second, torso
    // frame). A rate or step that is not a finite number changes nothing.
    void integrate(const Point& rateDegPerSecond, double seconds);

    // A torso-frame vector in the reference frame.
    void toReference(const double (&v)[3], double (&out)[3]) const;
    // The direction the torso faces (its +y axis) seen from above, degrees
    // counter-clockwise from the reference frame's +x; not a number while
    // the torso lies with that axis pointing up or down.
    double facing() const;
    // Where a torso axis points seen from above (degrees counter-clockwise
    // from the reference frame's +x) and the length of that horizontal
    // projection (0 for an axis straight up or down).
    double axisFacing(const double (&axis)[3], double& horizontal) const;
    // How far the torso's forward axis points up (degrees; negative: it
    // leans forward) and how far its right-hand axis points up (negative:
    // it leans to its right).
    double forwardElevation() const;
    double sideElevation() const;

    const double (&quaternion() const)[4] { return q; }

private:
    // w, x, y, z.
    double q[4];
};
