// The period guard and time folding that every gait oscillator shares.
#pragma once

#include <cmath>

// A gait needs a positive, finite period; without one an oscillator stays at
// its starting posture instead of producing NaN targets.
inline bool usablePeriod(double period) { return std::isfinite(period) && period > 0.0; }

// t - k * period with k = t / period truncated toward zero, 0 without a
// usable period. fmod is exact and cannot overflow for times far outside
// any match, unlike an integer cycle count.
inline double foldIntoCycle(double t, double period) {
    return usablePeriod(period) ? std::fmod(t, period) : 0.0;
}
