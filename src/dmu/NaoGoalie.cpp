#include "dmu/NaoGoalie.h"

#include <cmath>

#include "buildMode.h"
#include "dmu/DMUtil.h"
#include "skills/MidLevelSkills.h"
#include "skills/SkillManager.h"
#include "skills/UpdaterGoalie.h"
#include "skills/lowLevelSkills/NaoStandUp.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

bool isFinitePoint(const Point& p) {
    return std::isfinite(p.getX()) && std::isfinite(p.getY()) && std::isfinite(p.getZ());
}

}  // namespace

NaoGoalie::NaoGoalie()
    : updater(new UpdaterGoalie()),
      CC(CommandCreator::getUniqueInstance()),
      WM(WorldModel::getUniqueInstance()),
      SM(SkillManager::getUniqueInstance()),
      dmutil(DMUtil::getUniqueInstance()),
      MLS(MidLevelSkills::getUniqueInstance()),
      startTime(WM->getTime()),
      step1(0),
      dt(0),
      step3(0),
      vAmount(0),
      xAmount(0),
      stop(false),
      // No dive yet: the goalie may go for a ball from the start.
      timeBuffer(startTime - kAttackPause) {}

NaoGoalie::~NaoGoalie() { delete updater; }

void NaoGoalie::beamPoint() { CC->beam(Point(kHomeX, 0.0, kHomeRot)); }

void NaoGoalie::resetGoalie() {}

bool NaoGoalie::findCrossing() {
    // Only a ball that rolls toward our goal, is still in front of the goal
    // line, and comes to rest at or behind the goalie's line crosses it.
    if (!(vnorm.getX() < 0) || !(ballpos.getX() > -kGoalLineX) ||
        !(outreal.getX() <= -kGoalieLineX)) {
        return false;
    }
    // The line from the last ball position through the predicted rest point.
    const double run = outreal.getX() - lastballpos.getX();
    if (run == 0.0) return false;
    const double t = (-kGoalieLineX - lastballpos.getX()) / run;
    const double y = lastballpos.getY() + t * (outreal.getY() - lastballpos.getY());
    if (!std::isfinite(y)) return false;
    dx = Point(-kGoalieLineX, y, 0.0);
    return true;
}

void NaoGoalie::dive(bool toLeft) {
    if (toLeft) {
        devOut("================STATE1_2===============\n");
        CC->moveRAnkleAx2(kDiveSpeed);
        CC->moveLAnkleAx2(kDiveSpeed);
        CC->moveLLegAx1_2(-kDiveSpeed);
    } else {
        devOut("===============STATE1_1==============\n");
        CC->moveRAnkleAx2(-kDiveSpeed);
        CC->moveLAnkleAx2(-kDiveSpeed);
        CC->moveRLegAx1_2(kDiveSpeed);
    }
    timeBuffer = WM->getTime();
}

void NaoGoalie::run() {
    const double now = WM->getTime();
    const bool fallen = dmutil->isFallen();
    ballpos = WM->getGlobalPosOfBall();
    lastballpos = WM->getLastGlobalPosOfBall();
    dt = WM->getDeltaTime();

    // Without a new sighting there is no new velocity; a broken one is not
    // taken either, so one bad reading cannot poison the estimate for good.
    if (dt != 0.0) {
        Point moved = ballpos - lastballpos;
        moved.setZ(0.0);
        const Point estimate = moved / dt;
        if (isFinitePoint(estimate)) v = estimate;
    }
    vAmount = v.getMagnitude();
    vnorm = vAmount > 0.0 ? v / vAmount : Point(0, 0, 0);
    xAmount = kRollGain * vAmount - kRollOffset;
    outreal = ballpos + vnorm * xAmount;

    const Point me = WM->getMyCartPos();
    if (isFinitePoint(outreal) && findCrossing() && std::fabs(dx.getY()) < kGoalHalfWidth &&
        me.getX() < kInGoalX) {
        devOut("==================STATE1==================\n");
        const double side = dx.getY() - me.getY();
        if (!fallen && side > kStraightBand) {
            dive(true);
        } else if (!fallen && side < -kStraightBand) {
            dive(false);
        }
    } else if (now - timeBuffer > kAttackPause &&
               dmutil->shouldGoalieAttack2Ball(1, -3.6, 2.0)) {
        devOut("========================STATE2=============================\n");
        if (fallen) {
            devOut("it is fallen\n");
            SM->putSkillInQ(new NaoStandUp());
        } else {
            SM->putSkillInQ(MLS->kickTowardGoal());
        }
    }
    devOut("outreal.getX():", outreal.getX(), "\n");
}
