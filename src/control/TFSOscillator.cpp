#include "control/TFSOscillator.h"

#include "control/OscillatorCycle.h"

#include <cmath>

#include "buildMode.h"

TFSOscillator::TFSOscillator(double t)
    : time(t),
      rMaArm(1.0), rSaArm(1.0), rMaRot(1.0), rMaHip(1.0), rSaHip(1.0), rMbHip(1.0), rSbHip(1.0), rMaHipY(1.0), rSaHipY(1.0),
      rMaknee(1.0), rSaknee(1.0),
      aArm(0), cArm(0), aRot(0), aFWRot(0),
      // The caller loads the gait before calcOSC(); zeros keep an unloaded
      // oscillator at a defined (phase-less) posture.
      aHipY(0), aKnee(0), t1Knee(0), t2Kknee(0), cKnee(0), aHip(0), bHip(0), cHip(0),
      halfPeriod(0),
      masterHipX(0), masterHipY(0), masterKnee(0), masterAnkle(0), masterArm(0), masterRot(0),
      slaveHipX(0), slaveHipY(0), slaveKnee(0), slaveAnkle(0), slaveArm(0), slaveRot(0) {}

void TFSOscillator::setOscParameters(const double* p) {
    if (p == nullptr) return;
    aKnee = p[0];
    t1Knee = p[1];
    t2Kknee = p[2];
    cKnee = p[3];
    aArm = p[4];
    aHipY = p[5];
    aHip = p[6];
    bHip = p[7];
    cHip = p[8];
    halfPeriod = p[9];
}

void TFSOscillator::setOscParameters(double aknee, double t1knee, double t2knee, double cknee,
                                     double ahip, double bhip, double chip, double halfperiod) {
    aKnee = aknee;
    t1Knee = t1knee;
    t2Kknee = t2knee;
    cKnee = cknee;
    aHip = ahip;
    bHip = bhip;
    cHip = chip;
    halfPeriod = halfperiod;
}

void TFSOscillator::setOscParameters(double rM1, double rS1, double aknee, double t2knee,
                                     double cknee, double ahip, double bhip, double chip,
                                     double halfperiod) {
    (void)rM1;
    (void)rS1;
    setOscParameters(aknee, 0.0, t2knee, cknee, ahip, bhip, chip, halfperiod);
}

void TFSOscillator::setR(double rMaArm1, double rSaArm1, double rMaRot1, double rSaRot1,
                         double rMaFWRot1, double rSaFWRot1, double rMaHip1, double rSaHip1,
                         double rMbHip1, double rSbHip1, double rMaHipY1, double rSaHipY1,
                         double rMaknee1, double rSaknee1) {
    rMaArm = rMaArm1;
    rSaArm = rSaArm1;
    rMaRot = rMaRot1;
    (void)rSaRot1;
    (void)rMaFWRot1;
    (void)rSaFWRot1;
    rMaHip = rMaHip1;
    rSaHip = rSaHip1;
    rMbHip = rMbHip1;
    rSbHip = rSbHip1;
    rMaHipY = rMaHipY1;
    rSaHipY = rSaHipY1;
    rMaknee = rMaknee1;
    rSaknee = rSaknee1;
}

void TFSOscillator::setR(double rMaster, double rSlave, double rMasterS, double rSlaveS) {
    (void)rMaster;
    (void)rSlave;
    (void)rMasterS;
    (void)rSlaveS;
}

void TFSOscillator::setArm(double a) { aArm = a; }
void TFSOscillator::setRotAmp(double a) { aRot = a; }
void TFSOscillator::setaFWRot(double rotateA) { aFWRot = rotateA; }

void TFSOscillator::changeTFSfPeriods(double hPeriod) {
    if (!std::isfinite(hPeriod)) return;
    if (std::isfinite(halfPeriod) && halfPeriod != 0.0) {
        t2Kknee = t1Knee + (t2Kknee - t1Knee) * hPeriod / halfPeriod;
    }
    halfPeriod = hPeriod;
}

bool TFSOscillator::hasPeriod() const { return usablePeriod(halfPeriod); }

double TFSOscillator::omega() const {
    return hasPeriod() ? kPi / halfPeriod : 0.0;
}

double TFSOscillator::step() const {
    return hasPeriod() ? halfPeriod : 0.0;
}

double TFSOscillator::normalizeTime(double t) const {
    if (!hasPeriod()) return 0.0;
    // fmod truncates toward zero like an integer cycle count would, but
    // exactly and without overflowing for times far outside any match.
    return std::fmod(t, 2.0 * halfPeriod);
}

double TFSOscillator::hipXOSC(double t, double scaleA, double scaleB) const {
    const double w = omega();
    const double p = step();
    const double a = scaleA * aHip;
    const double b = scaleB * bHip;
    const double pos = a * std::sin(w * (t - p / 2.0)) + cHip;
    const double neg = b * std::sin(w * (t - p / 2.0 + p)) + cHip;
    return pos >= cHip ? pos : neg;
}

double TFSOscillator::masterHipXOSC(double t) const { return hipXOSC(t, rMaHip, rMbHip); }

double TFSOscillator::slaveHipXOSC(double t) const {
    return hipXOSC(t - step(), rSaHip, rSbHip);
}

double TFSOscillator::masterHipYOSC(double t) const {
    // The amplitude is deliberately one degree more than the scaled value:
    // even at full speed (scale 0) the hips keep a small sway.
    const double v = (rMaHipY * aHipY - 1.0) * std::sin(omega() * t);
    return v > 0 ? 0.0 : v;
}

double TFSOscillator::slaveHipYOSC(double t) const {
    const double v = (rSaHipY * aHipY - 1.0) * std::sin(omega() * t);
    return v < 0 ? 0.0 : v;
}

double TFSOscillator::kneeOSC(double n, double scale) const {
    const double cycle = 2.0 * halfPeriod;
    const double bump = cycle - t2Kknee + t1Knee;
    // A hold window that fills the whole cycle (or no cycle at all) leaves
    // no time for the bend: the knee stays at its offset.
    if (!hasPeriod() || !(bump > 0.0)) return cKnee;
    const double wk = kPi / bump;
    if (t1Knee <= n && n <= t2Kknee) return cKnee;
    if (n < t1Knee) return scale * aKnee * std::sin(wk * (n + cycle - t2Kknee)) + cKnee;
    return scale * aKnee * std::sin(wk * (n - t2Kknee)) + cKnee;
}

double TFSOscillator::masterKneeOSC(double t) const {
    return kneeOSC(normalizeTime(t), rMaknee);
}

double TFSOscillator::slaveKneeOSC(double t) const {
    return kneeOSC(normalizeTime(t - step()), rSaknee);
}

double TFSOscillator::masterArmOSC(double t) const {
    return rMaArm * aArm * std::sin(omega() * (t - step() / 2.0)) + cArm;
}

double TFSOscillator::slaveArmOSC(double t) const {
    return rSaArm * aArm * std::sin(omega() * (t - step() - step() / 2.0)) + cArm;
}

double TFSOscillator::calcHeapRot(double t) const {
    if (aRot == 0.0) return 0.0;
    const double c = aRot * std::cos(omega() * t);
    return aRot < 0 ? c + aRot : c - aRot;
}

double TFSOscillator::masterRotOSC(double t) const {
    devOut("@@@@@@@@@@@@@@@@@@@@@@@@@@@@\n", "     Rot Amp = ", aRot, "\n");
    const double v = rMaRot * aRot * std::sin(omega() * t * 0.5);
    return v > 0 ? -v : v;
}

double TFSOscillator::slaveRotOSC(double t) const { return masterRotOSC(t); }

double TFSOscillator::getRHipRotate() const {
    const double hr = aFWRot * (1.0 + std::sin(omega() * (time - step() / 2.0)));
    devOut("hr = ", hr, "\n", "mh = ", masterHipX, "\n");
    return hr;
}

double TFSOscillator::getLHipRotate() const {
    const double hr =
        aFWRot * (1.0 + std::sin(omega() * (time - step() / 2.0 - step())));
    devOut("hr = ", hr, "\n", "mh = ", masterHipX, "\n");
    return hr;
}

void TFSOscillator::calcOSC() {
    const double t = time;
    masterHipX = masterHipXOSC(t);
    masterHipY = masterHipYOSC(t);
    masterKnee = masterKneeOSC(t);
    masterAnkle = -(masterKnee + masterHipX);
    masterArm = masterArmOSC(t);
    masterRot = calcHeapRot(t);
    slaveHipX = slaveHipXOSC(t);
    slaveHipY = slaveHipYOSC(t);
    slaveKnee = slaveKneeOSC(t);
    slaveAnkle = -(slaveHipX + slaveKnee);
    slaveArm = slaveArmOSC(t);
    slaveRot = calcHeapRot(t);
}

double TFSOscillator::masterHipXGEN() const { return masterHipX; }
double TFSOscillator::masterHipYGEN() const { return masterHipY; }
double TFSOscillator::masterKneeGEN() const { return masterKnee; }
double TFSOscillator::masterAnkleGEN() const { return masterAnkle; }
double TFSOscillator::masterArmGEN() const { return masterArm; }
double TFSOscillator::masterRotGEN() const { return masterRot; }
double TFSOscillator::slaveHipXGEN() const { return slaveHipX; }
double TFSOscillator::slaveHipYGEN() const { return slaveHipY; }
double TFSOscillator::slaveKneeGEN() const { return slaveKnee; }
double TFSOscillator::slaveAnkleGEN() const { return slaveAnkle; }
double TFSOscillator::slaveArmGEN() const { return slaveArm; }
double TFSOscillator::slaveRotGEN() const { return slaveRot; }
double TFSOscillator::masterAnkleYGEN() const { return slaveHipY; }
double TFSOscillator::slaveAnkleYGEN() const { return masterHipY; }
