#include "dmu/DMUtil.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iostream>

#include "ai/ann/ANN.h"
#include "ai/ann/Neron.h"
#include "buildMode.h"
#include "geometry/Geometry.h"
#include "geometry/Line.h"
#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "objects/UniversalJoint.h"
#include "utils/CommandCreator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

// The running minimum of every closest-player scan starts here: a player
// farther away than this is no candidate at all.
constexpr double kNoCandidate = 10000.0;
// What the front/behind queries give when no team-mate qualifies.
constexpr double kNoTmtCoord = 1000.0;
// One server cycle.
constexpr double kCycle = 0.02;
// A number no real or placeholder player carries, for scans that skip nobody.
constexpr int kNoExclusion = -1000000;

bool isFinite(const Point& p) {
    return std::isfinite(p.getX()) && std::isfinite(p.getY()) && std::isfinite(p.getZ());
}

}  // namespace

DMUtil* DMUtil::getUniqueInstance() {
    static DMUtil instance;
    return &instance;
}

DMUtil::DMUtil()
    : CC(CommandCreator::getUniqueInstance()),
      WM(WorldModel::getUniqueInstance()),
      GC(GameConf::getUniqueInstance()),
      fallencycle(0),
      fallencounterp(0),
      fallencounterm(0),
      fallencounter(0),
      fallcountermm(0),
      fallencounterr(0),
      fallencounterrm(0),
      lyingReadings(0) {}

Player DMUtil::absentPlayer(Side side) {
    return Player(0, side, Point(kAbsentPlayerX, kAbsentPlayerY, kAbsentPlayerZ));
}

double DMUtil::fieldLength() const {
    const double l = GC->getFieldLength();
    return l > 0.0 ? l : 12.0;
}

// ---- Closest players --------------------------------------------------------

Player DMUtil::closestOrSay(const std::vector<Player>& list, Point p, int expId, Side side,
                            const char* illegalUse) {
    double d = 0;
    bool found = false;
    Player r = closestIn(list, p, expId, side, d, found);
    if (!found) {
        devOut(illegalUse);
    }
    return r;
}

Player DMUtil::closestIn(const std::vector<Player>& list, Point p, int expId, Side side,
                         double& minDist, bool& found) {
    minDist = kNoCandidate;
    int best = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].getNum() == expId) {
            continue;
        }
        const double d = list[i].getGlbPos().getDistanceTo(p);
        if (d < minDist) {
            minDist = d;
            best = static_cast<int>(i);
        }
    }
    found = best >= 0;
    if (found) {
        return list[static_cast<std::size_t>(best)];
    }
    // Nobody qualified: the first entry, as callers have always been given;
    // an empty list has none, so a placeholder far off the field stands in.
    return list.empty() ? absentPlayer(side) : list.front();
}

Player DMUtil::getClosestTmt2Point(Point p) {
    return closestOrSay(WM->getTmt(), p, kNoExclusion, SIDE_OUR, "!!!!!!!! getClosestTmt2Point() -> ILLEGAL USE !!!!!!!\n");
}

Player DMUtil::getClosestTmtExcept(Point p, int expId) {
    return closestOrSay(WM->getTmt(), p, expId, SIDE_OUR, "!!!!!!!! getClosestTmtExcept() -> ILLEGAL USE !!!!!!!\n");
}

Player DMUtil::getSecondClosestTmt2Point(Point p) {
    return getClosestTmtExcept(p, getClosestTmt2Point(p).getNum());
}

Player DMUtil::getClosestTmt2Ball() { return getClosestTmt2Point(WM->getGlobalPosOfBall()); }

Player DMUtil::getClosestOpp2Point(Point p) {
    return closestOrSay(WM->getOpp(), p, kNoExclusion, SIDE_OPP, "!!!!!! getClosestOpp2Point() -> ILLEGAL USE !!!!!!\n");
}

Player DMUtil::getClosestOppExcept(Point p, int expId) {
    return closestOrSay(WM->getOpp(), p, expId, SIDE_OPP, "!!!!!!!! getClosestOppExcept() -> ILLEGAL USE !!!!!!!\n");
}

Player DMUtil::getSecondClosestOpp2Point(Point p) {
    return getClosestOppExcept(p, getClosestOpp2Point(p).getNum());
}

Player DMUtil::getClosestOpp2Ball() { return getClosestOpp2Point(WM->getGlobalPosOfBall()); }

Player DMUtil::getClosestPlayerExcept(Point p, int expTmtId, int expOppId) {
    double tMin = 0;
    double oMin = 0;
    bool tFound = false;
    bool oFound = false;
    const Player t = closestIn(WM->getTmt(), p, expTmtId >= 0 ? expTmtId : kNoExclusion,
                               SIDE_OUR, tMin, tFound);
    const Player o = closestIn(WM->getOpp(), p, expOppId >= 0 ? expOppId : kNoExclusion,
                               SIDE_OPP, oMin, oFound);
    if (tFound && oFound) {
        return tMin > oMin ? o : t;
    }
    if (tFound) {
        return t;
    }
    if (oFound) {
        return o;
    }
    devOut("!!!!!!!! getClosestPlayerExcept() -> ILLEGAL USE !!!!!!!!\n");
    // t and o are now the first entries (or placeholders).
    return o.getGlbPos().getDistanceTo(p) < t.getGlbPos().getDistanceTo(p) ? o : t;
}

Player DMUtil::getClosestPlayer2Point(Point p) {
    const Player t = getClosestTmt2Point(p);
    const Player o = getClosestOpp2Point(p);
    const bool tReal = t.getNum() != 0;
    const bool oReal = o.getNum() != 0;
    if (tReal && oReal) {
        return t.getGlbPos().getDistanceTo(p) <= o.getGlbPos().getDistanceTo(p) ? t : o;
    }
    if (oReal) {
        return o;
    }
    if (tReal) {
        return t;
    }
    devOut("!!!!!!!!!!!! getClosestPlayer2Point() -> ILLEGAL USE !!!!!!!!!!\n");
    const std::vector<Player> tmt = WM->getTmt();
    return tmt.empty() ? absentPlayer(SIDE_OUR) : tmt.front();
}

Player DMUtil::getSecondClosestPlayer2Point(Point p) {
    const Player c = getClosestPlayer2Point(p);
    if (c.getSide() == SIDE_OUR) {
        return getClosestPlayerExcept(p, c.getNum(), -1);
    }
    return getClosestPlayerExcept(p, -1, c.getNum());
}

Player DMUtil::getClosestPlayer2Ball() { return getClosestPlayer2Point(WM->getGlobalPosOfBall()); }

Player DMUtil::closestTmtOnBallSide(bool inFront, double& minDist) {
    const Point ball = WM->getGlobalPosOfBall();
    const std::vector<Player> tmt = WM->getTmt();
    minDist = kNoCandidate;
    int best = -1;
    for (std::size_t i = 0; i < tmt.size(); ++i) {
        const Point pos = tmt[i].getGlbPos();
        if (inFront ? pos.getX() > ball.getX() : pos.getX() <= ball.getX()) {
            const double d = pos.getDistanceTo(ball);
            if (d < minDist) {
                minDist = d;
                best = static_cast<int>(i);
            }
        }
    }
    if (best < 0) {
        minDist = kNoCandidate;
        return Player(0, SIDE_OUR, Point(kNoTmtCoord, kNoTmtCoord, kNoTmtCoord));
    }
    return tmt[static_cast<std::size_t>(best)];
}

Player DMUtil::getClosestTmtFrontBall(double& minDist) { return closestTmtOnBallSide(true, minDist); }

Player DMUtil::getClosestTmtBehindBall(double& minDist) {
    return closestTmtOnBallSide(false, minDist);
}

Player DMUtil::getPlayer(int id, Side side) {
    // The number may come from a message or a stale plan: look it up and
    // check the index before touching the list.
    if (side == WM->getOurSide()) {
        const std::vector<Player> tmt = WM->getTmt();
        const int i = WM->getIndexTmt(id);
        if (i < 0 || static_cast<std::size_t>(i) >= tmt.size()) {
            return absentPlayer(SIDE_OUR);
        }
        return tmt[static_cast<std::size_t>(i)];
    }
    const std::vector<Player> opp = WM->getOpp();
    const int i = WM->getIndexOpp(id);
    if (i < 0 || static_cast<std::size_t>(i) >= opp.size()) {
        return absentPlayer(SIDE_OPP);
    }
    return opp[static_cast<std::size_t>(i)];
}

// ---- Ball and position ------------------------------------------------------

double DMUtil::get2DBallDist() {
    const Point me = WM->getMyCartPos();
    Point ball = WM->getGlobalPosOfBall();
    ball.setZ(me.getZ());
    return me.getDistanceTo(ball);
}

Point DMUtil::get2DRelBallPolPos() {
    return Point(get2DBallDist(), 0.0, WM->getBall().getPolarPos().getTeta());
}

double DMUtil::calcLegDistToBall() {
    const Ball ball = WM->getBall();
    const Point pol = ball.getPolarPos();
    const double h = ball.getLastStepSeenHeadTiltDegree();
    return pol.getRo() * std::cos((pol.getPhi() + h) * 0.01745329277777778);
}

int DMUtil::getBallDir() {
    const double a = WM->getBall().getPolarPos().getTeta();
    if (a >= 11) {
        return 2;
    }
    if (a <= -11) {
        return 1;
    }
    return 3;
}

double DMUtil::getAng2BallBack() {
    const double a = WM->getBall().getPolarPos().getTeta();
    if (360 - a <= a) {
        return a - 358;
    }
    return a + 2;
}

bool DMUtil::areInSameSideOfBall(Point p1, Point p2) {
    const double bx = WM->getGlobalPosOfBall().getX();
    return (p1.getX() > bx && p2.getX() > bx) || (p1.getX() < bx && p2.getX() < bx);
}

Point DMUtil::getPointFromBall(double dist) {
    const Point ball = WM->getGlobalPosOfBall();
    const Point goal(-6.0, 0.0, 0.0);
    // getNorm gives (0, 0, 0) on the goal centre itself, never a division by
    // zero.
    return ball + (goal - ball).getNorm() * dist;
}

bool DMUtil::agentIsInMid() {
    const double x = WM->getMyCartPos().getX();
    return -2 < x && x < 2;
}

bool DMUtil::goalieIsInYourPlace() {
    const Point g = getPlayer(WorldModel::getGoalieId(), WM->getOurSide()).getGlbPos();
    return g.getX() <= -5 && -0.7 < g.getY() && g.getY() < 0.7;
}

bool DMUtil::reachBallNear() {
    const double l = fieldLength();
    return WM->getBall().getPolarPos().getRo() < l / 4 + (l / 2 - l / 4) / 2;
}

bool DMUtil::reachBallToMiddle() {
    return WM->getBall().getPolarPos().getRo() <= fieldLength() / 2 + 1;
}

bool DMUtil::isBallStopped() {
    const Point prev = WM->getLastPosOfBall();
    const double t0 = WM->getLastTime();
    const Point cur = WM->getBall().getPolarPos();
    const Point diff = cur - prev;
    double dt = static_cast<double>(WM->getTime()) - t0;
    if (!(dt > 0)) {
        dt = kCycle;
    }
    return diff.getMagnitude() / dt < 0.7;
}

int DMUtil::partOfField(double x) const {
    const double l = fieldLength();
    const double m = 0.5;
    if (-l / 2 <= x && x < -l / 4 - m) {
        return 1;
    }
    if (-l / 4 + m < x && x < -m) {
        return 2;
    }
    if (m < x && x < l / 4 + m) {
        return 3;
    }
    if (l / 4 - m < x && x <= l / 2) {
        return 4;
    }
    if (-m <= x && x <= m) {
        return 2;
    }
    if (-l / 4 - m <= x && x <= -l / 4 + m) {
        return 1;
    }
    // Off the field (and a position that is not a number).
    return 5;
}

int DMUtil::partOfFieldAgent() { return partOfField(WM->getMyCartPos().getX()); }

int DMUtil::partOfFieldBall() { return partOfField(WM->getGlobalPosOfBall().getX()); }

int DMUtil::getFastestToBall() { return 1; }

// ---- Body -------------------------------------------------------------------

bool DMUtil::isLeftLegInTheAir() {
    const Point zero(0.0, 0.0, 0.0);
    return WM->getFRPCenterL() == zero && WM->getFRPForceL() == zero;
}

bool DMUtil::isRightLegInTheAir() {
    const Point zero(0.0, 0.0, 0.0);
    return WM->getFRPCenterR() == zero && WM->getFRPForceR() == zero;
}

bool DMUtil::areBothLegsInTheAir() { return isLeftLegInTheAir() && isRightLegInTheAir(); }

bool DMUtil::isFallen() {
    const Point left = WM->getFRPCenterL();
    const Point right = WM->getFRPCenterR();
    fallencycle += kCycle;
    if (left.getZ() >= 0) {
        fallencounter += 1;
    } else {
        fallcountermm += 1;
    }
    if (right.getZ() >= 0) {
        fallencounterr += 1;
    } else {
        fallencounterrm += 1;
    }
    if (left.getY() > 0) {
        fallencounterp += 1;
    } else {
        fallencounterm += 1;
    }
    const bool fallen = fallencounter >= 20 || fallencounterr >= 20 || accelerometerShowsLying();
    if (fallencycle >= 0.5) {
        fallencycle = 0;
        fallencounter = 0;
        fallcountermm = 0;
        fallencounterr = 0;
        fallencounterrm = 0;
        fallencounterp = 0;
        fallencounterm = 0;
    }
    return fallen;
}

bool DMUtil::accelerometerShowsLying() {
    const Point a = WM->getAcc();
    const bool reading = WM->hasAcc() && std::isfinite(a.getX()) && std::isfinite(a.getY()) &&
                         std::isfinite(a.getZ());
    const bool lying =
        reading && std::hypot(a.getX(), a.getY()) >= kLyingAcross && a.getZ() <= kLyingAlong;
    lyingReadings = lying ? std::min(lyingReadings + 1, kLyingReadings) : 0;
    return lyingReadings >= kLyingReadings;
}

bool DMUtil::isWatchingGround() { return fallencounterp > fallencounterm; }

bool DMUtil::isStright(double thr) {
    for (int i = 0; i < 8; ++i) {
        if (std::fabs(WM->getAHingeJoint(i).getAxis()) > thr) {
            return false;
        }
    }
    for (int i = 0; i < 6; ++i) {
        const UniversalJoint u = WM->getAnUniversalJoint(i);
        if (std::fabs(u.getAxis()) > thr || std::fabs(u.getExtraAxis()) > thr) {
            return false;
        }
    }
    return true;
}

bool DMUtil::isStoodenStright(double thr) {
    if (isFallen()) {
        return false;
    }
    return isStright(thr);
}

bool DMUtil::keepHandInBeside(float rate) {
    const double l = WM->getDOF(DOF_SHOULDER_LX);
    const double r = WM->getDOF(DOF_SHOULDER_RX);
    if (l > 0) {
        CC->moveLeftShoulder(-rate, 0);
    }
    if (r > 0) {
        CC->moveRightShoulder(-rate, 0);
    }
    if (l <= 0 && r <= 0) {
        CC->moveRightShoulder(0, 0);
        CC->moveLeftShoulder(0, 0);
        return true;
    }
    return false;
}

bool DMUtil::returnHandInOrgForm(float rate) {
    const double l = WM->getDOF(DOF_SHOULDER_LX);
    const double r = WM->getDOF(DOF_SHOULDER_RX);
    if (l <= 0) {
        CC->moveLeftShoulder(rate, 0);
    }
    if (r <= 0) {
        CC->moveRightShoulder(rate, 0);
    }
    if (l >= 90 && r >= 90) {
        CC->moveRightShoulder(0, 0);
        CC->moveLeftShoulder(0, 0);
        return true;
    }
    return false;
}

// ---- Paths ------------------------------------------------------------------

bool DMUtil::isAvoidPointInMyWay(Point avoidPoint, Point target, double redius) {
    const Point me = WM->getMyCartPos();
    const Line line = Line::makeLineFromTwoPoints(me, target);
    const Point foot = line.getPointOnLineClosestTo(avoidPoint);
    const double xMin = std::fmin(me.getX(), target.getX());
    const double xMax = std::fmax(me.getX(), target.getX());
    const double yMin = std::fmin(me.getY(), target.getY());
    const double yMax = std::fmax(me.getY(), target.getY());
    return xMin < foot.getX() && foot.getX() < xMax && yMin < foot.getY() &&
           foot.getY() < yMax && avoidPoint.getDistanceTo(foot) < redius;
}

Point DMUtil::calcAvoidancePoint(Point beginPoint, Point avoidPoint, Point target,
                                 double reduis) {
    const double a = Geometry::convertCartToPol(beginPoint - avoidPoint).getTeta();
    const double teta1 = Geometry::normalizeAngle(a + 90);
    const double teta2 = Geometry::normalizeAngle(a - 90);
    const Point c1 = avoidPoint + Geometry::convertPolToCart(Point(reduis, 0.0, teta1));
    const Point c2 = avoidPoint + Geometry::convertPolToCart(Point(reduis, 0.0, teta2));
    return c2.getDistanceTo(target) <= c1.getDistanceTo(target) ? c2 : c1;
}

bool DMUtil::shouldGoalieAttack2Ball(int playerId, double ballX, double thr) {
    const Player attacker = getPlayer(playerId, WM->getOurSide());
    const Point ball = WM->getGlobalPosOfBall();
    const Player cTmt = getClosestTmt2Ball();
    double bDist = 0;
    double fDist = 0;
    const Player bTmt = getClosestTmtBehindBall(bDist);
    getClosestTmtFrontBall(fDist);
    if (ball.getX() >= ballX) {
        return false;
    }
    const double attackerDist = attacker.getGlbPos().getDistanceTo(ball);
    if (cTmt.getNum() == attacker.getNum() && attackerDist < 3) {
        return true;
    }
    return bTmt.getNum() == attacker.getNum() && fDist > thr && attackerDist < 3;
}

bool DMUtil::amIBehidFastestTmt2Ball(double thr) {
    const Point ball = WM->getGlobalPosOfBall();
    const int myId = WM->getMyNum();
    const Player c = getClosestTmt2Ball();
    const double cDist = c.getGlbPos().getDistanceTo(ball);
    double behindDist = 0;
    const Player b = getClosestTmtBehindBall(behindDist);
    if (b.getNum() != myId) {
        return false;
    }
    if (b.getNum() == c.getNum()) {
        return true;
    }
    if (c.getGlbPos().getX() > ball.getX()) {
        return behindDist - cDist < thr;
    }
    return false;
}

bool DMUtil::shouldClearBall() {
    Point ball = WM->getGlobalPosOfBall();
    Point me = WM->getMyCartPos();
    ball.setZ(0);
    me.setZ(0);
    const double ballDir = -Geometry::convertCartToPol(ball - me).getTeta();
    const double ang2ball = WM->getBall().getPolarPos().getTeta();
    const double ballDist = me.getDistanceTo(ball);
    if (!(-2 <= ball.getX() && ball.getX() <= 3)) {
        return false;
    }
    const Player opp = getClosestOpp2Point(ball);
    const double oppDist = opp.getGlbPos().getDistanceTo(ball);
    if (!(ball.getX() <= opp.getGlbPos().getX())) {
        return false;
    }
    if (!(oppDist <= ballDist + 0.5)) {
        return false;
    }
    if (ballDist < 0.5 && std::fabs(ang2ball) > 50) {
        return false;
    }
    return std::fabs(ballDir) <= 115;
}

// ---- Fitted formulas and ball roll-out --------------------------------------

double DMUtil::velToDistance(double vel) { return vel * kCycle; }

double DMUtil::distToVel(double dist) { return dist * 50; }

double DMUtil::getTimeWalkSkill(double d) { return 2.8401 * d - 0.78797; }

double DMUtil::getTimeRotateSkill() { return 12.5; }

double DMUtil::getPrediction(double vAmount) { return 0.91198 * vAmount - 0.005713; }

double DMUtil::distanceToZero(double vel) {
    // Fitted as a degree-6 polynomial; every term above the linear one came
    // out zero.
    return 0.809 * vel - 0.1787;
}

Point DMUtil::BallStopPos(Point BallInitPos, Point BallInitVel) {
    const double speed = BallInitVel.getMagnitude();
    if (!(speed > 0) || !std::isfinite(speed)) {
        return BallInitPos;
    }
    return BallInitPos + (BallInitVel / speed) * distanceToZero(speed);
}

bool DMUtil::runNetworks(const std::string& first, int firstFunc, const std::string& second,
                         int secondFunc, int midCount, Point vel, double& result) {
    const std::string firstPath = std::string(kNetworkDir) + first;
    const std::string secondPath = std::string(kNetworkDir) + second;
    ANN o;
    if (!o.load(firstPath)) {
        return false;
    }
    if (o.getInputSize() != 3) {
        std::cerr << "Network " << firstPath << " does not take 3 inputs" << std::endl;
        return false;
    }
    const double in[3] = {vel.getX(), vel.getY(), vel.getZ()};
    o.setInput(3, in);
    o.calcOutput(firstFunc);
    const std::vector<double> mid = o.getOutput();
    if (mid.size() < static_cast<std::size_t>(midCount)) {
        std::cerr << "Network " << firstPath << " gives fewer than " << midCount << " outputs"
                  << std::endl;
        return false;
    }
    ANN o2;
    if (!o2.load(secondPath)) {
        return false;
    }
    if (o2.getInputSize() != midCount) {
        std::cerr << "Network " << secondPath << " does not take " << midCount << " inputs"
                  << std::endl;
        return false;
    }
    o2.setInput(midCount, mid.data());
    o2.calcOutput(secondFunc);
    const std::vector<double> out = o2.getOutput();
    if (out.empty() || !std::isfinite(out.front())) {
        std::cerr << "Network " << secondPath << " gives no usable output" << std::endl;
        return false;
    }
    result = out.front();
    return true;
}

double DMUtil::distanceToZeroDirect(Point vel) {
    if (!isFinite(vel)) {
        return 0.0;
    }
    double r = 0.0;
    if (runNetworks("nn3.conf", Neron::kLogistic, "nn4.conf", Neron::kIdentity, 100, vel, r)) {
        return r;
    }
    std::cerr << "Ball roll-out distance: using the linear fit instead of the networks"
              << std::endl;
    return distanceToZero(vel.getMagnitude());
}

double DMUtil::ballStopTraveallingTime(Point vel) {
    if (!isFinite(vel)) {
        return 0.0;
    }
    double r = 0.0;
    if (runNetworks("nn.conf", Neron::kTanh, "nn1.conf", Neron::kIdentity, 10, vel, r)) {
        return std::fabs(r);
    }
    std::cerr << "Ball roll-out time: networks unusable, taking 0" << std::endl;
    return 0.0;
}

Point DMUtil::BallStopPosZDir(Point BallInitPos, Point BallInitVel) {
    const double speed = BallInitVel.getMagnitude();
    if (!(speed > 0) || !std::isfinite(speed)) {
        return Point(BallInitPos.getX(), BallInitPos.getY(), 0.0);
    }
    const Point p = BallInitPos + (BallInitVel / speed) * distanceToZeroDirect(BallInitVel);
    return Point(p.getX(), p.getY(), 0.0);
}
