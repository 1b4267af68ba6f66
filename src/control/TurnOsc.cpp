#include "control/TurnOsc.h"

#include "control/OscillatorCycle.h"

#include <algorithm>
#include <cmath>

TurnOsc::TurnOsc(double time, RotateDirection dir)
    : A_heapY(0), A_rot_heap(0), A_heapX(0), k_heapX(0), A_knee(0), k_knee(0), Period(0), W(0),
      r_heapX(0), l_heapX(0), r_heapY(0), l_heapY(0), r_heapRot(0), l_heapRot(0), r_knee(0),
      l_knee(0),
      Time(time),
      rotDir(dir) {}

void TurnOsc::setOscParameters(const double* p) {
    if (p == nullptr) return;
    A_heapY = p[0];
    A_heapX = p[1];
    k_heapX = p[2];
    A_rot_heap = p[3];
    A_knee = p[4];
    k_knee = p[5];
    Period = p[6];
}

bool TurnOsc::hasPeriod() const { return usablePeriod(Period); }

double TurnOsc::normalizeTime(double t) const { return foldIntoCycle(t, Period); }

double TurnOsc::phase() const { return -kPi * static_cast<double>(rotDir); }

void TurnOsc::calcOsc() {
    W = hasPeriod() ? kTwoPi / Period : 0.0;
    Time = normalizeTime(Time);
    const double t = Time;
    calcHeapY(t);
    calcHeapX(t);
    calcKnee(t);
    calcHeapRot(t);
}

void TurnOsc::calcHeapY(double t) {
    const double v = A_heapY * std::sin(W * t + phase());
    r_heapY = std::min(v, 0.0);
    l_heapY = std::max(v, 0.0);
}

void TurnOsc::calcHeapX(double t) {
    r_heapX = std::max(A_heapX * std::sin(W * t - kPi + phase()) + k_heapX, k_heapX);
    l_heapX = std::max(A_heapX * std::sin(W * t + phase()) + k_heapX, k_heapX);
}

void TurnOsc::calcKnee(double t) {
    r_knee = std::min(A_knee * std::sin(W * t - kPi + phase()) + k_knee, k_knee);
    l_knee = std::min(A_knee * std::sin(W * t + phase()) + k_knee, k_knee);
}

void TurnOsc::calcHeapRot(double t) {
    // Both legs yaw together: the hips open and close once per cycle.
    const double v = A_rot_heap * std::sin((W / 2.0) * t - kPi) + A_rot_heap;
    r_heapRot = v;
    l_heapRot = v;
}

double TurnOsc::getRHeapX() const { return r_heapX; }
double TurnOsc::getLHeapX() const { return l_heapX; }
double TurnOsc::getRHeapY() const { return r_heapY; }
double TurnOsc::getLHeapY() const { return l_heapY; }
double TurnOsc::getRHeapRot() const { return r_heapRot; }
double TurnOsc::getLHeapRot() const { return l_heapRot; }
double TurnOsc::getRKnee() const { return r_knee; }
double TurnOsc::getLKnee() const { return l_knee; }
double TurnOsc::getRAnkleX() const { return -(r_knee + r_heapX); }
double TurnOsc::getLAnkleX() const { return -(l_knee + l_heapX); }
double TurnOsc::getRAnkleY() const { return l_heapY; }
double TurnOsc::getLAnkleY() const { return r_heapY; }
double TurnOsc::getTime() const { return Time; }
