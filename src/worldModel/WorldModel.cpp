#include "worldModel/WorldModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>

#include "buildMode.h"
#include "geometry/Geometry.h"

namespace {

const char* const kLogFile = "WMLog.txt";

// Degrees to radians and back, as the bearing formulas have always used them.
constexpr double kDegToRad = 0.017453292519444445;
constexpr double kRadToDeg = 57.29577951471995;

// A seen player counts as present for this long after its last sighting
// (three and a half server cycles: vision arrives every third message).
constexpr double kRecentlySeen = 0.07;

// Where placeholder players stand: far off the field, at standing height.
const Point kIllegalPlayerPos(1000, 1000, 0.38);

}  // namespace

WorldModel* WorldModel::getUniqueInstance() {
    // Never destroyed: skills and loggers may still read it while the
    // process winds down.
    static WorldModel* instance = new WorldModel();
    return instance;
}

WorldModel::WorldModel()
    : time(0),
      gameStateTime(0),
      myPhi(0),
      myTeta(0),
      pm(PM_UNKNOWN),
      myNum(0),
      ourSide(SIDE_UNKNOWN),
      lastTime(0),
      deltaTime(0) {
    reciveMsg[0] = '\0';
    if constexpr (!kCompetitionBuild) {
        // Every run starts with an empty log; printJoints appends to it.
        logWorlModel.open(kLogFile, std::ios::out | std::ios::trunc);
        logWorlModel.close();
    }
}

// ---- Plain state -----------------------------------------------------------

void WorldModel::setTime(float t) { time = t; }
float WorldModel::getTime() const { return time; }
void WorldModel::setGSTime(float t) { gameStateTime = t; }
float WorldModel::getGSTime() const { return gameStateTime; }
void WorldModel::setPlayMode(PlayMode mode) { pm = mode; }
PlayMode WorldModel::getPlayMode() const { return pm; }
void WorldModel::setMyNum(int num) { myNum = num; }
int WorldModel::getMyNum() const { return myNum; }
void WorldModel::setOurSide(Side side) { ourSide = side; }
Side WorldModel::getOurSide() const { return ourSide; }

void WorldModel::setTeamName(const std::string& name) {
    teamName = name.substr(0, kTeamNameSize - 1);
}

std::string WorldModel::getTeamName() const { return teamName; }
void WorldModel::setMyCartPos(Point pos) { myCartPos = pos; }
Point WorldModel::getMyCartPos() const { return myCartPos; }
void WorldModel::setDir(Point d) { dir = d; }
Point WorldModel::getDir() const { return dir; }
SelfLocaliser& WorldModel::getLocaliser() { return localiser; }
const SelfLocaliser& WorldModel::getLocaliser() const { return localiser; }

void WorldModel::noteOwnBeam(double x, double y, double rot) {
    if (!(pm == PM_BEFORE_KICK_OFF || pm == PM_GOAL_LEFT || pm == PM_GOAL_RIGHT ||
          pm == PM_UNKNOWN)) {
        return;
    }
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(rot)) return;
    // The server keeps a beam inside the team's own half.
    x = std::clamp(x, -6.0, 0.0);
    localiser.setRightSide(ourSide == SIDE_RIGHT);
    localiser.beamed(time, x, y, rot);
    myCartPos = localiser.position();
    dir = Point(localiser.roll(), localiser.pitch(), localiser.yaw());
}

void WorldModel::setMyPhi(double phi) { myPhi = phi; }
double WorldModel::getMyPhi() const { return myPhi; }
void WorldModel::setMyTeta(double teta) { myTeta = teta; }
double WorldModel::getMyTeta() const { return myTeta; }
void WorldModel::setBall(Ball b) { ball = b; }
Ball WorldModel::getBall() const { return ball; }
void WorldModel::setGyro(Gyro g) { gyro = g; }
Gyro WorldModel::getGyro() const { return gyro; }
void WorldModel::setAcc(Point a) {
    acc = a;
    accInMessage = true;
}
Point WorldModel::getAcc() const { return acc; }
bool WorldModel::hasAcc() const { return accInMessage; }

void WorldModel::setAFlag(Flag f, int index) {
    if (index < 0 || index >= kFlagCount) return;
    flagsArray[index] = f;
}

Flag WorldModel::getAFlagByIndex(int index) const {
    if (index < 0 || index >= kFlagCount) return Flag();
    return flagsArray[index];
}

Flag WorldModel::getAFlagByName(const char* name) const {
    if (name != nullptr) {
        for (const Flag& f : flagsArray) {
            if (std::strcmp(f.getName(), name) == 0) return f;
        }
    }
    return flagsArray[0];
}

void WorldModel::setAHingeJoint(HingeJoint joint, int index) {
    // Newer robot models report more joints than there are slots; the
    // extra ones are dropped rather than written past the table.
    if (index < 0 || index >= kHingeJointCount) return;
    hingeJointsArray[index] = joint;
}

HingeJoint WorldModel::getAHingeJoint(int index) const {
    if (index < 0 || index >= kHingeJointCount) return HingeJoint();
    return hingeJointsArray[index];
}

void WorldModel::setAnUniversalJoint(UniversalJoint joint, int index) {
    if (index < 0 || index >= kUniversalJointCount) return;
    universalJointsArray[index] = joint;
}

UniversalJoint WorldModel::getAnUniversalJoint(int index) const {
    if (index < 0 || index >= kUniversalJointCount) return UniversalJoint();
    return universalJointsArray[index];
}

void WorldModel::setATouch(Touch t, int index) {
    if (index < 0 || index >= kTouchCount) return;
    touchsArray[index] = t;
}

Touch WorldModel::getATouchByIndex(int index) const {
    if (index < 0 || index >= kTouchCount) return Touch();
    return touchsArray[index];
}

Touch WorldModel::getATouchByName(const char* name) const {
    if (name != nullptr) {
        for (const Touch& t : touchsArray) {
            if (std::strcmp(t.getName(), name) == 0) return t;
        }
    }
    return touchsArray[0];
}

void WorldModel::setFRPCenterL(Point p) { FRP[0] = p; }
Point WorldModel::getFRPCenterL() const { return FRP[0]; }
void WorldModel::setFRPForceL(Point p) { FRP[1] = p; }
Point WorldModel::getFRPForceL() const { return FRP[1]; }
void WorldModel::setFRPCenterR(Point p) { FRP[2] = p; }
Point WorldModel::getFRPCenterR() const { return FRP[2]; }
void WorldModel::setFRPForceR(Point p) { FRP[3] = p; }
Point WorldModel::getFRPForceR() const { return FRP[3]; }

double WorldModel::getDOF(DOFID id) const { return getDOF(static_cast<int>(id)); }

double WorldModel::getDOF(int id) const {
    if (id < 0 || id >= kHingeJointCount) return 0.0;
    const double axis = hingeJointsArray[id].getAxis();
    if (id == DOF_SHOULDER_RX || id == DOF_SHOULDER_LX) {
        return Geometry::normalizeAngle(axis + 90.0);
    }
    return axis;
}

// ---- Ball, agent and derived kinematics ----------------------------------

void WorldModel::setGlobalPosOfBall(Point pos) { glbPosOfBall = pos; }
Point WorldModel::getGlobalPosOfBall() const { return glbPosOfBall; }
Point WorldModel::getLastGlobalPosOfBall() const { return lastGlobalPosOfBall; }
Point WorldModel::getLastGlobalPosOfAgent() const { return glbPosOfAgent; }
Point WorldModel::getLastPosOfBall() const { return lastPosOfBall; }
double WorldModel::getLastTime() const { return lastTime; }
double WorldModel::getDeltaTime() const { return deltaTime; }
Point WorldModel::getVelOfBall() const { return velOfBall; }
Point WorldModel::getLastVelOfBall() const { return lastVelOfBall; }
Point WorldModel::getVelOfAgent() const { return velOfAgent; }
Point WorldModel::getDeltaOfAgent() const { return deltaOfAgent; }
Point WorldModel::getAccerationOfBall() const { return accOfBall; }

void WorldModel::setGlobalPosOfOpp(Point pos, int which) {
    if (which == 0) {
        glbPosOpp0 = pos;
    } else {
        glbPosOpp1 = pos;
    }
}

Point WorldModel::getGlobalPosOfOpp(int which) const {
    return which == 0 ? glbPosOpp0 : glbPosOpp1;
}
void WorldModel::setGlobalPosOfTmt(Point pos) { glbPosTmt = pos; }
Point WorldModel::getGlobalPosOfTmt() const { return glbPosTmt; }

void WorldModel::setMessageSay(const char* msg) {
    if (msg == nullptr) {
        reciveMsg[0] = '\0';
        return;
    }
    std::strncpy(reciveMsg, msg, kSayBufferSize - 1);
    reciveMsg[kSayBufferSize - 1] = '\0';
}

const char* WorldModel::getMessageSay() const { return reciveMsg; }

void WorldModel::setHomePos(Point pos, int unum) {
    if (unum < 1 || unum > kHomePosCount) {
        devErr("No home position for uniform number ", unum, "; ignored.\n");
        return;
    }
    homePos[unum - 1] = pos;
}

Point WorldModel::getHomePos(int unum) const {
    if (unum < 1 || unum > kHomePosCount) unum = kHomePosCount;
    if constexpr (kCompetitionBuild) {
        if (unum == 3) return Point(-1.5, 0, 0);
        if (unum == 2) return Point(-3.5, -1.5, 0);
    }
    return homePos[unum - 1];
}

// ---- Play mode and sides ---------------------------------------------------

bool WorldModel::isModeForUs(PlayMode leftMode, PlayMode rightMode) const {
    return (pm == leftMode && ourSide == SIDE_LEFT) || (pm == rightMode && ourSide == SIDE_RIGHT);
}

bool WorldModel::isModeForThem(PlayMode leftMode, PlayMode rightMode) const {
    return (pm == leftMode && ourSide == SIDE_RIGHT) || (pm == rightMode && ourSide == SIDE_LEFT);
}

bool WorldModel::isPlayOn() const { return pm == PM_PLAY_ON; }
bool WorldModel::isGameOver() const { return pm == PM_GAME_OVER; }
bool WorldModel::isBeforeKickOff() const { return pm == PM_BEFORE_KICK_OFF; }
bool WorldModel::isKickOffUs() const { return isModeForUs(PM_KICKOFF_LEFT, PM_KICKOFF_RIGHT); }
bool WorldModel::isKickOffThem() const { return isModeForThem(PM_KICKOFF_LEFT, PM_KICKOFF_RIGHT); }
bool WorldModel::isKickInUs() const { return isModeForUs(PM_KICKIN_LEFT, PM_KICKIN_RIGHT); }
bool WorldModel::isKickInThem() const { return isModeForThem(PM_KICKIN_LEFT, PM_KICKIN_RIGHT); }
bool WorldModel::isCornerUs() const {
    return isModeForUs(PM_CORNER_KICK_LEFT, PM_CORNER_KICK_RIGHT);
}
bool WorldModel::isCornerThem() const {
    return isModeForThem(PM_CORNER_KICK_LEFT, PM_CORNER_KICK_RIGHT);
}
bool WorldModel::isGoalKickUS() const { return isModeForUs(PM_GOAL_KICK_LEFT, PM_GOAL_KICK_RIGHT); }
bool WorldModel::isGoalKickThem() const {
    return isModeForThem(PM_GOAL_KICK_LEFT, PM_GOAL_KICK_RIGHT);
}
bool WorldModel::isGoalUs() const { return isModeForUs(PM_GOAL_LEFT, PM_GOAL_RIGHT); }
bool WorldModel::isGoalThem() const { return isModeForThem(PM_GOAL_LEFT, PM_GOAL_RIGHT); }

Side WorldModel::getOppSide() const { return ourSide == SIDE_LEFT ? SIDE_RIGHT : SIDE_LEFT; }

int WorldModel::getGoalieId() { return 1; }

// Landmark indexes are those of the left team's view; a team on the right
// sees the same posts and corners with the roles swapped.
int WorldModel::getIndexOfOppGoalFlag1() const { return ourSide == SIDE_LEFT ? 2 : 1; }
int WorldModel::getIndexOfOppGoalFlag2() const { return ourSide == SIDE_LEFT ? 3 : 0; }
int WorldModel::getIndexOfOurGoalFlag1() const { return ourSide == SIDE_LEFT ? 1 : 2; }
int WorldModel::getIndexOfOurGoalFlag2() const { return ourSide == SIDE_LEFT ? 0 : 3; }
int WorldModel::getIndexOfOppSideFlag1() const { return ourSide == SIDE_LEFT ? 7 : 4; }
int WorldModel::getIndexOfOppSideFlag2() const { return ourSide == SIDE_LEFT ? 6 : 5; }
int WorldModel::getIndexOfOurSideFlag1() const { return ourSide == SIDE_LEFT ? 4 : 7; }
int WorldModel::getIndexOfOurSideFlag2() const { return ourSide == SIDE_LEFT ? 5 : 6; }

Flag WorldModel::getOppGoalFlag1() const { return getAFlagByIndex(getIndexOfOppGoalFlag1()); }
Flag WorldModel::getOppGoalFlag2() const { return getAFlagByIndex(getIndexOfOppGoalFlag2()); }
Flag WorldModel::getOurGoalFlag1() const { return getAFlagByIndex(getIndexOfOurGoalFlag1()); }
Flag WorldModel::getOurGoalFlag2() const { return getAFlagByIndex(getIndexOfOurGoalFlag2()); }
Flag WorldModel::getOppSideFlag1() const { return getAFlagByIndex(getIndexOfOppSideFlag1()); }
Flag WorldModel::getOppSideFlag2() const { return getAFlagByIndex(getIndexOfOppSideFlag2()); }
Flag WorldModel::getOurSideFlag1() const { return getAFlagByIndex(getIndexOfOurSideFlag1()); }
Flag WorldModel::getOurSideFlag2() const { return getAFlagByIndex(getIndexOfOurSideFlag2()); }

double WorldModel::flagLastTimeSeen(int index) const {
    // Each flag keeps its last-seen time in its own landmark slot.
    return getAFlagByIndex(index).getLastTimeSeenFlag(index);
}

double WorldModel::getOppGoalFlag1LastTimeSeen() const {
    return flagLastTimeSeen(getIndexOfOppGoalFlag1());
}
double WorldModel::getOppGoalFlag2LastTimeSeen() const {
    return flagLastTimeSeen(getIndexOfOppGoalFlag2());
}
double WorldModel::getOurGoalFlag1LastTimeSeen() const {
    return flagLastTimeSeen(getIndexOfOurGoalFlag1());
}
double WorldModel::getOurGoalFlag2LastTimeSeen() const {
    return flagLastTimeSeen(getIndexOfOurGoalFlag2());
}
double WorldModel::getOppSideFlag1LastTimeSeen() const {
    return flagLastTimeSeen(getIndexOfOppSideFlag1());
}
double WorldModel::getOppSideFlag2LastTimeSeen() const {
    return flagLastTimeSeen(getIndexOfOppSideFlag2());
}
double WorldModel::getOurSideFlag1LastTimeSeen() const {
    return flagLastTimeSeen(getIndexOfOurSideFlag1());
}
double WorldModel::getOurSideFlag2LastTimeSeen() const {
    return flagLastTimeSeen(getIndexOfOurSideFlag2());
}

// ---- Players seen this cycle ------------------------------------------------

void WorldModel::addTmt(Player p) { tmt.push_back(p); }
void WorldModel::addOpp(Player p) { opp.push_back(p); }
std::vector<Player> WorldModel::getTmt() const { return tmt; }
std::vector<Player> WorldModel::getOpp() const { return opp; }
int WorldModel::getNumOfTmt() const { return static_cast<int>(tmt.size()); }
int WorldModel::getNumOfOpp() const { return static_cast<int>(opp.size()); }
int WorldModel::getNumOfAllPlayer() const { return getNumOfTmt() + getNumOfOpp(); }
bool WorldModel::tmtVecIsEmpty() const { return tmt.empty(); }
bool WorldModel::oppVecIsEmpty() const { return opp.empty(); }

void WorldModel::resetOppAndTmtVec() {
    tmt.clear();
    opp.clear();
    selfIndexInTmt = -1;
}

void WorldModel::setMyInTmt() {
    Player self(myNum, SIDE_OUR, myCartPos);
    if (selfIndexInTmt >= 0 && selfIndexInTmt < static_cast<int>(tmt.size())) {
        tmt[static_cast<std::size_t>(selfIndexInTmt)] = self;
        return;
    }
    selfIndexInTmt = static_cast<int>(tmt.size());
    tmt.push_back(self);
}
void WorldModel::addIllegalTmtPlayer() { tmt.push_back(Player(0, SIDE_OUR, kIllegalPlayerPos)); }
void WorldModel::addIllegalOppPlayer() { opp.push_back(Player(0, SIDE_OPP, kIllegalPlayerPos)); }

int WorldModel::getIndexTmt(int unum) const {
    for (std::size_t i = 0; i < tmt.size(); ++i) {
        if (tmt[i].getNum() == unum) return static_cast<int>(i);
    }
    devOut("THIS ID FOR TEAMMATE IS INVALID !!!\n");
    return -1;
}

int WorldModel::getIndexOpp(int unum) const {
    for (std::size_t i = 0; i < opp.size(); ++i) {
        if (opp[i].getNum() == unum) return static_cast<int>(i);
    }
    devOut("THIS ID FOR OPPENENT IS INVALID !!!");
    return -1;
}

int WorldModel::nearestopp() const {
    double best = 1e6;
    int result = -1;
    if constexpr (kCompetitionBuild) {
        // In a match a stale opponent is still better than none: start from
        // the first listed one.
        if (!opp.empty()) {
            best = bodyPairOf(opp.front())[0];
            result = opp.front().getNum();
        }
    }
    for (const Player& p : opp) {
        devOut("\nNumber of opponents=====================>", opp.size(), "\n");
        if (std::fabs(p.getLastTimeSeenPlayer() - time) < kRecentlySeen) {
            const double d = bodyPairOf(p)[0];
            if (d < best) {
                best = d;
                result = p.getNum();
            }
        }
    }
    return result;
}

// ---- Body-relative queries --------------------------------------------------

std::array<double, 2> WorldModel::bodyPairOf(const BasicObject& seen) {
    // The sighting is relative to the head camera; the head angles recorded
    // with it turn it into the body frame. Using the tilt of the sighting
    // (rather than today's tilt) keeps an old sighting measured as it was seen.
    const Point pol = seen.getPolarPos();
    const double tilt = seen.getLastStepSeenHeadTiltDegree();
    const double distance = std::fabs(std::cos((pol.getPhi() + tilt) * kDegToRad) * pol.getRo());
    const double direction = pol.getTeta() + seen.getLastStepSeenHeadPanDegree();
    return {distance, direction};
}

std::array<double, 2> WorldModel::getBodyDirectionFromFlagByIndex(int index) const {
    return bodyPairOf(getAFlagByIndex(index));
}

std::array<double, 2> WorldModel::getBodyDirectionFromBall() const { return bodyPairOf(ball); }

std::array<double, 2> WorldModel::getBodyDirectionFromOpp(int unum) const {
    if (opp.empty()) return {kNoOpponentDistance, 0.0};
    int index = getIndexOpp(unum);
    if (index < 0) index = 0;
    return bodyPairOf(opp[static_cast<std::size_t>(index)]);
}

std::array<double, 2> WorldModel::calcMidOfGoal(int flag1, int flag2) const {
    const std::array<double, 2> p1 = getBodyDirectionFromFlagByIndex(flag1);
    const std::array<double, 2> p2 = getBodyDirectionFromFlagByIndex(flag2);
    const double x =
        (p1[0] * std::cos(p1[1] * kDegToRad) + p2[0] * std::cos(p2[1] * kDegToRad)) / 2;
    const double y =
        (p1[0] * std::sin(p1[1] * kDegToRad) + p2[0] * std::sin(p2[1] * kDegToRad)) / 2;
    return {x, y};
}

std::array<double, 2> WorldModel::bodyFrameOf(double x, double y) const {
    const double dx = x - myCartPos.getX();
    const double dy = y - myCartPos.getY();
    // The yaw grows clockwise: the body faces -yaw counter-clockwise.
    const double h = -dir.getZ() * kDegToRad;
    return {dx * std::cos(h) + dy * std::sin(h), -dx * std::sin(h) + dy * std::cos(h)};
}

double WorldModel::halfFieldLength() const { return std::fabs(localiser.landmark(2).getX()); }

std::array<double, 2> WorldModel::calcMidOfOppGoal() const {
    if (localiser.known() && halfFieldLength() > 0.0) return bodyFrameOf(halfFieldLength(), 0.0);
    return calcMidOfGoal(getIndexOfOppGoalFlag1(), getIndexOfOppGoalFlag2());
}

std::array<double, 2> WorldModel::calcMidOfOurGoal() const {
    if (localiser.known() && halfFieldLength() > 0.0) return bodyFrameOf(-halfFieldLength(), 0.0);
    return calcMidOfGoal(getIndexOfOurGoalFlag1(), getIndexOfOurGoalFlag2());
}

std::array<double, 2> WorldModel::calcPointBehindBall(double dist) const {
    const std::array<double, 2> mid = calcMidOfOppGoal();
    double bx = 0.0, by = 0.0;
    if (localiser.known() && halfFieldLength() > 0.0) {
        const std::array<double, 2> b = bodyFrameOf(glbPosOfBall.getX(), glbPosOfBall.getY());
        bx = b[0];
        by = b[1];
    } else {
        const std::array<double, 2> b = getBodyDirectionFromBall();
        bx = b[0] * std::cos(b[1] * kDegToRad);
        by = b[0] * std::sin(b[1] * kDegToRad);
    }
    // Unit vector from the goal's middle through the ball. A ball within a
    // millimetre of the goal's middle gives no usable line; the target is
    // then the ball itself.
    const double dx = bx - mid[0];
    const double dy = by - mid[1];
    const double len = std::sqrt(dx * dx + dy * dy);
    const bool hasLine = len >= 0.001;
    const double ux = hasLine ? dx / len : 0.0;
    const double uy = hasLine ? dy / len : 0.0;
    const double px = bx + ux * dist;
    const double py = by + uy * dist;
    const double r = std::sqrt(px * px + py * py);
    if (r == 0) return {0.0, 0.0};
    // Rounding may push the cosine a hair past 1.
    double angle = std::acos(std::clamp(px / r, -1.0, 1.0)) * kRadToDeg;
    if (py < 0) angle = -angle;
    return {r, angle};
}

bool WorldModel::isPointInField(Point p) {
    return std::fabs(p.getX()) <= 6 && std::fabs(p.getY()) <= 4;
}

Point WorldModel::correctPoint(Point p) {
    if (isPointInField(p)) return p;
    const double x = p.getX();
    const double y = p.getY();
    const double z = p.getZ();
    if (x > 6 && y > 4) return Point(5.5, 3.5, z);
    if (x > 6 && y < -4) return Point(5.5, -3.5, z);
    if (x < -6 && y < -4) return Point(-5.5, -3.5, z);
    if (x < -6 && y > 4) return Point(-5.5, 3.5, z);
    if (x > 6) return Point(5.5, y, z);
    if (x < -6) return Point(-5.5, y, z);
    if (y > 4) return Point(x, 3.5, z);
    return Point(x, -3.5, z);
}

// ---- Diagnostics -------------------------------------------------------------

void WorldModel::printMyCartPos() const {
    devOut("myCartPos: ", myCartPos.getX(), ", ", myCartPos.getY(), ", ", myCartPos.getZ(), "\n");
}

void WorldModel::printDir() const { devOut("My Direction: ", dir, "\n"); }

void WorldModel::printFRPs() const {
    devOut("Left Center: ", FRP[0], "\n");
    devOut("Left Force: ", FRP[1], "\n");
    devOut("Right Center: ", FRP[2], "\n");
    devOut("Right Force: ", FRP[3], "\n");
}

void WorldModel::printJoints() {
    logWorlModel.open(kLogFile, std::ios::out | std::ios::app);
    if (!logWorlModel.is_open()) {
        std::cerr << "Cannot open " << kLogFile << " for appending." << std::endl;
        return;
    }
    logWorlModel << "Time :" << time << " ->\n\t"
                 << "Flags :";
    for (int i = 0; i < kFlagCount; ++i) {
        const Flag& f = flagsArray[i];
        const Point pol = f.getPolarPos();
        logWorlModel << "\n\t" << f.getName() << " :"
                     << "\n\t\t"
                     << "LastTime seen : " << f.getLastTimeSeenFlag(i) << "\n\t\t"
                     << "PolarPos :" << pol.getRo() << " " << pol.getTeta() << " " << pol.getPhi();
    }
    const Point bp = ball.getPolarPos();
    logWorlModel << "\n\n\tBall :" << bp.getRo() << " " << bp.getTeta() << " " << bp.getPhi()
                 << " , Last time seen :" << ball.getLastTimeSeenBall() << "\n";
    logWorlModel << "Direction of head from flag :" << getDOF(DOF_HEAD_PAN) << "\n";
    // The body-relative direction of every landmark, in landmark order.
    logWorlModel << "Direction of body from flag :";
    for (int i = 0; i < kFlagCount; ++i) {
        logWorlModel << " " << getBodyDirectionFromFlagByIndex(i)[1];
    }
    logWorlModel << "\n";
    logWorlModel << "\nJoints degree :\n\t";
    for (const HingeJoint& j : hingeJointsArray) {
        logWorlModel << j.getName() << " " << j.getAxis() << ",";
    }
    logWorlModel << "\n\n";
    logWorlModel.close();
}

// ---- Per-message bookkeeping -------------------------------------------------

void WorldModel::resetForUpdate() {
    // A foot without a pressure report in this message stands on nothing.
    for (Point& p : FRP) p = Point(0, 0, 0);
    accInMessage = false;
    setLastTime();
    setLastPosOfBall();
    setLastGlobalPosOfBall();
    setLastGlobalPosOfAgent();
    setLastVelOfBall();
}

void WorldModel::setLastTime() { lastTime = ball.getLastTimeSeenBall(); }

void WorldModel::setLastPosOfBall() {
    const std::array<double, 2> b = getBodyDirectionFromBall();
    lastPosOfBall = Point(b[0], 0, b[1]);
}

void WorldModel::setLastGlobalPosOfBall() { lastGlobalPosOfBall = glbPosOfBall; }
void WorldModel::setLastGlobalPosOfAgent() { glbPosOfAgent = myCartPos; }
void WorldModel::setLastVelOfBall() { lastVelOfBall = velOfBall; }
void WorldModel::setDeltaTime() { deltaTime = time - lastTime; }
void WorldModel::setDeltaOfAgent() { deltaOfAgent = myCartPos - glbPosOfAgent; }

// With no time passed the velocities keep their previous values.
void WorldModel::setVelOfBall() {
    if (deltaTime != 0) velOfBall = (glbPosOfBall - lastGlobalPosOfBall) / deltaTime;
}

void WorldModel::setVelOfAgent() {
    if (deltaTime != 0) velOfAgent = deltaOfAgent / deltaTime;
}

void WorldModel::setAccerationOfBall() {
    if (deltaTime != 0) accOfBall = (velOfBall - lastVelOfBall) / deltaTime;
}
