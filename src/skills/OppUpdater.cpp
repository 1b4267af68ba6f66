#include "skills/OppUpdater.h"

#include <array>
#include <cmath>
#include <vector>

#include "buildMode.h"
#include "objects/Player.h"
#include "skills/Updater.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

// The opponent follow() looks at.
constexpr int kFollowedOpp = 2;
// Bearings beyond this are not angles; they are not converted to int.
constexpr double kLargestBearing = 1e6;

}  // namespace

OppUpdater::OppUpdater()
    : lastpolarlocation(-1.0),
      angleThreshold(1.0),
      toright(false),
      toleft(false),
      locked(true),
      turnHeadToRight(false),
      returningTurnOfHead(false),
      seeOpp(true),
      power(20.0),
      powerAdd(0.1),
      WM(WorldModel::getUniqueInstance()),
      CC(CommandCreator::getUniqueInstance()) {
    devOut("constructor runned\n");
}

bool OppUpdater::oppListEmpty() const {
    const std::vector<Player> opp = WM->getOpp();
    return opp.empty() || (opp.size() == 1 && opp.front().getNum() == 0);
}

void OppUpdater::run() {
    const double pan = WM->getDOF(DOF_HEAD_PAN);
    double speed = 0.0;

    if (!locked) {
        if (!oppListEmpty()) {
            // nearestopp() gives -1 when nobody was seen recently; then there
            // is no one to aim at and the head waits for the next sighting.
            const int num = WM->nearestopp();
            const std::vector<Player> opp = WM->getOpp();
            const int index = num < 0 ? -1 : WM->getIndexOpp(num);
            if (index >= 0 && index < static_cast<int>(opp.size())) {
                lastpolarlocation = opp[static_cast<std::size_t>(index)].getPolarPos().getTeta();
                devOut("man roo in lockam.........==>", num, "\n");
                seeOpp = true;
                locked = true;
                returningTurnOfHead = false;
                turnHeadToRight = lastpolarlocation < 0;
            }
        }
    } else {
        if (oppListEmpty()) seeOpp = false;
        if (!seeOpp) {
            // Nobody left to look for: end the sweep, so that the next
            // opponent in view starts a fresh one from its own side.
            locked = false;
        } else if (Updater::sweepOverAtEnd(pan, angleThreshold, turnHeadToRight,
                                           returningTurnOfHead)) {
            // Back at the far side: the sweep is over. The list has just
            // been read above; the next cycle aims at the nearest opponent
            // again if there is one.
            locked = false;
        }
        if (locked) {
            speed = Updater::panSpeed(Updater::sweepEnd(turnHeadToRight), pan, power, powerAdd);
        }
    }

    CC->moveHeadAx1(static_cast<float>(speed));
    CC->moveHeadAx2(static_cast<float>(Updater::tiltSpeed(0.0, WM->getDOF(DOF_HEAD_TILT))));
}

bool OppUpdater::moveR() {
    const double pan = WM->getDOF(DOF_HEAD_PAN);
    const double end = Updater::sweepEnd(true);
    if (std::fabs(end - pan) <= angleThreshold) {
        toright = false;
        toleft = true;
        return true;
    }
    CC->moveHeadAx1(static_cast<float>(Updater::panSpeed(end, pan, power, powerAdd)));
    return false;
}

bool OppUpdater::moveL() {
    const double pan = WM->getDOF(DOF_HEAD_PAN);
    const double end = Updater::sweepEnd(false);
    if (std::fabs(end - pan) <= angleThreshold) {
        toleft = false;
        toright = true;
        return true;
    }
    CC->moveHeadAx1(static_cast<float>(Updater::panSpeed(end, pan, power, powerAdd)));
    return false;
}

void OppUpdater::search() {
    if (!toright && !toleft) {
        if (WM->getDOF(DOF_HEAD_PAN) <= 0) {
            moveR();
        } else {
            moveL();
        }
    } else if (toright) {
        moveR();
    } else {
        moveL();
    }
}

void OppUpdater::follow(int /*unused*/) {
    const double bearing = WM->getBodyDirectionFromOpp(kFollowedOpp)[1];
    // A broken bearing would make the conversion below undefined: hold the
    // head instead.
    if (!std::isfinite(bearing) || std::fabs(bearing) > kLargestBearing) {
        CC->moveHeadAx1(0.0f);
        return;
    }
    const int b = static_cast<int>(bearing);
    const double pan = WM->getDOF(DOF_HEAD_PAN);
    if (std::fabs(b - pan) >= angleThreshold) {
        if (b < 0) {
            moveR();
            return;
        }
        if (b > 0) {
            moveL();
            return;
        }
    }
    // Pointing at the opponent already, or the opponent is straight ahead:
    // the head holds still.
    CC->moveHeadAx1(0.0f);
}
