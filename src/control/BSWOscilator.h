// Leg targets for side stepping: one sine per joint over a full gait cycle.
// The hip on the side the robot steps away from rolls first; the other hip
// follows after a delay given as a fraction of the cycle, and each roll is
// limited to a fraction of its amplitude. The side also shifts the phase of
// the pitch and knee sines by half a cycle. Built, loaded and evaluated
// once per cycle by the side-step skill.
//
// Without a positive period the gait has no phase and is evaluated at the
// start of a cycle; a delay that leaves no time for the roll keeps both hip
// rolls at 0. Every output stays a finite angle.
#pragma once

#include "types.h"

class BSWOsc {
public:
    BSWOsc(double time, Direction dir);

    // A_hipY, n1, A_hipX, k_hipX, A_knee, k_knee, n2, Period; a null array
    // changes nothing.
    void setOscParameters(const double* p);
    // Folds the phase time into one cycle, then computes every output.
    void calcOsc();

    double getRHipX() const;
    double getLHipX() const;
    double getRHipY() const;
    double getLHipY() const;
    double getRKnee() const;
    double getLKnee() const;
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
    double phase() const;

    double A_hipY, n1, A_hipX, k_hipX, A_knee, k_knee, n2, Period, W;
    double r_hipX, l_hipX, r_hipY, l_hipY, r_knee, l_knee;
    double Time;
    Direction sideDir;
};

// The name the side-step gait is also known by.
using BSWOscilator = BSWOsc;
