// Leg targets for turning on the spot: one sine per joint over a full gait
// cycle, the hip yaw opening and closing the legs once per cycle. The turn
// direction shifts the phase of the sine terms by half a cycle. Built,
// loaded and evaluated once per cycle by the turn skill.
//
// Without a positive period the gait has no phase: it is evaluated at the
// start of a cycle, so every output stays a finite angle.
#pragma once

#include "types.h"

class TurnOsc {
public:
    TurnOsc(double time, RotateDirection dir);

    // A_heapY, A_heapX, k_heapX, A_rot_heap, A_knee, k_knee, Period; a null
    // array changes nothing.
    void setOscParameters(const double* p);
    // Folds the phase time into one cycle, then computes every output.
    void calcOsc();

    double getRHeapX() const;
    double getLHeapX() const;
    double getRHeapY() const;
    double getLHeapY() const;
    double getRHeapRot() const;
    double getLHeapRot() const;
    double getRKnee() const;
    double getLKnee() const;
    // The ankle pitch keeps the foot parallel to the hip: minus hip and knee.
    double getRAnkleX() const;
    double getLAnkleX() const;
    // Each ankle rolls with the other leg's hip.
    double getRAnkleY() const;
    double getLAnkleY() const;

    // t - k * Period with k = t / Period truncated toward zero; 0 without a
    // period.
    double normalizeTime(double t) const;
    // The phase time after calcOsc() folded it.
    double getTime() const;

private:
    static constexpr double kPi = 3.1415927;
    static constexpr double kTwoPi = 6.2831854;

    bool hasPeriod() const;
    void calcHeapY(double t);
    void calcHeapX(double t);
    void calcKnee(double t);
    void calcHeapRot(double t);
    // Half a cycle of phase shift for the clockwise direction.
    double phase() const;

    double A_heapY, A_rot_heap, A_heapX, k_heapX, A_knee, k_knee, Period, W;
    double r_heapX, l_heapX, r_heapY, l_heapY, r_heapRot, l_heapRot, r_knee, l_knee;
    double Time;
    RotateDirection rotDir;
};
