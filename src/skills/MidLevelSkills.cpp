#include "skills/MidLevelSkills.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "buildMode.h"
#include "dmu/DMUtil.h"
#include "dmu/TeamPlay.h"
#include "geometry/Geometry.h"
#include "objects/Ball.h"
#include "objects/Flag.h"
#include "skills/ApproachPlan.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "skills/Updater.h"
#include "skills/UpdaterGoalie.h"
#include "skills/lowLevelSkills/Kick.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "skills/lowLevelSkills/TurnSkill.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kRadToDeg = 180.0 / Geometry::PI;
constexpr double kDegToRad = Geometry::PI / 180.0;
// One server cycle: the head hold closes its error within one of them.
constexpr double kCycle = 0.02;
// A ball not seen for this long (s) is searched for, not walked to.
constexpr double kBallForgotten = 4.0;
// A sighting at most this old (s) tells where the ball lies from the body
// now: the body has hardly moved since.
constexpr double kFreshSighting = 0.1;
// Both opponent posts seen within this (s): the kick's aim is judged from
// them.
constexpr double kFreshPosts = 0.15;
// Robots seen within this (s) are steered round: older sightings were taken
// from elsewhere.
constexpr double kFreshRobots = 0.2;

// The competition walks a little slower: it falls less.
constexpr double kFullSpeed = kCompetitionBuild ? 0.9 : 1.0;

constexpr const char* kBugLine =
    "======================================= this is the bug "
    "===================================  ";

// Where to walk for a target at sighted bearing b (counter-clockwise, to
// the left): forward with turn b while it lies ahead, otherwise backward
// with the turn measured from straight behind.
struct Course {
    bool backward = false;
    double turn = 0.0;
    double sign() const { return backward ? -1.0 : 1.0; }
};

Course chooseCourse(double b, bool reportNoBearing) {
    Course c;
    if (b >= -90.0 && b <= 90.0) {
        c.turn = b;
        devOut("walk Forward\n");
    } else if (b > 90.0) {
        c.backward = true;
        c.turn = b - 180.0;
        devOut("walk BackWard\n");
    } else if (b < -90.0) {
        c.backward = true;
        c.turn = b + 180.0;
        devOut("walk BackWard\n");
    } else if (reportNoBearing) {
        devOut(kBugLine, "\n");
    }
    devOut("inputTurnAng= ", c.turn, "\n");
    return c;
}

double finiteOrZero(double v) { return std::isfinite(v) ? v : 0.0; }

// Every walk command goes through here, so a broken sighting never turns
// into a non-finite speed or turn.
void steer(TFSWalk* walk, double speed, double degree) {
    walk->setspeed(finiteOrZero(speed));
    walk->setDegree(finiteOrZero(degree));
}

// goToward and goToPoint steer a walk but leave its speed alone. A walk
// they take over may have been left stopping (for a turn) or walking
// backward by another behaviour; it is put back to walking forward, or it
// would mark time or back away from the target.
void walkForward(TFSWalk* walk) {
    if (!(walk->getspeed() > 0.0f)) walk->setspeed(1.0);
}

bool isRunning(SkillBase* skill, SkillID id) {
    return skill != nullptr && skill->getSkillID() == id;
}

// Speed that brings a head joint from `current` to `target` within one
// cycle; 0 within a tenth of a degree.
float headHoldSpeed(double target, double current) {
    const double e = target - current;
    if (!(std::fabs(e) > 0.1)) return 0.0f;
    return static_cast<float>(finiteOrZero(e / (kCycle * 180.0)));
}

// Bearing in degrees, counter-clockwise from +x, of a planar vector. A
// vector along the y axis is 90 or -90 degrees here (it is abeam, not
// ahead), and the zero vector is 0.
double bearingOf(double x, double y) {
    if (x == 0.0 && y == 0.0) return 0.0;
    return std::atan2(y, x) * kRadToDeg;
}

// What goToward and goToPoint steer by: the planar distance from the robot
// to `target`, the robot's yaw h and the clockwise bearing of the target
// (clockwise like the yaw, so positive is to the robot's right). Readings
// that are not numbers count as 0, so nothing below turns on them.
struct Aim {
    double dist;
    double yaw;
    double angle;
};

Aim aimAt(const WorldModel* wm, Point target) {
    Point rel = target - wm->getMyCartPos();
    rel.setZ(0.0);
    Aim a;
    a.dist = finiteOrZero(rel.getMagnitude());
    a.yaw = finiteOrZero(wm->getDir().getTeta());
    // -t - h: t grows counter-clockwise, h clockwise, so this is how far
    // clockwise of the facing direction the target lies.
    a.angle = finiteOrZero(Geometry::normalizeAngle(-bearingOf(rel.getX(), rel.getY()) - a.yaw));
    return a;
}

// A walk's degree turns it clockwise when positive. The aim's angle is
// already measured clockwise, so it is the degree as it stands (negating it,
// as for the counter-clockwise sighted bearings, would turn away from a
// target beside the robot).
double walkDegreeToward(double clockwiseAngle) { return clockwiseAngle; }

// TurnSkill wants an absolute target heading in the yaw's frame, and turns
// clockwise when that heading is positive, counter-clockwise when negative.
// So the heading handed over is the current yaw plus the wanted turn, taken
// a full circle further where needed for its sign to name the way to turn;
// such a heading lies beyond +-180 and is never reached by the turn on its
// own, which is fine: the callers retarget the turn every cycle and hand
// over to a walk (or report the robot aligned) well before it gets there.
double turnHeading(double yaw, double clockwiseTurn) {
    double heading = yaw + clockwiseTurn;
    if (clockwiseTurn > 0.0 && heading <= 0.0) heading += 360.0;
    if (clockwiseTurn < 0.0 && heading >= 0.0) heading -= 360.0;
    return finiteOrZero(heading);
}

// A plan left for something else (a set piece, a fall, the ball given to a
// teammate: not asked for a step in the last cycles) starts afresh.
void afreshIfLeft(ApproachPlan& plan, double& lastCall, double now) {
    if (!(now - lastCall <= 0.1)) plan.reset();
    lastCall = now;
}

}  // namespace

const std::vector<SkillParams::Param>& MidLevelSkills::approachParamList() {
    // One file for the approach: the older walk behind the ball and the
    // planned approach share it (their values first, in the same order).
    return ApproachPlan::paramList();
}

double MidLevelSkills::approachValue(ApproachParam which) {
    const SkillParams::Param& p = approachParamList()[which];
    return SkillParams::getUniqueInstance()->value(kApproachSkill, p.name, p.designValue);
}

MidLevelSkills* MidLevelSkills::getUniqueInstance() {
    // Kept for the whole process, like the other singletons it points to.
    static MidLevelSkills* instance = new MidLevelSkills();
    return instance;
}

MidLevelSkills::MidLevelSkills()
    : CC(CommandCreator::getUniqueInstance()),
      WM(WorldModel::getUniqueInstance()),
      GC(GameConf::getUniqueInstance()),
      dmutil(DMUtil::getUniqueInstance()),
      SM(SkillManager::getUniqueInstance()),
      PT(nullptr),
      avoidTime(0.0),
      keyChangeFlag(true) {
    BS.setAllZero();
    BS.setDOF(DOF_SHOULDER_RY, -10);
    BS.setDOF(DOF_SHOULDER_RT, 90);
    BS.setDOF(DOF_SHOULDER_LY, 10);
    BS.setDOF(DOF_SHOULDER_LT, -90);
    PA.setPattern(BS);
}

MidLevelSkills::~MidLevelSkills() = default;

bool MidLevelSkills::readyForRunningSkills() { return PA.run(); }

bool MidLevelSkills::ballLinedUpWithGoal(double tolerance) const {
    if (!(tolerance < 180.0)) return true;
    const std::array<double, 2> ball = WM->getBodyDirectionFromBall();
    const std::array<double, 2> goal = WM->calcMidOfOppGoal();
    const double off = Geometry::normalizeAngle(bearingOf(goal[0], goal[1]) - ball[1]);
    // Without a reading there is nothing to hold the approach up for.
    return !std::isfinite(off) || std::fabs(off) <= tolerance;
}

TFSWalk* MidLevelSkills::runningOrNewWalk() {
    SkillBase* running = SM->getRunningSkill();
    if (isRunning(running, SKILL_TFS_WALK)) return static_cast<TFSWalk*>(running);
    return new TFSWalk();
}

TurnSkill* MidLevelSkills::newTurn(double heading) {
    SkillBase* running = SM->getRunningSkill();
    if (isRunning(running, SKILL_TFS_WALK)) {
        static_cast<TFSWalk*>(running)->stopStraight();
    }
    return new TurnSkill(heading);
}

SkillBase* MidLevelSkills::turnBy(double clockwise) {
    const double target = turnHeading(finiteOrZero(WM->getDir().getTeta()), clockwise);
    SkillBase* running = SM->getRunningSkill();
    if (isRunning(running, SKILL_TFS_TURN) && !running->isFinished()) {
        static_cast<TurnSkill*>(running)->setDeg(target);
        return running;
    }
    return newTurn(target);
}

SkillBase* MidLevelSkills::endTurn(SkillBase* running) {
    if (!isRunning(running, SKILL_TFS_TURN) || running->isFinished()) return nullptr;
    // The turn's target may lie beyond a full circle (see turnHeading): held
    // at the present heading it stops and finishes, and what comes next can
    // start.
    static_cast<TurnSkill*>(running)->setDeg(finiteOrZero(WM->getDir().getTeta()));
    return running;
}

void MidLevelSkills::holdHead() {
    const double tilt = WM->getDOF(DOF_HEAD_TILT);
    const double pan = WM->getDOF(DOF_HEAD_PAN);
    devOut("dof_head_tilt= ", tilt, "\t\tdof_head_pan=", pan, "\n");
    CC->moveHeadAx1(headHoldSpeed(0.0, pan));
    CC->moveHeadAx2(headHoldSpeed(-30.0, tilt));
}

// ---- Field player -----------------------------------------------------------

SkillBase* MidLevelSkills::attackBallOwner() {
    if constexpr (kCompetitionBuild) return approachAndKick();
    static bool isBallOwner = false;
    const std::array<double, 2> ball = WM->getBodyDirectionFromBall();
    const double faceTol = approachValue(A_FACE_TOL);
    const double farTolerance = kCompetitionBuild ? faceTol : 20.0;
    const double nearTolerance = kCompetitionBuild ? faceTol : 10.0;

    if (ball[0] > approachValue(A_OWNER_RANGE)) {
        devOut("nnnnnnnnn not Owner rrrrrrrrrrrrrrr\n");
        isBallOwner = false;
        return goBehindBall(isBallOwner, farTolerance);
    }
    if (!isBallOwner) {
        devOut("nnnneeeeear near not Owner rrrrrrrrrrrrr\n");
        return goBehindBall(isBallOwner, nearTolerance);
    }
    devOut("0000000000 Owner 0000000000000\n");
    // A ball that is no longer in front (or has no bearing at all) is lost,
    // and so is one no longer between us and the goal.
    if (!(std::fabs(ball[1]) <= 40.0) || !ballLinedUpWithGoal(2.0 * approachValue(A_LINE_TOL))) isBallOwner = false;
    // Behind the ball and facing the goal: the competition team shoots
    // (dribbling topples the robot and never scores from afar).
    if constexpr (kCompetitionBuild) return kickTowardGoal();
    return goTowardGoal();
}

SkillBase* MidLevelSkills::goBehindBall(bool& reached, double angleTol) {
    static Updater updater;
    static bool wasFitting = false;
    reached = false;

    const std::array<double, 2> target = WM->calcPointBehindBall(approachValue(A_BEHIND_DIST));
    const double fitRange = approachValue(A_FIT_RANGE);
    const double d = target[0];
    const double b = target[1];
    const std::array<double, 2> ball = WM->getBodyDirectionFromBall();
    const double ballDir = ball[1];
    devOut("Ball dist= ", ball[0], "\n");
    devOut("Ball dir= ", ballDir, "\n");
    devOut("dist= ", d, "\n");
    devOut("turn= ", b, "\n");
    const Course course = chooseCourse(b, true);
    double turn = course.turn;

    // The competition robot gives up fitting sooner: a fitting robot that
    // drifts off the point walks back to it properly.
    if (d > approachValue(A_FIT_LEAVE)) wasFitting = false;

    TFSWalk* walk = nullptr;
    if (isRunning(SM->getRunningSkill(), SKILL_TFS_WALK)) {
        walk = static_cast<TFSWalk*>(SM->getRunningSkill());
        updater.run();
    } else {
        devOut("walk constructor\n");
        walk = new TFSWalk();
        wasFitting = false;
    }

    double speed = kFullSpeed;
    if (d < 0.5 || wasFitting) {
        if (std::fabs(ballDir) < angleTol && wasFitting && ballLinedUpWithGoal(approachValue(A_LINE_TOL))) {
            devOut("behinde is finished\n");
            wasFitting = false;
            reached = true;
        }
        if (d > fitRange && !wasFitting) {
            devOut("in near the point\n");
            speed = 0.8 * course.sign();
        }
        const bool fitting = kCompetitionBuild ? (d <= fitRange || wasFitting) : d <= fitRange;
        if (fitting) {
            devOut("Fitting...\n");
            if (std::fabs(ballDir) > angleTol) speed = 0.1 * course.sign();
            wasFitting = true;
        }
        if (wasFitting) turn = ballDir;
    }
    if (d >= 0.5) {
        devOut("in Far to the point \n");
        speed = kFullSpeed * course.sign();
        if (kCompetitionBuild && course.backward) turn /= 3.0;
    }
    steer(walk, speed, -turn);
    return walk;
}

SkillBase* MidLevelSkills::goBehindBallAt(double dist) {
    const std::array<double, 2> target = WM->calcPointBehindBall(dist);
    const double d = finiteOrZero(target[0]);
    const Course course = chooseCourse(finiteOrZero(target[1]), false);
    TFSWalk* walk = runningOrNewWalk();
    if (d < 0.3) {
        walk->stopStraight();
        return walk;
    }
    // Slower as it arrives, so that it does not overshoot into the ball.
    const double speed = std::min(kFullSpeed, 0.3 + d / 2.0) * course.sign();
    steer(walk, speed, -course.turn);
    return walk;
}

SkillBase* MidLevelSkills::goTowardGoal() {
    const std::array<double, 2> ball = WM->getBodyDirectionFromBall();
    devOut("Ball dist= ", ball[0], "\n");
    devOut("dist= ", ball[0] + 1.0, "\n");
    devOut("Ball dir= ", ball[1], "\n");
    const Course course = chooseCourse(ball[1], false);
    double speed = kFullSpeed * course.sign();
    double degree = course.turn / -2.0;

    TFSWalk* walk = nullptr;
    if (isRunning(SM->getRunningSkill(), SKILL_TFS_WALK)) {
        walk = static_cast<TFSWalk*>(SM->getRunningSkill());
        holdHead();
    } else {
        walk = new TFSWalk();
    }

    if constexpr (kCompetitionBuild) {
        // Ball out of sight for long: turn on the spot-ish to find it.
        if (WM->getTime() - WM->getBall().getLastTimeSeenBall() >= 5.0) {
            speed = 0.2;
            degree = 60.0;
        }
    }
    steer(walk, speed, degree);
    return walk;
}

SkillBase* MidLevelSkills::kickTowardGoal() {
    if constexpr (kCompetitionBuild) return approachAndKick();
    static bool walkFinished = false;
    static bool canKick = false;
    static double lastCall = -1.0;

    // The standing posture between two skills includes the head: held down
    // here meanwhile, it never got there, and the player stood for good.
    if (!isRunning(SM->getRunningSkill(), SKILL_PATTERN_ALIGNER)) holdHead();

    // An approach that was left for something else (the ball got away, a
    // set piece) is not taken up again where it stopped.
    const double now = WM->getTime();
    if (now - lastCall > 0.1) {
        walkFinished = false;
        canKick = false;
    }
    lastCall = now;

    // The approach belongs to one kick. Once that kick has played out, or a
    // fall has interrupted the approach or the kick (a stand-up runs), the
    // next kick starts with a fresh approach instead of kicking wherever the
    // ball happens to be.
    SkillBase* running = SM->getRunningSkill();
    const bool kickOver = canKick && isRunning(running, SKILL_NAO_KICK) && running->isFinished();
    if (kickOver || isRunning(running, SKILL_NAO_STANDUP)) {
        if (walkFinished || canKick) devOut("kick is over\n");
        walkFinished = false;
        canKick = false;
    }

    if (!canKick) {
        // How far the ball lies before the legs, along the body's axis: a
        // ball a little to the side is nearer ahead than its distance says
        // (one far to the side is turned to first, not stopped at).
        const double off = std::fmin(std::fabs(WM->getBodyDirectionFromBall()[1]), 30.0);
        const double l = dmutil->calcLegDistToBall() * std::cos(off * kDegToRad) - 0.17;
        const double b = WM->getBodyDirectionFromBall()[1];
        const double stopAt = approachValue(A_STOP_DIST) - 0.17;
        devOut("Ball dist= ", WM->getBodyDirectionFromBall()[0], "\n");
        devOut("dist= ", l, "\n");
        devOut("Ball dir= ", b, "\n");
        const Course course = chooseCourse(b, false);
        TFSWalk* walk = runningOrNewWalk();

        if (l < stopAt && !walkFinished) {
            devOut("behinde is finished\n");
            walkFinished = true;
            return walk;
        }
        if (walkFinished) {
            devOut("stopping walk\n");
            if (walk->stopStraight()) {
                canKick = true;
                devOut("walk is finished\n");
            }
        } else {
            double degree = std::fabs(course.turn) <= 15.0 ? 0.0 : -course.turn;
            const double side = approachValue(A_FOOT_SIDE);
            if (side > 0.0 && !course.backward) {
                // Head for the spot beside the ball that leaves it before one
                // foot (the side it lies on now), not for the ball itself: the
                // kick wants the ball off the torso's middle.
                const double dist = WM->getBodyDirectionFromBall()[0];
                const double bx = dist * std::cos(b * kDegToRad), by = dist * std::sin(b * kDegToRad);
                const double aim = bearingOf(bx, by - (by >= 0.0 ? side : -side));
                // Half the bearing: the walk answers a turn late, and the full
                // bearing swung the ball past the foot to the other side.
                degree = std::fabs(aim) <= 3.0 ? 0.0 : -aim / 2.0;
            }
            steer(walk, l / 0.75 + 0.01, degree);
        }
        return walk;
    }

    devOut("kkkkkkicking\n");
    if (!isRunning(running, SKILL_NAO_KICK)) {
        devOut("new Kick\n");
        return new Kick();
    }
    devOut("kick in Q\n");
    return running;
}

SkillBase* MidLevelSkills::clearBall() { return kickTowardGoal(); }

void MidLevelSkills::situation(ApproachPlan::Situation& s, TFSWalk* walk) const {
    const double now = WM->getTime();
    const Point me = WM->getMyCartPos();
    const Point ball = WM->getGlobalPosOfBall();
    s.x = me.getX();
    s.y = me.getY();
    s.facing = -WM->getDir().getZ();
    s.ballX = ball.getX();
    s.ballY = ball.getY();
    const double seenAgo = now - WM->getBall().getLastTimeSeenBall();
    s.ballKnown = WM->getLocaliser().known() && seenAgo <= kBallForgotten;
    if (seenAgo <= kFreshSighting) {
        // A fresh sighting places the ball relative to the body better than
        // the field position made of it does: that one goes through the
        // torso's lean, which a walking robot sways with.
        const Ball& seen = WM->getBall();
        const Point pol = seen.getPolarPos();
        double rx = 0.0, ry = 0.0;
        if (ApproachPlan::bodyPointOf(pol.getRo(), pol.getTeta(), pol.getPhi(), seen.getLastStepSeenHeadPanDegree(),
                                      seen.getLastStepSeenHeadTiltDegree(), rx, ry)) {
            double gx = 0.0, gy = 0.0;
            ApproachPlan::fieldPointOf(s.x, s.y, s.facing, rx, ry, gx, gy);
            if (std::isfinite(gx) && std::isfinite(gy)) {
                s.ballX = gx;
                s.ballY = gy;
            }
        }
    }
    s.time = now;
    if (now - WM->getOppGoalFlag1LastTimeSeen() <= kFreshPosts && now - WM->getOppGoalFlag2LastTimeSeen() <= kFreshPosts) {
        const Flag p1 = WM->getOppGoalFlag1(), p2 = WM->getOppGoalFlag2();
        const Point a = p1.getPolarPos(), b = p2.getPolarPos();
        s.postsSeen = ApproachPlan::bodyPointOf(a.getRo(), a.getTeta(), a.getPhi(), p1.getLastStepSeenHeadPanDegree(),
                                                p1.getLastStepSeenHeadTiltDegree(), s.post1X, s.post1Y) &&
                      ApproachPlan::bodyPointOf(b.getRo(), b.getTeta(), b.getPhi(), p2.getLastStepSeenHeadPanDegree(),
                                                p2.getLastStepSeenHeadTiltDegree(), s.post2X, s.post2Y);
    }
    s.walkSpeed = walk != nullptr ? walk->getLastSpeed() : 0.0;
    s.standing = walk == nullptr || walk->isFinished();
    for (const TeamPlay::Sighting& r : TeamPlay::robotsSeen(*WM, kFreshRobots)) s.addRobot(r.x, r.y, r.teammate);
}

SkillBase* MidLevelSkills::supportAt(Point spot) {
    static ApproachPlan plan(ApproachPlan::loadValues());
    static Updater updater;
    static double lastCall = -1.0;
    afreshIfLeft(plan, lastCall, WM->getTime());

    SkillBase* running = SM->getRunningSkill();
    TFSWalk* walk = isRunning(running, SKILL_TFS_WALK) ? static_cast<TFSWalk*>(running) : nullptr;
    ApproachPlan::Situation s;
    situation(s, walk);
    const ApproachPlan::Step step = plan.goTo(s, spot.getX(), spot.getY());
    if (walk != nullptr && !isRunning(running, SKILL_PATTERN_ALIGNER)) updater.run();
    if (step.action == ApproachPlan::TURN) return turnBy(step.degree);
    if (SkillBase* turn = endTurn(running)) return turn;
    if (step.action == ApproachPlan::WALK) {
        TFSWalk* w = walk != nullptr ? walk : new TFSWalk();
        steer(w, step.speed, step.degree);
        return w;
    }
    if (walk != nullptr) {
        walk->stopStraight();
        return walk;
    }
    // A kick or a turn under way plays out; then the standing posture.
    if (running != nullptr && !running->isFinished()) return running;
    return isRunning(running, SKILL_PATTERN_ALIGNER) ? running : new PatternAligner();
}

SkillBase* MidLevelSkills::approachAndKick() {
    static ApproachPlan plan(ApproachPlan::loadValues());
    static Updater updater;
    static double lastCall = -1.0;
    afreshIfLeft(plan, lastCall, WM->getTime());

    SkillBase* running = SM->getRunningSkill();
    if (isRunning(running, SKILL_NAO_KICK)) {
        if (!running->isFinished()) {
            holdHead();
            return running;
        }
        plan.reset();
    }
    if (isRunning(running, SKILL_NAO_STANDUP)) plan.reset();

    TFSWalk* walk = isRunning(running, SKILL_TFS_WALK) ? static_cast<TFSWalk*>(running) : nullptr;
    ApproachPlan::Situation s;
    situation(s, walk);
    if (running != nullptr && !running->isFinished() && walk == nullptr &&
        !isRunning(running, SKILL_PATTERN_ALIGNER)) {
        // A turn or another skill still under way is no stance to kick from.
        s.standing = false;
    }

    const ApproachPlan::Step step = plan.next(s);
    // The head: down at the feet near the ball, sweeping for the ball and the
    // posts elsewhere while walking; left alone while the standing posture
    // between two skills is reached (it includes the head) and while a turn
    // steps.
    const bool aligning = isRunning(running, SKILL_PATTERN_ALIGNER);
    const bool turning = isRunning(running, SKILL_TFS_TURN);
    auto head = [&](bool nearBall) {
        if (aligning || turning) return;
        if (nearBall) {
            holdHead();
        } else if (walk != nullptr) {
            updater.run();
        }
    };
    if (step.action != ApproachPlan::TURN) {
        if (SkillBase* turn = endTurn(running)) return turn;
    }
    switch (step.action) {
        case ApproachPlan::KICK:
            head(true);
            if (walk != nullptr && !walk->isFinished()) {
                walk->stopStraight();
                return walk;
            }
            return new Kick();
        case ApproachPlan::STOP:
            head(true);
            if (walk != nullptr) {
                walk->stopStraight();
                return walk;
            }
            return aligning ? running : new PatternAligner();
        case ApproachPlan::WALK: {
            const std::string phase(step.phase);
            head(phase != "to point" && phase != "round ball");
            TFSWalk* w = walk != nullptr ? walk : new TFSWalk();
            steer(w, step.speed, step.degree);
            return w;
        }
        case ApproachPlan::TURN:
            return turnBy(step.degree);
        case ApproachPlan::SEARCH:
        default: {
            head(false);
            TFSWalk* w = walk != nullptr ? walk : new TFSWalk();
            steer(w, 0.2, 60.0);
            return w;
        }
    }
}

// ---- Goalie -------------------------------------------------------------------

SkillBase* MidLevelSkills::goToGoal(bool& reached, double angleTol) {
    static UpdaterGoalie updater;
    static bool wasFitting = false;
    reached = false;

    // The goal middles come as body-relative (x, y) in metres: distance and
    // bearing are taken from them, so that a goal behind the robot is
    // walked to backward rather than walked away from.
    const std::array<double, 2> ourGoal = WM->calcMidOfOurGoal();
    const std::array<double, 2> oppGoal = WM->calcMidOfOppGoal();
    const double d = std::hypot(ourGoal[0], ourGoal[1]);
    const double b = bearingOf(ourGoal[0], ourGoal[1]);
    const double oppDir = bearingOf(oppGoal[0], oppGoal[1]);
    devOut("~~~~~~~~BEEB BEEB~~~~~~~~Dir= ", oppDir, "\n");
    devOut("dist= ", d, "\n");
    devOut("turn= ", b, "\n");
    const Course course = chooseCourse(b, false);
    double turn = course.turn;

    if (d > 1.0) wasFitting = false;

    TFSWalk* walk = nullptr;
    if (isRunning(SM->getRunningSkill(), SKILL_TFS_WALK)) {
        walk = static_cast<TFSWalk*>(SM->getRunningSkill());
    } else {
        devOut("walk constructor\n");
        walk = new TFSWalk();
        wasFitting = false;
    }

    double speed = kFullSpeed;
    if (d < 0.5 || wasFitting) {
        if (std::fabs(oppDir) < angleTol && wasFitting) {
            devOut("behinde is finished\n");
            wasFitting = false;
            reached = true;
        }
        if (d > 0.1 && !wasFitting) {
            devOut("in near the point\n");
            speed = 0.8 * course.sign();
        }
        if (d <= 0.1) {
            devOut("Fitting...\n");
            if (std::fabs(oppDir) > angleTol) speed = 0.1 * course.sign();
            wasFitting = true;
        }
        // At the goal the goalie ends up facing the opponent goal.
        if (wasFitting) turn = oppDir;
    }
    if (d >= 0.5) {
        devOut("in Far to the point \n");
        speed = 1.0 * course.sign();
    }

    // One head command per cycle: while turning to face the field the head
    // looks for the opponent posts, otherwise for our own.
    if (wasFitting && !isRunning(SM->getRunningSkill(), SKILL_NAO_STANDUP)) {
        devOut("NNNNNNNNNNNNNNNNNNNN Updater for opp is running!\n");
        updater.runForOpp();
    } else if (isRunning(SM->getRunningSkill(), SKILL_TFS_WALK)) {
        devOut("OOOOOOOOOOOOOOOOOOOO Running skill is running!\n");
        updater.run();
    }

    steer(walk, speed, -turn);
    return walk;
}

// ---- Going to points --------------------------------------------------------

SkillBase* MidLevelSkills::goToward(Point target) {
    const Aim aim = aimAt(WM, target);
    double angle = aim.angle;
    SkillBase* running = SM->getRunningSkill();

    if (running == nullptr) return new TFSWalk();

    if (!isRunning(running, SKILL_TFS_TURN)) {
        if (std::fabs(angle) > 90.0) return newTurn(turnHeading(aim.yaw, angle));
        TFSWalk* walk = nullptr;
        double threshold = 5.0;
        if (isRunning(running, SKILL_TFS_WALK)) {
            walk = static_cast<TFSWalk*>(running);
            walkForward(walk);
            // A walk going straight tolerates more before it starts to curve.
            if (std::fabs(walk->getDegree()) < 0.1) threshold = 20.0;
        } else {
            walk = new TFSWalk();
        }
        if (std::fabs(angle) < threshold) angle = 0.0;
        if (aim.dist < 0.7) angle *= 2.0;
        walk->setDegree(walkDegreeToward(angle));
        walk->setDistance(aim.dist);
        return walk;
    }

    TurnSkill* turn = static_cast<TurnSkill*>(running);
    if (std::fabs(angle) >= 10.0) {
        turn->setDeg(turnHeading(aim.yaw, angle));
        return turn;
    }
    TFSWalk* walk = new TFSWalk();
    walk->setDegree(walkDegreeToward(angle));
    walk->setDistance(aim.dist);
    return walk;
}

SkillBase* MidLevelSkills::goToPoint(Point target, double finalDir, double angleTol) {
    static bool wasFitting = false;
    static double beginWalkTime = 0.0;
    const Aim aim = aimAt(WM, target);

    if (aim.dist > 1.0) wasFitting = false;
    if (aim.dist >= 0.5 && !wasFitting) {
        devOut("Go Toward...\n");
        return goToward(target);
    }

    const double a = finiteOrZero(Geometry::normalizeAngle(finalDir - aim.yaw));
    if (std::fabs(a) < angleTol) {
        wasFitting = false;
        return nullptr;
    }
    if (aim.dist > 0.1 && !wasFitting) {
        devOut("Go Toward...\n");
        return goToward(target);
    }

    devOut("Fitting...\n");
    wasFitting = true;
    SkillBase* running = SM->getRunningSkill();
    if (running == nullptr) return new TurnSkill(turnHeading(aim.yaw, a));
    if (isRunning(running, SKILL_TFS_TURN)) {
        TurnSkill* turn = static_cast<TurnSkill*>(running);
        turn->setDeg(turnHeading(aim.yaw, a));
        return turn;
    }
    const double now = WM->getTime();
    if (std::fabs(a) >= 60.0 && now - beginWalkTime >= 2.0) {
        return newTurn(turnHeading(aim.yaw, a));
    }
    TFSWalk* walk = runningOrNewWalk();
    walkForward(walk);
    if (std::fabs(a) < 60.0) beginWalkTime = now;
    walk->setDistance(aim.dist);
    // Curve tightly round toward the target side.
    walk->setDegree(aim.angle >= 0.0 ? 70.0 : -70.0);
    return walk;
}

SkillBase* MidLevelSkills::getReadyToKick(Point target, double angleTol) {
    static bool isShooting = false;

    Point ball = WM->getGlobalPosOfBall();
    ball.setZ(0.0);
    Point me = WM->getMyCartPos();
    me.setZ(0.0);
    target.setZ(0.0);

    // The kicking point: 0.3 m behind the ball, seen from the target.
    const Point fromTarget = (ball - target).getNorm();
    const Point kickPoint = ball + fromTarget * 0.3;

    // How far the robot's way to the ball bends from the ball's way to the
    // target: 0 when robot, ball and target stand in a row in that order.
    const Point toBall = ball - me;
    const Point toTarget = target - ball;
    double angle = 0.0;
    const double lengths = toBall.getMagnitude() * toTarget.getMagnitude();
    if (lengths > 0.0) {
        const double c =
            (toBall.getX() * toTarget.getX() + toBall.getY() * toTarget.getY()) / lengths;
        angle = std::acos(std::fmax(-1.0, std::fmin(1.0, c))) * kRadToDeg;
    }
    angle = finiteOrZero(angle);
    // Unknown readings count as far off, so nobody shoots on them.
    const double ballBearing = std::fabs(WM->getBodyDirectionFromBall()[1]);
    const double bearing = std::isfinite(ballBearing) ? ballBearing : 180.0;
    const double kickDist = me.getDistanceTo2(kickPoint);

    if (isShooting) {
        if (bearing >= 60.0 || angle >= 70.0 || !(kickDist < 0.7)) isShooting = false;
    }
    if (isShooting) return nullptr;
    const bool lined = bearing < 15.0 && angle < angleTol && kickDist < 1.0;
    const bool close = bearing < 50.0 && angle < 50.0 && kickDist < 0.3;
    if (lined || close) {
        isShooting = true;
        return nullptr;
    }

    devOut("ball is in: ", ball, "\n");
    devOut("you are in: ", me, "\n");
    // Walking through the ball would push it off: pass it at 0.6 m.
    if (dmutil->isAvoidPointInMyWay(ball, kickPoint, 0.3)) {
        return goToward(dmutil->calcAvoidancePoint(me, ball, kickPoint, 0.6));
    }
    // Face the target from the kicking point; the yaw grows clockwise.
    const double facing = Geometry::normalizeAngle(-bearingOf(toTarget.getX(), toTarget.getY()));
    SkillBase* skill = goToPoint(kickPoint, facing, 5.0);
    if (skill == nullptr) isShooting = true;
    return skill;
}

SkillBase* MidLevelSkills::kickToTarget(Point target, double angleTol) {
    SkillBase* skill = getReadyToKick(target, angleTol);
    if (skill != nullptr) return skill;
    skill = goToward(WM->getGlobalPosOfBall());
    if (WM->getBodyDirectionFromBall()[0] < 0.2 && isRunning(skill, SKILL_TFS_WALK)) {
        TFSWalk* walk = static_cast<TFSWalk*>(skill);
        walk->setDegree(0.0);
        walk->setDistance(0.0);
    }
    return skill;
}

// ---- Ball geometry ------------------------------------------------------------

bool MidLevelSkills::canShootBall() {
    const Point p = dmutil->get2DRelBallPolPos();
    const double ro = p.getRo();
    return ro * std::fabs(std::sin(p.getTeta() * kDegToRad)) < 0.5 && ro < 2.2;
}

bool MidLevelSkills::isBWBetter() {
    const Point p = dmutil->get2DRelBallPolPos();
    const double ro = p.getRo();
    const double a = std::fabs(p.getTeta());
    if (a > 70.0 && a < 110.0) return true;
    if (ro < 9.0) return a < 20.0 || ro * std::fabs(std::cos(a * kDegToRad)) < 2.0;
    return ro * std::fabs(std::sin(a * kDegToRad)) < 2.0;
}

// ---- Competition blocker ------------------------------------------------------

SkillBase* MidLevelSkills::blockOpp() {
    // The blocker's own head sweep over the ball alone.
    static bool locked = false;
    static bool seeBall = false;  // true while the ball is lost
    static bool returningTurnOfHead = false;
    static bool turnHeadToRight = false;
    constexpr double kArrived = 2.0;
    constexpr double kPanGain = 15.0;
    constexpr double kPanAdd = 0.1;

    const std::array<double, 2> ball = WM->getBodyDirectionFromBall();
    const Course course = chooseCourse(ball[1], false);
    double speed = 0.9 * course.sign();
    double turn = course.turn;

    TFSWalk* walk = nullptr;
    if (isRunning(SM->getRunningSkill(), SKILL_TFS_WALK)) {
        walk = static_cast<TFSWalk*>(SM->getRunningSkill());
        const double now = WM->getTime();
        const double ballSeen = WM->getBall().getLastTimeSeenBall();
        const bool inView = ballSeen >= now - Updater::kRecentlySeen;
        const double pan = WM->getDOF(DOF_HEAD_PAN);
        double panSpeed = 0.0;
        if (!locked) {
            seeBall = !inView;
            if (seeBall) {
                locked = true;
                returningTurnOfHead = false;
                turnHeadToRight = WM->getBall().getPolarPos().getTeta() < 0;
            }
        } else {
            if (seeBall && inView) seeBall = false;
            if (!seeBall) {
                locked = false;
            } else if (Updater::sweepOverAtEnd(pan, kArrived, turnHeadToRight,
                                               returningTurnOfHead)) {
                locked = false;
            }
            if (locked) {
                panSpeed =
                    Updater::panSpeed(Updater::sweepEnd(turnHeadToRight), pan, kPanGain, kPanAdd);
            }
        }
        CC->moveHeadAx1(static_cast<float>(panSpeed));
        const double tiltTarget = now - ballSeen > 2.0 ? -45.0 : 0.0;
        CC->moveHeadAx2(
            static_cast<float>(Updater::tiltSpeed(tiltTarget, WM->getDOF(DOF_HEAD_TILT))));
    } else {
        walk = new TFSWalk();
    }

    // Close to the opponent goal the blocker has gone too far: back off. A
    // post never seen has no distance to go by.
    const double postDist = WM->getBodyDirectionFromFlagByIndex(WM->getIndexOfOppGoalFlag2())[0];
    if (postDist > 0.0 && postDist < 9.0) {
        speed = -0.1;
        turn = 0.0;
    }
    steer(walk, speed, turn / -2.0);
    return walk;
}
