#include "skills/HighLevelSkills.h"

#include <cmath>

#include "buildMode.h"
#include "dmu/DMUtil.h"
#include "objects/Player.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "types.h"
#include "worldModel/WorldModel.h"

namespace {

// Our own goal's middle; a ball within kDangerRadius of it is cleared.
const Point kOurGoalMiddle(-6.0, 0.0, 0.0);
constexpr double kDangerRadius = 2.0;
// The waiting point lies kKeepDistance behind the ball; within kKeepTolerance
// of the ball a waiting player stays where it is.
constexpr double kKeepDistance = 3.0;
constexpr double kKeepTolerance = 0.5;

}  // namespace

HighLevelSkills* HighLevelSkills::getUniqueInstance() {
    static HighLevelSkills* instance = new HighLevelSkills();
    return instance;
}

bool HighLevelSkills::posDist(Point p, double d) {
    // Measured on the field plane: the robot's torso height is no distance.
    return WM->getMyCartPos().getDistanceTo2(p) >= d;
}

SkillBase* HighLevelSkills::runPlayer() {
    const int goalieId = WorldModel::getGoalieId();
    const int myNum = WM->getMyNum();
    const Point ball = WM->getGlobalPosOfBall();
    devOut("---ballX = ", ball.getX(), "\n");

    // A ball near our goal starts the kick approach this cycle whatever the
    // roles below decide. The approach is run once per cycle: when this
    // player turns out to be the kicker its result is the one returned,
    // otherwise a skill made for it is dropped here instead of leaking.
    bool approached = false;
    SkillBase* approach = nullptr;
    if (ball.getDistanceTo(kOurGoalMiddle) <= kDangerRadius) {
        approach = kickTowardGoal();
        approached = true;
    }
    auto kick = [&]() { return approached ? approach : kickTowardGoal(); };
    auto keepDistance = [&]() {
        if (approached && approach != SM->getRunningSkill() && approach != SM->getNextSkill()) {
            delete approach;
        }
        return keepDistanceWithPoint(ball, kKeepDistance, BACKWARD, kKeepTolerance);
    };
    // A placeholder (number 0) is nobody, least of all this robot.
    auto isMe = [myNum](const Player& p) { return p.getNum() > 0 && p.getNum() == myNum; };

    const Side ourSide = WM->getOurSide();
    const Point p2 = dmutil->getPlayer(2, ourSide).getGlbPos();
    const Point p3 = dmutil->getPlayer(3, ourSide).getGlbPos();

    if (dmutil->areInSameSideOfBall(p2, p3)) {
        if (isMe(dmutil->getClosestTmtExcept(ball, goalieId))) {
            devOut("========== KickTowardGoal Insame ===========\n");
            return kick();
        }
        devOut("============= KeepDist backward Insame ============\n");
        return keepDistance();
    }

    double behindDist = 0.0;
    double frontDist = 0.0;
    dmutil->getClosestTmtBehindBall(behindDist);
    const Player front = dmutil->getClosestTmtFrontBall(frontDist);
    if (dmutil->amIBehidFastestTmt2Ball(0.5)) {
        devOut("========== KickTowardGoal fastest diff ===========\n");
        return kick();
    }
    if (isMe(front)) return kick();
    devOut("============= KeepDist backward diff ============\n");
    return keepDistance();
}

SkillBase* HighLevelSkills::keepDistanceWithPoint(Point p, double r, Arrow arrow, double posTol) {
    if (!posDist(p, posTol)) return nullptr;

    Point k;
    if (arrow == BACKWARD) {
        k = Point(p.getX() - r, p.getY() / 2.0, p.getZ());
    } else {
        const double d = r * 0.7071067811865476;
        k = (p.getY() <= 0) ? Point(p.getX() + d, p.getY() + d, p.getZ())
                            : Point(p.getX() + d, p.getY() - d, p.getZ());
    }
    k = WorldModel::correctPoint(k);

    // Not in front of the opponent goal, where the shot goes.
    if (k.getX() > 4.5 && k.getY() > -0.7 && k.getY() < 0.7) {
        k.setY(k.getY() >= 0 ? 0.8 : -0.8);
    }
    // Not in the goalie's way in front of our goal.
    if (dmutil->goalieIsInYourPlace() && k.getY() > -0.7 && k.getY() < 0.7 && k.getX() <= -5.0) {
        const Point g = dmutil->getPlayer(WorldModel::getGoalieId(), WM->getOurSide()).getGlbPos();
        const bool sameSide = (k.getY() <= 0 && g.getY() <= 0) || (k.getY() > 0 && g.getY() > 0);
        if (sameSide && std::fabs(k.getY() - g.getY()) < 0.7) k.setX(k.getX() + 0.5);
    }
    devOut(" Keep Point = ", k, "\n");
    return goToPoint(k, 0.0, 10.0);
}
