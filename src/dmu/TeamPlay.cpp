#include "dmu/TeamPlay.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "etc/SkillParams.h"
#include "objects/Ball.h"
#include "objects/Boned.h"
#include "objects/Player.h"
#include "skills/ApproachPlan.h"
#include "worldModel/WorldModel.h"

namespace {

// Sightings of robots older than this are too stale to steer by.
constexpr double kSightingAge = 1.0;
// A ball within this of the field's long middle line counts as in the
// middle (m); support spots stay within these bounds (m), out of the goal
// areas (penalty areas: 1.8 deep, 3.9 wide).
constexpr double kMiddleBand = 0.4;
constexpr double kSpotX = 4.0;
constexpr double kSpotY = 3.4;
constexpr double kAreaX = 4.0;
constexpr double kAreaY = 2.2;
// The opponent goal's middle (team frame, m), and where a taker that must
// leave the ball waits: this far behind it and to the side (m).
constexpr double kGoalX = 6.0;
constexpr double kLeaveBehind = 1.2;
constexpr double kLeaveSide = 0.6;
// The point behind the ball a kick is lined up from (m), and what the way
// round the ball costs beyond the distance (m).
constexpr double kStagingBehind = 0.5;
constexpr double kRoundBallCost = 1.5;
// Sightings this fresh (s) place a teammate on the field.
constexpr double kFreshSighting = 0.2;

// The unit vector from (bx, by) to the opponent goal's middle (straight
// ahead from the middle itself).
void towardGoal(double bx, double by, double& ux, double& uy) {
    ux = kGoalX - bx;
    uy = -by;
    const double l = std::hypot(ux, uy);
    if (l > 1e-6) {
        ux /= l;
        uy /= l;
    } else {
        ux = 1.0;
        uy = 0.0;
    }
}

}  // namespace

// Everything here can be retuned in params/play.params.
const std::vector<SkillParams::Param>& TeamPlay::paramList() {
    static const std::vector<SkillParams::Param> list = {
    // Where our taker waits at the ball for our kick-off (team frame, the
    // ball on the centre spot): the kick's own start spot.
    {"kickOffX", -0.20},
    {"kickOffY", -0.055},
    // Where it waits for theirs: outside the centre circle of radius 2 with
    // room for its body (the referee measures the body's outline, about
    // 0.2 m around the torso), and no nearer than needed.
    {"waitX", -2.45},
    // How long the taker of a kick-off or set piece leaves the ball alone
    // once play goes on (s).
    {"leaveBallFor", 6.0},
    // Nearer than this to another robot, the walk slows to `nearSpeed`: at
    // that setting the robot walks slower than the 0.4 m/s from which the
    // referee counts a contact as a charge.
    {"nearRobot", 1.0},
    {"nearSpeed", 0.45},
    // The goalie stays down this long after its last dive command (s).
    {"goalieLieFor", 19.0},
    // It dives only for a ball seen within `diveReach` (m) that comes at it
    // faster than `diveBallSpeed` (m/s); as designed, for any ball whose
    // rest point is near.
    {"diveReach", 100.0},
    {"diveBallSpeed", -100.0},
    // Where a player waits that leaves the ball to a teammate, relative to
    // the ball (m): as designed, 1.5 m behind it on its own side.
    {"supportAhead", -1.5},
    {"supportSide", 0.0},
    // Where number 2 waits for a kick-off (team frame): as designed, its
    // home; nearer the middle, it is sooner at the ball our kick-off sends
    // into the other half, and still outside the centre circle (the referee
    // clears it out to 2.2 m of the centre for their kick-off).
    {"wingX", -3.5},
    {"wingY", -1.5},
    // The goalie goes out to clear a ball lying in our goal area within this
    // of it (m); as designed, never (0).
    {"goalieClear", 0.0},
    // The goalie dives only for a ball predicted to stop less than this far
    // before it (m): one that stops short of the goal is cleared instead.
    {"diveRestAhead", 1.0},
};
    return list;
}

double TeamPlay::param(PlayParam which) {
    const SkillParams::Param& p = paramList()[which];
    return SkillParams::getUniqueInstance()->value(kSkill, p.name, p.designValue);
}

namespace {

bool isKickOff(PlayMode m) { return m == PM_KICKOFF_LEFT || m == PM_KICKOFF_RIGHT; }

bool forLeft(PlayMode m) {
    return m == PM_KICKOFF_LEFT || m == PM_GOAL_KICK_LEFT || m == PM_KICKIN_LEFT || m == PM_FREE_KICK_LEFT ||
           m == PM_CORNER_KICK_LEFT || m == PM_GOAL_LEFT;
}

bool ours(PlayMode m, Side side) { return forLeft(m) == (side == SIDE_LEFT); }

}  // namespace

TeamPlay* TeamPlay::getUniqueInstance() {
    static TeamPlay instance;
    return &instance;
}

void TeamPlay::noteTeammates(const WorldModel& wm) {
    const Point me = wm.getMyCartPos();
    const double facing = -wm.getDir().getZ();
    if (!std::isfinite(me.getX()) || !std::isfinite(me.getY()) || !std::isfinite(facing)) return;
    for (const Sighting& s : robotsSeen(wm, kFreshSighting)) {
        if (!s.teammate || s.unum < 1 || s.unum > 11) continue;
        Known& k = teammates[s.unum];
        ApproachPlan::fieldPointOf(me.getX(), me.getY(), facing, s.x, s.y, k.x, k.y);
        k.time = wm.getTime();
    }
}

double TeamPlay::kickCost(double x, double y, const Point& ball) {
    const double bx = ball.getX(), by = ball.getY();
    double ux = 1.0, uy = 0.0;
    towardGoal(bx, by, ux, uy);
    const double sx = bx - kStagingBehind * ux, sy = by - kStagingBehind * uy;
    double cost = std::hypot(sx - x, sy - y);
    // On the ball's far side the way goes round it: as far again as the
    // robot stands beyond the ball, and a turn about.
    const double along = (x - bx) * ux + (y - by) * uy;
    if (along > -kStagingBehind / 2) cost += kRoundBallCost + along;
    return std::isfinite(cost) ? cost : HUGE_VAL;
}

bool TeamPlay::teammateBetterPlaced(const WorldModel& wm, double margin) const {
    const Point me = wm.getMyCartPos();
    const Point ball = wm.getGlobalPosOfBall();
    const double mine = kickCost(me.getX(), me.getY(), ball);
    const double now = wm.getTime();
    for (int unum = 2; unum <= 11; ++unum) {
        if (unum == wm.getMyNum() || mustLeaveBall(unum, now)) continue;
        const Known& k = teammates[unum];
        if (!(now - k.time <= kTeammateMemory)) continue;
        if (kickCost(k.x, k.y, ball) + margin < mine) return true;
    }
    return false;
}

void TeamPlay::noteBall(const WorldModel& wm) {
    const double now = wm.getTime();
    if (!(now < leaveBallUntil) || now - leaveSince < kBallRolls) return;
    if (!(now - wm.getBall().getLastTimeSeenBall() <= kFreshSighting)) return;
    const Point ball = wm.getGlobalPosOfBall();
    if (!std::isfinite(ball.getX()) || !std::isfinite(ball.getY())) return;
    if (!restKnown) {
        restKnown = true;
        restX = ball.getX();
        restY = ball.getY();
        return;
    }
    movedSightings = std::hypot(ball.getX() - restX, ball.getY() - restY) > kBallMoved ? movedSightings + 1 : 0;
    if (movedSightings >= kMovedSightings) leaveBallUntil = now;
}

void TeamPlay::reset() {
    modeStart = 0.0;
    leaveSince = -1.0;
    restKnown = false;
    movedSightings = 0;
    for (Known& k : teammates) k = Known();
    lastMode = PM_UNKNOWN;
    side = SIDE_LEFT;
    firstKickOffKnown = weKickedOffFirst = nextKnown = weKickOffNextKnown = false;
    setPieceTaker = leaveBallTaker = 0;
    leaveBallUntil = -1.0;
}

bool TeamPlay::isOurSetPiece(PlayMode m, Side ourSide) {
    switch (m) {
        case PM_KICKOFF_LEFT:
        case PM_KICKOFF_RIGHT:
        case PM_GOAL_KICK_LEFT:
        case PM_GOAL_KICK_RIGHT:
        case PM_KICKIN_LEFT:
        case PM_KICKIN_RIGHT:
        case PM_FREE_KICK_LEFT:
        case PM_FREE_KICK_RIGHT:
        case PM_CORNER_KICK_LEFT:
        case PM_CORNER_KICK_RIGHT:
            return ours(m, ourSide);
        default:
            return false;
    }
}

void TeamPlay::observe(PlayMode mode, Side ourSide, double gameTime, double now) {
    side = ourSide;
    if (mode == lastMode) return;
    modeStart = now;
    if (isKickOff(mode)) {
        if (!firstKickOffKnown) {
            firstKickOffKnown = true;
            weKickedOffFirst = ours(mode, side);
        }
        nextKnown = false;
    } else if (mode == PM_GOAL_LEFT || mode == PM_GOAL_RIGHT) {
        // The team scored on kicks off.
        nextKnown = true;
        weKickOffNextKnown = !ours(mode, side);
    } else if (mode == PM_BEFORE_KICK_OFF && gameTime > 0.0) {
        // Half time: the other team kicks off the second half.
        nextKnown = true;
        weKickOffNextKnown = firstKickOffKnown ? !weKickedOffFirst : side == SIDE_RIGHT;
    }
    if (mode == PM_PLAY_ON && isOurSetPiece(lastMode, side) && setPieceTaker != 0) {
        startLeaving(setPieceTaker, now);
    } else if (mode == PM_PLAY_ON && isKickOff(lastMode) && ours(lastMode, side)) {
        // Every player knows who took our kick-off: the others must not wait
        // for it to play the ball it has to leave alone.
        startLeaving(kTaker, now);
    }
    if (!isOurSetPiece(mode, side)) setPieceTaker = 0;
    lastMode = mode;
}

void TeamPlay::startLeaving(int taker, double now) {
    leaveBallTaker = taker;
    leaveBallUntil = now + param(P_LEAVE_BALL_FOR);
    leaveSince = now;
    restKnown = false;
    movedSightings = 0;
}

bool TeamPlay::weKickOffNext() const {
    if (nextKnown) return weKickOffNextKnown;
    return side == SIDE_LEFT;
}

Point TeamPlay::kickOffSpot(int unum) const {
    const double waitX = param(P_WAIT_X);
    switch (unum) {
        case 1:
            return Point(-5.73, 0.0, 0.0);
        case 2:
            return Point(param(P_WING_X), param(P_WING_Y), 0.0);
        case kTaker:
            if (weKickOffNext()) return Point(param(P_KICK_OFF_X), param(P_KICK_OFF_Y), 0.0);
            return Point(waitX, 0.0, 0.0);
        default: {
            // Further players line up behind the circle, one metre apart,
            // alternately left and right of the middle.
            const int k = unum - kTaker;
            const double y = ((k + 1) / 2) * (k % 2 == 1 ? 1.0 : -1.0);
            return Point(waitX - 0.5, std::clamp(y, -3.5, 3.5), 0.0);
        }
    }
}

bool TeamPlay::mustLeaveBall(int unum, double now) const { return unum == leaveBallTaker && now < leaveBallUntil; }

void TeamPlay::takingSetPiece(int unum) { setPieceTaker = unum; }

Point TeamPlay::supportSpot(const Point& ball, int unum) {
    const double ahead = param(P_SUPPORT_AHEAD), beside = param(P_SUPPORT_SIDE);
    const double bx = std::isfinite(ball.getX()) ? ball.getX() : 0.0;
    const double by = std::isfinite(ball.getY()) ? ball.getY() : 0.0;
    double toward = by > kMiddleBand ? -1.0 : (by < -kMiddleBand ? 1.0 : (unum % 2 == 0 ? -1.0 : 1.0));
    double x = std::clamp(bx + ahead, -kSpotX, kSpotX);
    double y = std::clamp(by + toward * beside, -kSpotY, kSpotY);
    // Out of either goal area (the goalies' ground; four in an area is a
    // foul).
    if (std::fabs(x) > kAreaX && std::fabs(y) < kAreaY) x = x > 0 ? kAreaX : -kAreaX;
    return Point(x, y, 0.0);
}

Point TeamPlay::leaveSpot(const Point& ball) {
    const double bx = std::isfinite(ball.getX()) ? ball.getX() : 0.0;
    const double by = std::isfinite(ball.getY()) ? ball.getY() : 0.0;
    // Behind the ball on its line to the opponent goal's middle, a little to
    // the side toward the middle of the field.
    double ux = 1.0, uy = 0.0;
    towardGoal(bx, by, ux, uy);
    const double toward = by > 0 ? -1.0 : 1.0;
    const double x = bx - kLeaveBehind * ux - toward * kLeaveSide * uy;
    const double y = by - kLeaveBehind * uy + toward * kLeaveSide * ux;
    return Point(std::clamp(x, -kSpotX, kSpotX), std::clamp(y, -kSpotY, kSpotY), 0.0);
}

double TeamPlay::speedLimit(double robotDistance) {
    if (std::isfinite(robotDistance) && robotDistance < param(P_NEAR_ROBOT)) return param(P_NEAR_SPEED);
    return 1.0;
}

std::vector<TeamPlay::Sighting> TeamPlay::robotsSeen(const WorldModel& wm, double maxAge) {
    std::vector<Sighting> seen;
    const double now = wm.getTime();
    auto add = [&](const Player& p, bool teammate) {
        if (teammate && p.getNum() == wm.getMyNum()) return;
        if (!(now - p.getLastTimeSeenPlayer() <= maxAge)) return;
        // The head when seen, else whichever part was: all lie within a few
        // centimetres of the torso as far as keeping clear goes.
        for (int id = head; id <= lFoot; ++id) {
            const Boned part = p.getBoned(static_cast<BONEDID>(id));
            const Point pol = part.getPolarPos();
            if (!(pol.getRo() > 0.0) || !(now - part.getLastTimeSeenBoned() <= maxAge)) continue;
            // The head's tilt and pan undone in turn (added to the reading's
            // angles they misplace a robot seen with the head tilted down).
            double x = 0.0, y = 0.0;
            if (ApproachPlan::bodyPointOf(pol.getRo(), pol.getTeta(), pol.getPhi(), p.getLastStepSeenHeadPanDegree(),
                                          p.getLastStepSeenHeadTiltDegree(), x, y)) {
                seen.push_back({x, y, teammate, p.getNum()});
            }
            return;
        }
    };
    for (const Player& p : wm.getTmt()) add(p, true);
    for (const Player& p : wm.getOpp()) add(p, false);
    return seen;
}

double TeamPlay::nearestRobot(const WorldModel& wm) {
    double best = HUGE_VAL;
    for (const Sighting& s : robotsSeen(wm, kSightingAge)) best = std::min(best, std::hypot(s.x, s.y));
    return best;
}

bool TeamPlay::teammateNearerToBall(const WorldModel& wm, double margin) {
    const Ball& seenBall = wm.getBall();
    const Point pol = seenBall.getPolarPos();
    double bx = 0.0, by = 0.0;
    if (!ApproachPlan::bodyPointOf(pol.getRo(), pol.getTeta(), pol.getPhi(), seenBall.getLastStepSeenHeadPanDegree(),
                                   seenBall.getLastStepSeenHeadTiltDegree(), bx, by)) {
        return false;
    }
    const double mine = std::hypot(bx, by);
    const TeamPlay* play = getUniqueInstance();
    for (const Sighting& s : robotsSeen(wm, kSightingAge)) {
        // The goalie keeps its goal, and the taker of our kick-off or set
        // piece may not touch the ball again yet: neither takes it.
        if (!s.teammate || s.unum == 1 || play->mustLeaveBall(s.unum, wm.getTime())) continue;
        if (std::hypot(bx - s.x, by - s.y) + margin < mine) return true;
    }
    return false;
}
