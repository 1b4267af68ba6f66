#include "skills/deffUpdater.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "objects/Player.h"
#include "skills/Updater.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

// Closer than this (degrees) to the end the head counts as there.
constexpr double kArrived = 0.1;

}  // namespace

deffUpdater::deffUpdater()
    : WM(WorldModel::getUniqueInstance()),
      CC(CommandCreator::getUniqueInstance()),
      locked(false),
      OppNotFound(false),
      NearestOppID(-1) {}

int deffUpdater::run() { return 0; }

bool deffUpdater::isMyOppVectEmpty() {
    for (const Player& p : WM->getOpp()) {
        if (p.getNum() != 0) return false;
    }
    return true;
}

void deffUpdater::searchOpp() {
    // Which ends the search has panned toward; one record for the process,
    // kept until the search settles.
    static bool rightIssued = false;
    static bool leftIssued = false;

    const bool empty = isMyOppVectEmpty();
    // The coin for a head that points straight ahead; without opponents
    // there is no coin and the head goes left.
    double r = std::numeric_limits<double>::quiet_NaN();
    if (!empty) r = (std::rand() % 1000) / 1000.0;

    const double pan = WM->getDOF(DOF_HEAD_PAN);
    if (pan < 0) {
        moveHeadToRight();
        rightIssued = true;
    } else if (pan > 0) {
        moveHeadToLeft();
        leftIssued = true;
    } else if (!(r < 0.5)) {
        moveHeadToLeft();
        leftIssued = true;
    } else {
        moveHeadToRight();
        rightIssued = true;
    }

    if (rightIssued && leftIssued && empty) {
        OppNotFound = true;
        rightIssued = false;
        leftIssued = false;
        NearestOppID = -1;
    } else if ((rightIssued || leftIssued) && !empty) {
        OppNotFound = false;
        rightIssued = false;
        leftIssued = false;
        NearestOppID = WM->nearestopp();
    }
}

void deffUpdater::searchBall() {}

bool deffUpdater::takeNearestOpp() { return true; }
bool deffUpdater::isTheBallNearToMe() { return true; }
bool deffUpdater::amINearOrMytemateToBall() { return true; }

bool deffUpdater::moveHeadToLeft() { return moveHeadTo(Updater::sweepEnd(false)); }
bool deffUpdater::moveHeadToRight() { return moveHeadTo(Updater::sweepEnd(true)); }

bool deffUpdater::moveHeadTo(double end) {
    const double e = end - WM->getDOF(DOF_HEAD_PAN);
    double speed = 0.0;
    // At the end the head is stopped rather than left running into its limit
    // at the last speed.
    if (!(std::fabs(e) < kArrived)) speed = e / (kCycleStep * 180.0);
    CC->moveHeadAx1(static_cast<float>(std::isfinite(speed) ? speed : 0.0));
    return true;
}

bool deffUpdater::getOppNotFound() const { return OppNotFound; }
int deffUpdater::getNearestOppID() const { return NearestOppID; }
