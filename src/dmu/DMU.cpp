#include "dmu/DMU.h"

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <iostream>
#include <utility>

#include "buildMode.h"
#include "dmu/DMUtil.h"
#include "dmu/NaoGoalie.h"
#include "dmu/TeamPlay.h"
#include "etc/SkillParams.h"
#include "geometry/Geometry.h"
#include "objects/Ball.h"
#include "objects/BodyState.h"
#include "skills/HighLevelSkills.h"
#include "skills/MidLevelSkills.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "skills/lowLevelSkills/NaoBesideWalking.h"
#include "skills/lowLevelSkills/NaoStandUp.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "utils/Logger.h"
#include "utils/ServerCommunicationManager.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

// The server the learning framework restarts between episodes.
const char* const kLocalHost = "127.0.0.1";
const int kLocalPort = 3100;

bool isFinitePoint(const Point& p) {
    return std::isfinite(p.getX()) && std::isfinite(p.getY()) && std::isfinite(p.getZ());
}

// Drives every joint toward the straight posture (all joints 0) once.
void straightenJoints() {
    BodyState zero;
    zero.setAllZero();
    PatternAligner pa;
    pa.setPattern(zero);
    pa.run();
}

// Whether direction `a` lies inside the smaller angle between `from` and
// `to` (degrees, any range).
bool isBetween(double a, double from, double to) {
    const double span = Geometry::normalizeAngle(to - from);
    const double off = Geometry::normalizeAngle(a - from);
    if (!std::isfinite(span) || !std::isfinite(off)) return false;
    return span >= 0 ? (off >= 0 && off <= span) : (off <= 0 && off >= span);
}

}  // namespace

DMU* DMU::instance = nullptr;

DMU* DMU::getUniqueInstance() {
    if (instance == nullptr) instance = new DMU();
    return instance;
}

void DMU::destroyInstance() {
    delete instance;
    instance = nullptr;
}

DMU::DMU()
    : CC(CommandCreator::getUniqueInstance()),
      WM(WorldModel::getUniqueInstance()),
      GC(GameConf::getUniqueInstance()),
      LB(nullptr),
      SM(SkillManager::getUniqueInstance()),
      dmutil(DMUtil::getUniqueInstance()),
      MLS(MidLevelSkills::getUniqueInstance()),
      HLS(HighLevelSkills::getUniqueInstance()),
      goalie(new NaoGoalie()),
      serverCon(ServerCommunicationManager::getUniqueInstance()),
      besideWalk(nullptr),
      align(new PatternAligner()),
      loggerP(new Logger()),
      loggerV(new Logger()),
      loggerPosBAll(new Logger()),
      loggerZ(new Logger()),
      step(0),
      beamPoint(0, 0, 0.3),
      goaliePoint(-5.73, 0, 1.0),
      agentPoint1(-3.6, 0, 1.0),
      agentPoint2(-1.5, 0, 1.0),
      ready(false),
      fallen(false),
      lyingReadings(0),
      state1(true),
      isDropped(false),
      droppedTime(0),
      dropTime(0) {
    const std::pair<Logger*, const char*> logs[] = {
        {loggerP, kPosLog}, {loggerV, kVelLog}, {loggerPosBAll, kBallPosLog}, {loggerZ, kZLog}};
    for (const auto& log : logs) {
        log.first->setLogPath(log.second);
        log.first->openLogFile();
    }
    WM->setHomePos(goaliePoint, WorldModel::getGoalieId());
    WM->setHomePos(agentPoint1, 2);
    WM->setHomePos(agentPoint2, 3);
    // Read once here so that a misspelt name in the play layer's files is
    // reported at start, not never.
    SkillParams::getUniqueInstance()->values(TeamPlay::kSkill, TeamPlay::paramList());
    SkillParams::getUniqueInstance()->values(MidLevelSkills::kApproachSkill, MidLevelSkills::approachParamList());
    devOut("VOR agent initialized successfuly...\n");
}

DMU::~DMU() {
    delete goalie;
    delete besideWalk;
    delete align;
    // Each logger writes what it collected as it goes.
    delete loggerP;
    delete loggerV;
    delete loggerPosBAll;
    delete loggerZ;
}

// ---- The cycle ---------------------------------------------------------------

std::string DMU::behave() {
    ++step;
    fallen = detectFall();
    const int myNum = WM->getMyNum();

    TeamPlay::getUniqueInstance()->observe(WM->getPlayMode(), WM->getOurSide(), WM->getGSTime(), WM->getTime());
    TeamPlay::getUniqueInstance()->noteTeammates(*WM);
    TeamPlay::getUniqueInstance()->noteBall(*WM);
    if (!WM->isBeforeKickOff() && !WM->isGoalUs() && !WM->isGoalThem()) beamedThisStop = false;

    if constexpr (kCompetitionBuild) {
        if (WM->isGoalUs() || WM->isGoalThem()) {
            // The pause after a goal is the time to take the places for the
            // next kick-off: the referee clears the circle and the halves
            // during it already.
            behaveBeforeKickOff();
        } else if (fallen && myNum != WorldModel::getGoalieId() && !WM->isBeforeKickOff() &&
                   !WM->isGameOver()) {
            // A robot that lies too long is sent off; whatever the mode,
            // getting up comes first (the goalie sees to its own).
            standUp();
        } else {
            dispatchPlayMode();
        }
    } else if (WM->isGoalUs() || WM->isGoalThem()) {
        behaveGoalie();
    } else if (WM->isBeforeKickOff()) {
        behaveBeforeKickOff();
    } else if (myNum == WorldModel::getGoalieId()) {
        if (WM->getGSTime() > 0) {
            behaveGoalie();
        } else {
            CC->stopAllJoints();
        }
    } else if (fallen) {
        ready = false;
        devOut("Agent is felt\n");
        standUp();
    } else if (!MLS->readyForRunningSkills() && !ready) {
        devOut("======== Preparing For Running Skills ========\n");
    } else {
        ready = true;
        dispatchPlayMode();
    }
    return std::string(CC->getPreparedCommand());
}

void DMU::dispatchPlayMode() {
    if (WM->isBeforeKickOff()) {
        behaveBeforeKickOff();
    } else if (WM->isPlayOn()) {
        behavePlayOn();
    } else if (WM->isKickOffUs()) {
        behaveKickOffUs();
    } else if (WM->isKickOffThem()) {
        behaveKickOffThem();
    } else if (WM->isGoalKickUS()) {
        behaveGoalKickUs();
    } else if (WM->isGoalKickThem()) {
        behaveGoalKickThem();
    } else if (WM->isKickInUs()) {
        behaveKickInUs();
    } else if (WM->isKickInThem()) {
        behaveKickInThem();
    } else if (WM->isCornerUs()) {
        behaveCornerUs();
    } else if (WM->isCornerThem()) {
        behaveCornerThem();
    } else if (WM->isGameOver()) {
        behaveGameOver();
    } else {
        behaveETC();
    }
}

void DMU::standUp() {
    SM->putSkillInQ(new NaoStandUp());
    if (!SM->runSkills()) {
        devErr("Oops! No Skill To Run!\n");
        PatternAligner pa;
        pa.run();
    }
}

// ---- Falls -------------------------------------------------------------------

bool DMU::detectFall() {
    // The foot-force detector keeps a half-second window that advances with
    // every call, so it is asked exactly once per cycle, here, whoever needs
    // the answer later in the cycle.
    const bool feet = dmutil->isFallen();
    // It misses a robot lying on its back with its heels on the ground, and
    // sees a robot on its front only when the toes happen to touch; what the
    // accelerometer says is added, never taken away.
    const bool lying = accelerometerShowsLying();
    // The foot sensors also read "in the air" while the robot stands on one
    // leg (a kick lifts a foot for over a second): taken for fallen, the
    // robot broke off its kick and started a stand-up on its feet, which
    // topples it. While the accelerometer shows gravity along the torso the
    // robot is upright, whatever its feet say.
    return lying || (feet && !accelerometerShowsUpright());
}

bool DMU::accelerometerShowsUpright() const {
    Point a;
    if (!readAccelerometer(a)) return false;
    return a.getZ() >= kUprightAlong && std::hypot(a.getX(), a.getY()) <= kUprightAcross;
}

bool DMU::accelerometerShowsLying() {
    Point a;
    if (!readAccelerometer(a)) {
        lyingReadings = 0;
        return false;
    }
    const double across = std::hypot(a.getX(), a.getY());
    const bool lying = across >= kLyingAcross && a.getZ() <= kLyingAlong;
    lyingReadings = lying ? lyingReadings + 1 : 0;
    if (lyingReadings > kLyingMessages) lyingReadings = kLyingMessages;
    return lyingReadings >= kLyingMessages;
}

bool DMU::readAccelerometer(Point& a) const {
    // Only a reading of this cycle's message tells anything about now.
    if (!WM->hasAcc()) return false;
    a = WM->getAcc();
    return std::isfinite(a.getX()) && std::isfinite(a.getY()) && std::isfinite(a.getZ());
}

// ---- Play-mode handlers --------------------------------------------------------

void DMU::behaveBeforeKickOff() {
    Point home;
    if constexpr (kCompetitionBuild) {
        // The spot waits for the next kick-off: inside the circle only for
        // our taker when we kick off. The beam's rotation rides in z.
        home = TeamPlay::getUniqueInstance()->kickOffSpot(WM->getMyNum());
    } else {
        WM->setHomePos(Point(WM->getOurSide() == SIDE_LEFT ? -0.16 : -1.5, 0, 1.0), 3);
        home = WM->getHomePos(WM->getMyNum());
    }
    const Point me = WM->getMyCartPos();
    // A position that is not a number is nowhere near home.
    bool away = !isFinitePoint(me) || std::fabs(me.getX() - home.getX()) > kHomeTolerance ||
                std::fabs(me.getY() - home.getY()) > kHomeTolerance;
    if constexpr (!kCompetitionBuild) {
        away = away || std::fabs(me.getZ() - home.getZ()) > kHomeTolerance;
    }
    const bool sameSpot = beamedThisStop && std::fabs(beamedTo.getX() - home.getX()) < 0.01 &&
                          std::fabs(beamedTo.getY() - home.getY()) < 0.01;
    if (away && !(sameSpot && !fallen)) {
        if (align->run()) {
            CC->beam(home);
            beamedThisStop = true;
            beamedTo = home;
            wakeCycles = kWakeAfterBeam;
        }
    } else if (fallen) {
        standUp();
    } else if (wakeCycles > 0) {
        // A slight nod, back and forth, is a joint asked to move.
        CC->moveHeadAx1(wakeCycles % 2 == 0 ? 0.02f : -0.02f);
        --wakeCycles;
    }
}

void DMU::behavePlayOn() {
    const int myNum = WM->getMyNum();
    if constexpr (kCompetitionBuild) {
        if (myNum == 1) {
            behaveGoalie();
        } else if (myNum == 2 || myNum == 3) {
            testBehave();
        } else {
            behaveNum2();
        }
    } else {
        if (myNum == 10) {
            behaveGoalie();
        } else if (myNum == 1) {
            testBehave();
        } else {
            CC->stopAllJoints();
        }
    }
}

void DMU::behaveKickOffUs() {
    if constexpr (kCompetitionBuild) {
        // Our taker kicks off; the others keep their places (the goalie guards).
        const int me = WM->getMyNum();
        if (me == WorldModel::getGoalieId()) {
            behaveGoalie();
        } else if (me == TeamPlay::kTaker) {
            takeSetPiece();
        } else {
            holdStill();
        }
    } else {
        behavePlayOn();
    }
}
void DMU::behaveKickOffThem() { holdOrGuard(); }
void DMU::behaveGoalKickUs() { ourSetPiece(); }
void DMU::behaveGoalKickThem() { holdOrGuard(); }
void DMU::behaveKickInUs() { ourSetPiece(); }
void DMU::behaveKickInThem() { holdOrGuard(); }
void DMU::behaveCornerUs() { ourSetPiece(); }
void DMU::behaveCornerThem() {
    if constexpr (kCompetitionBuild) {
        holdOrGuard();
    } else {
        behavePlayOn();
    }
}
void DMU::behaveGameOver() {}
void DMU::behaveETC() {
    if constexpr (kCompetitionBuild) {
        // The free kicks come here: ours is taken like any set piece.
        const PlayMode m = WM->getPlayMode();
        const bool ourFreeKick =
            (m == PM_FREE_KICK_LEFT || m == PM_FREE_KICK_RIGHT) && TeamPlay::isOurSetPiece(m, WM->getOurSide());
        if (ourFreeKick) {
            ourSetPiece();
        } else {
            holdOrGuard();
        }
    } else {
        CC->stopAllJoints();
    }
}

// ---- Set pieces and waiting (competition build) --------------------------------

void DMU::ourSetPiece() {
    if constexpr (kCompetitionBuild) {
        const int me = WM->getMyNum();
        if (me == WorldModel::getGoalieId()) {
            behaveGoalie();
        } else if (!TeamPlay::teammateNearerToBall(*WM, kTakerMargin) && (me == 2 || me == TeamPlay::kTaker)) {
            takeSetPiece();
        } else {
            holdStill();
        }
    } else {
        behavePlayOn();
    }
}

void DMU::takeSetPiece() {
    TeamPlay* play = TeamPlay::getUniqueInstance();
    play->takingSetPiece(WM->getMyNum());
    // Within half a metre of the spot when the set piece's pause ends, the
    // taker is pushed back by the referee (and stumbles): it waits out the
    // pause a little farther off.
    const Point ball = WM->getGlobalPosOfBall();
    const Point me = WM->getMyCartPos();
    if (!WM->isKickOffUs() && play->modeTime(WM->getTime()) < kSetPiecePause &&
        std::hypot(ball.getX() - me.getX(), ball.getY() - me.getY()) < kTakerRepel) {
        holdStill();
        return;
    }
    SM->runSkills();
    SM->putSkillInQ(limitSpeed(MLS->kickTowardGoal()));
}

void DMU::holdOrGuard() {
    if (WM->getMyNum() == WorldModel::getGoalieId() && kCompetitionBuild) {
        behaveGoalie();
    } else if (kCompetitionBuild) {
        holdStill();
    } else {
        CC->stopAllJoints();
    }
}

void DMU::holdStill() {
    // A walk is brought to a stop by its own ramp (stopping the joints dead
    // in mid-stride topples the robot); then the standing posture is held.
    SkillBase* running = SM->getRunningSkill();
    if (running != nullptr && running->getSkillID() == SKILL_TFS_WALK && !running->isFinished()) {
        TFSWalk* walk = static_cast<TFSWalk*>(running);
        walk->stopStraight();
        SM->putSkillInQ(walk);
        SM->runSkills();
        return;
    }
    // The standing posture (a kick or a turn under way plays out first).
    SM->putSkillInQ(new PatternAligner());
    SM->runSkills();
}

SkillBase* DMU::limitSpeed(SkillBase* skill) {
    // Near other robots the walk slows below the pace at which the referee
    // counts a contact as a charge.
    if (skill != nullptr && skill->getSkillID() == SKILL_TFS_WALK) {
        TFSWalk* walk = static_cast<TFSWalk*>(skill);
        const double limit = TeamPlay::speedLimit(TeamPlay::nearestRobot(*WM));
        const double speed = walk->getspeed();
        if (std::fabs(speed) > limit) walk->setspeed(speed > 0 ? limit : -limit);
    }
    return skill;
}

// ---- Field players ---------------------------------------------------------------

void DMU::testBehave() { runFieldPlayer(false); }

void DMU::behaveNum2() {
    if constexpr (kCompetitionBuild) {
        runFieldPlayer(true);
    } else {
        CC->stopAllJoints();
    }
}

void DMU::runFieldPlayer(bool blocker) {
    const double gameTime = WM->getGSTime();
    if (!(gameTime > 0 && gameTime < kAttackUntil)) {
        straightenJoints();
        return;
    }
    if (!SM->runSkills()) {
        devErr("Oops! No Skill To Run!\n");
        SM->putSkillInQ(new PatternAligner());
    } else if (fallen) {
        SM->putSkillInQ(new NaoStandUp());
    } else if constexpr (kCompetitionBuild) {
        SM->putSkillInQ(limitSpeed(blocker ? MLS->blockOpp() : attackOrSupport()));
    } else {
        SM->putSkillInQ(blocker ? MLS->blockOpp() : MLS->attackBallOwner());
    }
    if constexpr (!kCompetitionBuild) {
        const int n = WM->nearestopp();
        if (n != -1) devOut("ROOOOOOOOOOOOOOOOOOO ", WM->getBodyDirectionFromOpp(n)[0], "\n");
    }
}

SkillBase* DMU::attackOrSupport() {
    const int me = WM->getMyNum();
    TeamPlay* play = TeamPlay::getUniqueInstance();
    const bool leave = play->mustLeaveBall(me, WM->getTime());
    // Two players at the ball get in each other's way and a third robot in
    // the scrum is pushed off by the referee: the one worse placed to kick
    // it (and the taker that must leave it alone) waits where the
    // attacker's kick will send the ball. A player keeps its part unless
    // the other is plainly better placed, so that two players that see each
    // other now and then do not swap parts every other cycle.
    const bool other = play->teammateBetterPlaced(*WM, supporting ? -kSwapMargin : kSwapMargin);
    supporting = leave || other;
    if (leave) return MLS->supportAt(TeamPlay::leaveSpot(WM->getGlobalPosOfBall()));
    if (other) return MLS->supportAt(TeamPlay::supportSpot(WM->getGlobalPosOfBall(), me));
    return MLS->attackBallOwner();
}

// ---- The goalie -------------------------------------------------------------------

void DMU::behaveGoalie() {
    const double now = WM->getTime();
    devOut("Baba la aghal ino chap kon!\n", "=========================", now - droppedTime, "\n");

    const double lieFor = TeamPlay::param(TeamPlay::P_GOALIE_LIE_FOR);
    if (now - droppedTime > lieFor && isDropped) {
        isDropped = false;
        // A dive does not always topple the goalie: one still on its feet
        // stays on guard, since a stand-up begun standing throws it down.
        if (fallen) {
            state1 = false;
            SM->putSkillInQ(new NaoStandUp());
        }
    }

    if constexpr (kCompetitionBuild) {
        // A ball lying near the goalie in our goal area is cleared by the
        // goalie itself: left there, the other side pushes it in.
        if (!isDropped && !fallen && goalieShouldClear()) {
            clearingBall = true;
            state1 = false;  // back to the goal afterwards
            SM->runSkills();
            SM->putSkillInQ(MLS->approachAndKick());
            dropTime = now;
            return;
        }
        clearingBall = false;
    }

    if (state1) {
        guardGoal(now);
        return;
    }

    if (!SM->runSkills()) {
        devErr("Oops! No Skill To Run!\n");
        SM->putSkillInQ(new PatternAligner());
    } else if (fallen) {
        devOut("Goalie is fallen!!!\n");
        SM->putSkillInQ(new NaoStandUp());
    } else {
        devOut("Goalie go to goale!!!\n");
        SM->putSkillInQ(MLS->goToGoal(state1, kGoalAngleTol));
    }
    dropTime = now;
}

bool DMU::goalieShouldClear() const {
    const double reach = TeamPlay::param(TeamPlay::P_GOALIE_CLEAR);
    if (!(reach > 0.0)) return false;
    const double now = WM->getTime();
    if (!(now - WM->getBall().getLastTimeSeenBall() <= kGoalieBallAge)) return false;
    const Point ball = WM->getGlobalPosOfBall();
    const Point me = WM->getMyCartPos();
    const double d = std::hypot(ball.getX() - me.getX(), ball.getY() - me.getY());
    // Once begun, the clearing goes on while the ball stays a little farther.
    const double limit = clearingBall ? reach + kGoalieClearSlack : reach;
    return std::isfinite(d) && d <= limit && ball.getX() < kGoalieAreaX && std::fabs(ball.getY()) < kGoalieAreaY;
}

bool DMU::standUpInProgress() {
    SkillBase* running = SM->getRunningSkill();
    return running != nullptr && running->getSkillID() == SKILL_NAO_STANDUP &&
           !running->isFinished();
}

void DMU::guardGoal(double now) {
    // Where the ball is now and where it was at the sighting before, both
    // relative to the body: x forward, y to the left.
    const std::array<double, 2> seen = WM->getBodyDirectionFromBall();
    const Point K = Geometry::convertPolToCart(Point(seen[0], 0, seen[1]));
    const Point Q = Geometry::convertPolToCart(WM->getLastPosOfBall());
    const double dt = WM->getBall().getLastTimeSeenBall() - WM->getLastTime();
    devOut("Ball Pos=", Q, "\n", "last Ball Pos=", K, "\n", "dt= ", dt, "\n");

    // No new sighting, no new velocity; and a broken sighting must not spoil
    // the estimate for the rest of the game.
    if (dt != 0) {
        const Point estimate = (K - Q) / dt;
        if (isFinitePoint(estimate)) goalieBallVel = estimate;
        devOut("ball Speed=", goalieBallVel.getMagnitude(), "\n");
    }
    const double speed = goalieBallVel.getMagnitude();
    // A ball at rest has no direction: it stays where it is.
    const Point u = speed > 0 ? goalieBallVel / speed : Point(0, 0, 0);
    const double x = kRollGain * speed - kRollOffset;
    const Point R = Q + u * x;
    devOut("x amount= ", x, "\n", "outreal=", R, "\n");

    // A rest point that is not a number is no reason to dive. Every dive is
    // a fall, so only a ball near and coming at the goalie is worth one: a
    // far ball's speed is mostly the noise of two sightings.
    const bool worthDiving = std::isfinite(seen[0]) && seen[0] <= TeamPlay::param(TeamPlay::P_DIVE_REACH) &&
                             goalieBallVel.getX() <= -TeamPlay::param(TeamPlay::P_DIVE_BALL_SPEED);
    const bool far = !std::isfinite(R.getX()) || !std::isfinite(R.getY()) ||
                     R.getX() > TeamPlay::param(TeamPlay::P_DIVE_REST_AHEAD) ||
                     (!worthDiving && !isDropped);
    if (far) {
        if (fallen) {
            devOut("Goalie is fallen!!!\n");
            SM->putSkillInQ(new NaoStandUp());
            // A goalie knocked over without diving would otherwise lie there
            // for good: nothing else leaves the guard. After a dive the goalie
            // stays down until its timer runs out, as before.
            if (!isDropped) SM->runSkills();
        } else if (!isDropped && standUpInProgress()) {
            SM->runSkills();
        } else {
            devOut("nnnnnnnnot falling\n");
            dropTime = now;
            straightenJoints();
        }
        return;
    }

    devOut("==================STATE1==================\n");
    if (R.getY() > kStraightBand) {
        dive(true, now);
    } else if (R.getY() < -kStraightBand) {
        devOut("===============STATE1_1==============\n");
        dive(false, now);
    }
}

void DMU::dive(bool toLeft, double now) {
    if (now >= dropTime + kDiveFor) {
        devOut(toLeft ? "stop falling left\n" : "stop falling Right\n");
        CC->stopAllJoints();
        return;
    }
    isDropped = true;
    droppedTime = now;
    if (toLeft) {
        devOut("fallen To Left\n");
        CC->moveRAnkleAx2(kDiveSpeed);
        CC->moveLAnkleAx2(kDiveSpeed);
        CC->moveLLegAx1_2(-kDiveSpeed);
    } else {
        devOut("fallen To right\n");
        CC->moveRAnkleAx2(-kDiveSpeed);
        CC->moveLAnkleAx2(-kDiveSpeed);
        CC->moveRLegAx1_2(kDiveSpeed);
    }
}

// ---- Server link -------------------------------------------------------------------

void DMU::setServerCon(ServerCommunicationManager* con) { serverCon = con; }

void DMU::reconnectAgent() {
    sleep(1);
    if (serverCon == nullptr) {
        std::cerr << "DMU::reconnectAgent(): no server connection to renew" << std::endl;
        return;
    }
    if (!serverCon->connect2(kLocalPort, kLocalHost)) return;
    serverCon->sendMsg(GC->getRSGPath());
}

// ---- Queries and tests ---------------------------------------------------------------

bool DMU::shouldBlockBall() {
    const std::array<double, 2> ball = WM->getBodyDirectionFromBall();
    const double post1 = WM->getBodyDirectionFromFlagByIndex(WM->getIndexOfOurGoalFlag1())[1];
    const double post2 = WM->getBodyDirectionFromFlagByIndex(WM->getIndexOfOurGoalFlag2())[1];
    return WM->getGlobalPosOfBall().getX() < WM->getMyCartPos().getX() &&
           isBetween(ball[1], post1, post2);
}

bool DMU::isReady2Kick() {
    // Landmark slots of the corner flags "F1R" and "F2R".
    const int f1r = 6;
    const int f2r = 7;
    return isBetween(WM->getBodyDirectionFromBall()[1], WM->getBodyDirectionFromFlagByIndex(f1r)[1],
                     WM->getBodyDirectionFromFlagByIndex(f2r)[1]);
}

bool DMU::isBWBetter(double) {
    const std::array<double, 2> ball = WM->getBodyDirectionFromBall();
    const double bearing = std::fabs(ball[1]);
    return (bearing > 70 && bearing < 90) || (ball[0] < 8.0 && bearing < 80);
}

void DMU::skillTest() {
    if (besideWalk == nullptr) besideWalk = new NaoBesideWalking(false);
    besideWalk->setSpeed(3);
    besideWalk->setRotate(0);
    besideWalk->run();
}

void DMU::testDOF() {}
