#include "skills/Updater.h"

#include <cmath>

#include "buildMode.h"
#include "geometry/Geometry.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kTiltGain = 10.0;
constexpr double kTiltAdd = 0.05;
// In a match a ball that has been out of sight for this long is probably at
// the robot's feet, so the head looks down instead of level.
constexpr double kBallMissingForLookDown = 2.0;
constexpr double kLookDownTilt = -45.0;

}  // namespace

Updater::Updater()
    : angleThreshold(1.0),
      locked(false),
      turnHeadToRight(false),
      returningTurnOfHead(false),
      seeFlag1(false),
      seeFlag2(false),
      seeBall(false),
      power(20.0),
      powerAdd(0.1),
      WM(WorldModel::getUniqueInstance()),
      CC(CommandCreator::getUniqueInstance()) {
    devOut("constructor runned\n");
}

double Updater::sweepEnd(bool toRight) { return toRight ? -kSweepEnd : kSweepEnd; }

bool Updater::sweepOverAtEnd(double pan, double threshold, bool& toRight, bool& returning) {
    if (!(std::fabs(sweepEnd(toRight) - pan) <= threshold)) return false;
    if (returning) return true;
    returning = true;
    toRight = !toRight;
    return false;
}

double Updater::panSpeed(double end, double pan, double power, double powerAdd) {
    const double e = end - pan;
    const double speed = (e / 180.0) * power - Geometry::signX(e) * powerAdd;
    return std::isfinite(speed) ? speed : 0.0;
}

double Updater::tiltSpeed(double target, double tilt) {
    const double e = target - tilt;
    // Written so that a NaN error also lands in the dead band.
    if (!(std::fabs(e) > kTiltDeadBand)) return 0.0;
    const double speed = (e / 180.0) * kTiltGain - kTiltAdd * Geometry::signX(e);
    return std::isfinite(speed) ? speed : 0.0;
}

bool Updater::chooseRight() const {
    const double ballTeta = WM->getBall().getPolarPos().getTeta();
    if (ballTeta < 0) return true;
    if (ballTeta == 0) return WM->getOppGoalFlag1().getPolarPos().getTeta() < 0;
    return false;
}

bool Updater::anyLost() const { return seeFlag1 || seeFlag2 || seeBall; }

void Updater::run() {
    const double now = WM->getTime();
    const double inViewSince = now - kRecentlySeen;
    const double flag1Seen = WM->getOppGoalFlag1LastTimeSeen();
    const double flag2Seen = WM->getOppGoalFlag2LastTimeSeen();
    const double ballSeen = WM->getBall().getLastTimeSeenBall();
    const double pan = WM->getDOF(DOF_HEAD_PAN);

    if (!locked) {
        seeFlag1 = flag1Seen < inViewSince;
        seeFlag2 = flag2Seen < inViewSince;
        seeBall = ballSeen < inViewSince;
        if (anyLost()) {
            locked = true;
            returningTurnOfHead = false;
            turnHeadToRight = chooseRight();
        }
    }

    // A sweep that has just started is checked at once, so a head that is
    // already at the chosen end turns round without a wasted cycle.
    if (locked) {
        if (seeFlag1 && flag1Seen >= inViewSince) seeFlag1 = false;
        if (seeFlag2 && flag2Seen >= inViewSince) seeFlag2 = false;
        if (seeBall && ballSeen >= inViewSince) seeBall = false;
        if (!anyLost()) {
            locked = false;
        } else if (sweepOverAtEnd(pan, angleThreshold, turnHeadToRight, returningTurnOfHead)) {
            locked = false;
        }
    }

    // One pan expression per cycle: a second one for the same joint would
    // only override the first on the server.
    CC->moveHeadAx1(static_cast<float>(
        locked ? panSpeed(sweepEnd(turnHeadToRight), pan, power, powerAdd) : 0.0));

    double tiltTarget = 0.0;
    if constexpr (kCompetitionBuild) {
        if (now - ballSeen > kBallMissingForLookDown) tiltTarget = kLookDownTilt;
    }
    CC->moveHeadAx2(static_cast<float>(tiltSpeed(tiltTarget, WM->getDOF(DOF_HEAD_TILT))));
}
