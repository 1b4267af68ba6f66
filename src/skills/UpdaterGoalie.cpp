#include "skills/UpdaterGoalie.h"

#include <cmath>

#include "skills/Updater.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

UpdaterGoalie::UpdaterGoalie()
    : lock2(false),
      seeOppFlag1(false),
      seeOppFlag2(false),
      turnHeadToRight2(false),
      returningTurnOfHead2(false),
      angleThreshold(1.0),
      locked(false),
      turnHeadToRight(false),
      returningTurnOfHead(false),
      seeFlag1(false),
      seeFlag2(false),
      power(20.0),
      powerAdd(0.1),
      WM(WorldModel::getUniqueInstance()),
      CC(CommandCreator::getUniqueInstance()) {}

UpdaterGoalie::~UpdaterGoalie() = default;

void UpdaterGoalie::run() {
    sweep(locked, seeFlag1, seeFlag2, WM->getOurGoalFlag1LastTimeSeen(),
          WM->getOurGoalFlag2LastTimeSeen(), WM->getOurGoalFlag1().getPolarPos().getTeta());
}

void UpdaterGoalie::runForOpp() {
    sweep(lock2, seeOppFlag1, seeOppFlag2, WM->getOppGoalFlag1LastTimeSeen(),
          WM->getOppGoalFlag2LastTimeSeen(), WM->getOppGoalFlag1().getPolarPos().getTeta());
}

void UpdaterGoalie::sweep(bool& lock, bool& lost1, bool& lost2, double seen1, double seen2,
                          double sideTeta) {
    const double inViewSince = static_cast<double>(WM->getTime()) - Updater::kRecentlySeen;
    const double pan = WM->getDOF(DOF_HEAD_PAN);

    if (!lock) {
        lost1 = seen1 < inViewSince;
        lost2 = seen2 < inViewSince;
        if (lost1 || lost2) {
            lock = true;
            returningTurnOfHead = false;
            turnHeadToRight = sideTeta < 0;
        }
    }

    if (lock) {
        if (lost1 && seen1 >= inViewSince) lost1 = false;
        if (lost2 && seen2 >= inViewSince) lost2 = false;
        if (!lost1 && !lost2) {
            lock = false;
        } else if (Updater::sweepOverAtEnd(pan, angleThreshold, turnHeadToRight,
                                           returningTurnOfHead)) {
            lock = false;
        }
    }

    CC->moveHeadAx1(static_cast<float>(
        lock ? Updater::panSpeed(Updater::sweepEnd(turnHeadToRight), pan, power, powerAdd) : 0.0));
    CC->moveHeadAx2(static_cast<float>(Updater::tiltSpeed(0.0, WM->getDOF(DOF_HEAD_TILT))));
}
