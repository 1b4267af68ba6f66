#include "skills/lowLevelSkills/TFSWalk.h"

#include <algorithm>
#include <cmath>

#include "buildMode.h"
#include "geometry/Point.h"
#include "objects/Gyro.h"
#include "worldModel/WorldModel.h"

namespace {

// Beyond this turning angle the walk slows down to turn tightly.
constexpr double kSharpTurn = 15.0;
// Within this turning angle the walk goes straight.
constexpr double kStraight = 1.0;

// Seconds from standstill to full speed and from full speed to standstill.
// The competition walk ramps forward more gently.
constexpr double kAccelTime = 1.7;
constexpr double kBrakeTime = 0.5;
constexpr double kForwardAccelTime = kCompetitionBuild ? 2.0 : kAccelTime;
constexpr double kForwardBrakeTime = kCompetitionBuild ? 0.8 : kBrakeTime;

// A ramp must take at least one cycle; a file value below that (or a
// gait without a positive step duration) falls back to the design value.
bool usable(double v, double atLeast) { return std::isfinite(v) && v >= atLeast; }

constexpr const char* kUpdatersLine = "========================UPDATERS++++==> ";

}  // namespace

const std::vector<SkillParams::Param>& TFSWalk::paramList() {
    static const std::vector<SkillParams::Param> kList = {{"kneeAmplitude", -20.9241},
                                                          {"kneeHoldEnd", 0.466287},
                                                          {"kneeOffset", -29.7735},
                                                          {"armAmplitude", 20.7945},
                                                          {"hipRollAmp", -7.0},
                                                          {"hipPitchFirst", -18.05},
                                                          {"hipPitchSecond", 11.6474},
                                                          {"hipPitchOffset", 15.2049},
                                                          {"halfPeriod", 0.2},
                                                          {"timeR", 1.38886},
                                                          {"accelTime", kForwardAccelTime},
                                                          {"brakeTime", kForwardBrakeTime},
                                                          {"headingGain", 0.0}};
    return kList;
}

TFSWalk::TFSWalk()
    : degree(0),
      dest(0),
      stoptime(0),
      speed(1.0),
      stopflag(false),
      isstoppingflag(false),
      newRI(0),
      newRD(0),
      lastspeed(0),
      forwardAccelTime(kForwardAccelTime),
      forwardBrakeTime(kForwardBrakeTime),
      headingGain(0),
      headingDrift(0),
      headingRef(0),
      holding(false),
      steering(false) {
    init();
}

TFSWalk::TFSWalk(double s) : TFSWalk() { speed = s; }

void TFSWalk::init() {
    degree = 0;
    dest = 0;
    speed = 1.0;
    newRI = 0;
    lastspeed = 0;
    stopflag = false;
    isstoppingflag = false;
    const std::vector<SkillParams::Param>& list = paramList();
    std::vector<double> v = SkillParams::getUniqueInstance()->values(kSkillName, list);
    if (!usable(v[8], kCycleStep)) {
        devErr("walk: halfPeriod ", v[8], " is no step duration; the design gait is used\n");
        for (int i = 0; i < kGaitCount; ++i) v[i] = list[i].designValue;
    }
    setOSCParamsByHipY(v.data());
    forwardAccelTime = usable(v[10], kCycleStep) ? v[10] : list[10].designValue;
    forwardBrakeTime = usable(v[11], kCycleStep) ? v[11] : list[11].designValue;
    headingGain = (std::isfinite(v[12]) && v[12] >= 0.0 && v[12] <= 10.0) ? v[12] : 0.0;
    headingDrift = 0;
    headingRef = 0;
    holding = false;
    steering = false;
    beginStep2Time = WM->getTime();
}

SkillID TFSWalk::getSkillID() { return SKILL_TFS_WALK; }

bool TFSWalk::run() {
    setCloseLoopWalkParameter();
    updaters();
    const Point rate = WM->getGyro().getRate();
    const double spin = std::sqrt(rate.getX() * rate.getX() + rate.getY() * rate.getY() +
                                  rate.getZ() * rate.getZ());
    if (spin > kGyroLimit) {
        speed = 0.1;
        aRot = 0;
    }
    fallower();
    finished = checkState();
    return finished;
}

bool TFSWalk::runGA() {
    updateR();
    fallower();
    finished = checkState();
    return finished;
}

bool TFSWalk::runnew() { return run(); }

bool TFSWalk::turnBand(double& left) const {
    // The slower the walk, the wider the hips may yaw without tripping.
    struct Band {
        double above;
        double amplitude;
    };
    static const Band kBands[] = {{0.95, 2.5}, {0.85, 4.5}, {0.65, 4.0}, {0.45, 3.5},
                                  {0.35, 4.0}, {0.25, 6.0}, {0.1, 6.5},  {0.0, 7.5}};
    // Reached speed measured in the requested direction.
    const double reached = (speed >= 0) ? lastspeed : -lastspeed;
    for (const Band& band : kBands) {
        // The slowest band includes standstill itself.
        const bool inBand = (band.above == 0.0) ? (reached >= 0.0) : (reached > band.above);
        if (inBand) {
            left = band.amplitude;
            return true;
        }
    }
    return false;
}

void TFSWalk::turn(bool right) {
    double left = 0;
    if (turnBand(left)) aRot = right ? -left : left;
}

// A sharp turn slows the walk to a fifth of full speed (or keeps a tenth);
// a mild turn keeps the speed; either yaws the hips by the band amplitude.
void TFSWalk::setCloseLoopWalkParameter() {
    const bool forward = speed >= 0;
    const bool sharp = (degree > kSharpTurn || degree < -kSharpTurn);
    if (sharp) {
        if (forward) {
            speed = (speed == 0.1) ? 0.1 : 0.2;
        } else {
            speed = (speed == -0.1) ? -0.1 : -0.2;
        }
    }
    if (degree > kSharpTurn) {
        if (forward) devOut("walk And turn High");
        turn(true);
    } else if (degree < -kSharpTurn) {
        devOut("walk And turn left");
        turn(false);
    } else if (degree > kStraight) {
        devOut("walk And turn right");
        steerOrTurn(true);
        return;
    } else if (degree < -kStraight) {
        devOut("walk And turn left");
        steerOrTurn(false);
        return;
    } else {
        devOut("walk Striaght", "\n");
        if (steering) headingRef = headingDrift;  // straight on from here
        steering = false;
        holdHeading(kMaxHold);
        return;
    }
    holding = false;
}

void TFSWalk::steerOrTurn(bool right) {
    double band = 0;
    if (headingGain <= 0 || !turnBand(band)) {
        turn(right);
        holding = false;
        return;
    }
    // A mild turn by the gyro: the heading to hold moves kSteerRate degrees
    // a second for each degree asked, so the hips yaw as much as the gait
    // needs to turn that way (at most the band's yaw), whichever way it
    // turns by itself.
    if (!holding) {
        holding = true;
        headingDrift = 0;
        headingRef = 0;
    }
    steering = true;
    headingRef -= kSteerRate * degree * kCycleStep;
    holdHeading(band);
}

void TFSWalk::holdHeading(double limit) {
    if (!holding) {
        holding = true;
        headingDrift = 0;
        headingRef = 0;
    }
    // The gyro's rate about the torso's up axis, degrees per second
    // (counter-clockwise positive); a reading that is no number adds nothing.
    const double rate = WM->getGyro().getRate().getZ();
    if (std::isfinite(rate)) headingDrift += rate * kCycleStep;
    // Stopping, the hips come to rest straight.
    aRot =
        (speed == 0) ? 0.0 : std::clamp(-headingGain * (headingDrift - headingRef), -limit, limit);
}

void TFSWalk::updaters() {
    devOut(kUpdatersLine, speed, " , ", lastspeed, " , ", newRI, " , ", kCycleStep, "\n");
    if (speed >= 0 && lastspeed >= 0) {
        PtoPWalk();
    } else if (speed <= 0 && lastspeed <= 0) {
        MtoMWalk();
    } else {
        tozero();
    }
}

void TFSWalk::applySpeed(double r, double sign) {
    RMaArm = RSaArm = sign * r;
    RMaHip = RMbHip = RSaHip = RSbHip = sign * r;
    RMaknee = RSaknee = r;
    // Sideways sway gives way to stepping as the walk speeds up.
    RMaHipY = RSaHipY = 1.0 - r;
    lastspeed = sign * r;
}

void TFSWalk::PtoPWalk() {
    if (speed > lastspeed) {
        newRI = std::min(lastspeed + kCycleStep / forwardAccelTime, speed);
        applySpeed(newRI, 1.0);
        devOut(kUpdatersLine, speed, " , ", lastspeed, " , ", newRI, " , ", kCycleStep, "\n");
    } else if (lastspeed > speed) {
        newRD = std::max(lastspeed - kCycleStep / forwardBrakeTime, speed);
        applySpeed(newRD, 1.0);
    }
    devOut(kUpdatersLine, speed, " , ", lastspeed, " , ", newRD, " , ", kCycleStep, "\n");
}

void TFSWalk::MtoMWalk() {
    const double target = std::fabs(speed);
    const double reached = std::fabs(lastspeed);
    if (target > reached) {
        applySpeed(std::min(reached + kCycleStep / kAccelTime, target), -1.0);
    } else if (reached > target) {
        applySpeed(std::max(reached - kCycleStep / kBrakeTime, target), -1.0);
    }
}

// A change of direction first brakes to standstill; the next cycle ramps up
// the other way.
void TFSWalk::tozero() {
    const double r = std::max(std::fabs(lastspeed) - kCycleStep / kBrakeTime, 0.0);
    applySpeed(r, lastspeed < 0 ? -1.0 : 1.0);
}

bool TFSWalk::checkState() {
    if (lastspeed == 0 && RMaHipY == 0 && RSaHipY == 0 && RMaRot == 0 && RSaRot == 0) {
        finished = true;
        return true;
    }
    return false;
}

bool TFSWalk::stopStraight() {
    setDegree(0.0);
    return stop();
}

bool TFSWalk::stop() {
    aRot = 0;
    RMaRot = RSaRot = 0;
    if (!stopflag) {
        stoptime = WM->getTime();
        isstoppingflag = true;
    }
    speed = 0;
    if (lastspeed == 0) {
        RMaHipY = RSaHipY = 0;
        isstoppingflag = false;
    }
    checkState();
    return finished;
}

void TFSWalk::setDegree(double d) { degree = d; }
double TFSWalk::getDegree() const { return degree; }
void TFSWalk::setspeed(double s) { speed = s; }
float TFSWalk::getspeed() const { return static_cast<float>(speed); }
void TFSWalk::setDistance(double d) { dest = d; }
void TFSWalk::setTimeR(double t) { timeR = t; }
void TFSWalk::setARot(double a) { aRot = a; }
void TFSWalk::setArmParmeter(double a) { aArm = a; }
bool TFSWalk::isstop() const { return stopflag; }
bool TFSWalk::isstopping() const { return isstoppingflag; }
void TFSWalk::updateR() {}
double TFSWalk::getLastSpeed() const { return lastspeed; }
double TFSWalk::getARot() const { return aRot; }

void TFSWalk::changeTFSfPeriods(double hPeriod) {
    // A duration that is no number would spoil the gait for good.
    if (!std::isfinite(hPeriod)) return;
    // Without a current step duration the knee window cannot be rescaled
    // and keeps its length.
    if (std::isfinite(p) && p != 0.0) {
        t2 = t1 + (t2 - t1) * hPeriod / p;
    }
    p = hPeriod;
}

void TFSWalk::setCurveParameters(float a, float b, float c) {
    RM = a;
    RS = b;
    changeTFSfPeriods(c);
}
