#include "control/BSWOscilator.h"

#include "control/OscillatorCycle.h"

#include <algorithm>
#include <cmath>

BSWOsc::BSWOsc(double time, Direction dir)
    : A_hipY(0), n1(0), A_hipX(0), k_hipX(0), A_knee(0), k_knee(0), n2(0), Period(0), W(0),
      r_hipX(0), l_hipX(0), r_hipY(0), l_hipY(0), r_knee(0), l_knee(0),
      Time(time),
      sideDir(dir) {}

void BSWOsc::setOscParameters(const double* p) {
    if (p == nullptr) return;
    A_hipY = p[0];
    n1 = p[1];
    A_hipX = p[2];
    k_hipX = p[3];
    A_knee = p[4];
    k_knee = p[5];
    n2 = p[6];
    Period = p[7];
}

bool BSWOsc::hasPeriod() const { return usablePeriod(Period); }

double BSWOsc::normalizeTime(double t) const { return foldIntoCycle(t, Period); }

double BSWOsc::phase() const { return -kPi * static_cast<double>(sideDir); }

void BSWOsc::calcOsc() {
    W = hasPeriod() ? kTwoPi / Period : 0.0;
    Time = normalizeTime(Time);
    const double t = Time;
    calcHeapY(t);
    calcHeapX(t);
    calcKnee(t);
}

void BSWOsc::calcHeapY(double t) {
    const double delay = n2 * Period;
    const double rollTime = Period - delay;
    const double limit = n1 * A_hipY;
    r_hipY = 0.0;
    l_hipY = 0.0;
    // Each roll is half a sine lasting the cycle minus the delay; with no
    // such time left there is no roll at all.
    if (!hasPeriod() || !std::isfinite(rollTime) || !(rollTime > 0.0)) return;
    const double w = kPi / rollTime;
    const bool firstRolls = (0.0 <= t && t <= rollTime);
    const bool secondWaits = (0.0 <= t && t < delay);
    if (sideDir == BesideRight) {
        if (firstRolls) l_hipY = std::min(A_hipY * std::sin(w * t), limit);
        if (!secondWaits) r_hipY = std::max(-A_hipY * std::sin(w * (t - delay)), -limit);
    } else {
        if (firstRolls) r_hipY = std::max(-A_hipY * std::sin(w * t), -limit);
        if (!secondWaits) l_hipY = std::min(A_hipY * std::sin(w * (t - delay)), limit);
    }
}

void BSWOsc::calcHeapX(double t) {
    r_hipX = std::max(A_hipX * std::sin(W * t - kPi + phase()) + k_hipX, k_hipX);
    l_hipX = std::max(A_hipX * std::sin(W * t + phase()) + k_hipX, k_hipX);
}

void BSWOsc::calcKnee(double t) {
    r_knee = std::min(A_knee * std::sin(W * t - kPi + phase()) + k_knee, k_knee);
    l_knee = std::min(A_knee * std::sin(W * t + phase()) + k_knee, k_knee);
}

double BSWOsc::getRHipX() const { return r_hipX; }
double BSWOsc::getLHipX() const { return l_hipX; }
double BSWOsc::getRHipY() const { return r_hipY; }
double BSWOsc::getLHipY() const { return l_hipY; }
double BSWOsc::getRKnee() const { return r_knee; }
double BSWOsc::getLKnee() const { return l_knee; }
double BSWOsc::getRAnkleX() const { return -(r_knee + r_hipX); }
double BSWOsc::getLAnkleX() const { return -(l_knee + l_hipX); }
double BSWOsc::getRAnkleY() const { return l_hipY; }
double BSWOsc::getLAnkleY() const { return r_hipY; }
double BSWOsc::getTime() const { return Time; }
