#include "skills/lowLevelSkills/TurnSkill.h"

#include <algorithm>
#include <cmath>

#include "buildMode.h"
#include "control/TurnOsc.h"
#include "geometry/Geometry.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

// The follower closes the error over a hundred control steps.
constexpr double kFollowerSteps = 100.0;
constexpr double kDeadBand = 0.01;

// A positive error asks for a growing yaw, which the gait's
// counter-clockwise phase gives (the world model's yaw grows clockwise).
RotateDirection directionOf(double err) { return err > 0 ? Counter_Clock_Wise : Clock_Wise; }

double finiteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

constexpr double kDegToRad = 0.017453292519943295;

// q <- normalise(q + h/2 * (0, w) * q): the engine's own update of a body's
// orientation over one step, with `w` the angular velocity in the world.
void rotateBy(double (&q)[4], const double (&w)[3], double h) {
    const double a = 0.5 * h;
    const double dq[4] = {-a * (w[0] * q[1] + w[1] * q[2] + w[2] * q[3]),
                          a * (w[0] * q[0] + w[1] * q[3] - w[2] * q[2]),
                          a * (w[1] * q[0] + w[2] * q[1] - w[0] * q[3]),
                          a * (w[2] * q[0] + w[0] * q[2] - w[1] * q[1])};
    double n = 0.0;
    for (int i = 0; i < 4; ++i) {
        q[i] += dq[i];
        n += q[i] * q[i];
    }
    n = std::sqrt(n);
    if (!(n > 0.0) || !std::isfinite(n)) {
        q[0] = 1.0;
        q[1] = q[2] = q[3] = 0.0;
        return;
    }
    for (double& c : q) c /= n;
}

// v rotated by q (torso frame into the world).
void rotate(const double (&q)[4], const double (&v)[3], double (&out)[3]) {
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    out[0] =
        (1 - 2 * (y * y + z * z)) * v[0] + 2 * (x * y - w * z) * v[1] + 2 * (x * z + w * y) * v[2];
    out[1] =
        2 * (x * y + w * z) * v[0] + (1 - 2 * (x * x + z * z)) * v[1] + 2 * (y * z - w * x) * v[2];
    out[2] =
        2 * (x * z - w * y) * v[0] + 2 * (y * z + w * x) * v[1] + (1 - 2 * (x * x + y * y)) * v[2];
}

// The direction the torso faces (its +y axis) seen from above, degrees
// counter-clockwise; not a number when the torso lies with it upright.
double facingOf(const double (&q)[4]) {
    const double forward[3] = {0.0, 1.0, 0.0};
    double f[3];
    rotate(q, forward, f);
    if (std::hypot(f[0], f[1]) < 0.2) return std::nan("");
    return std::atan2(f[1], f[0]) / kDegToRad;
}

}  // namespace

const std::vector<SkillParams::Param>& TurnSkill::paramList() {
    // The gait is the turn's original table. The stopping rules did not
    // exist in it (it stopped only by landing within 0.1 degrees); their
    // defaults here are a cautious start for the tuning.
    static const std::vector<SkillParams::Param> list = {
        {"hipRollAmplitude", -21.0775},  // degrees
        {"hipPitchAmplitude", 7.57088},  // degrees
        {"hipPitchOffset", 0.245435},    // degrees
        {"hipYawAmplitude", -22.5117},   // degrees
        {"kneeAmplitude", -29.8764},     // degrees
        {"kneeOffset", -14.7555},        // degrees
        {"period", 0.596956},            // seconds
        {"tolerance", 5.0},              // degrees: standing, a larger error turns again
        {"stopError", 5.0},              // degrees left in the direction of travel
        {"slowZone", 30.0},              // degrees: the hip yaw shrinks within it
        {"minYawScale", 0.3},            // the smallest fraction of the hip yaw
        {"settleTime", 0.5},             // seconds standing before turning again
    };
    return list;
}

TurnSkill::TurnSkill(double deg)
    : params{0, 0, 0, 0, 0, 0, 0},
      tolerance(5.0),
      stopError(5.0),
      slowZone(30.0),
      minYawScale(0.3),
      settleTime(0.5),
      beginTime(WM->getTime()),
      Degree(finiteOr(deg, 0.0)),
      rotDir(directionOf(Degree)),
      MinErr(kDeadBand) {
    const std::vector<double> v = SkillParams::getUniqueInstance()->values(kSkillName, paramList());
    for (int i = 0; i < kGaitCount; ++i) params[i] = v[i];
    // A value that makes no sense falls back to a harmless one rather than
    // leaving the robot spinning or frozen.
    tolerance = std::max(0.1, finiteOr(v[7], 5.0));
    stopError = std::min(finiteOr(v[8], 5.0), tolerance);
    slowZone = std::max(0.0, finiteOr(v[9], 0.0));
    minYawScale = std::clamp(finiteOr(v[10], 1.0), 0.0, 1.0);
    settleTime = std::max(0.0, finiteOr(v[11], 0.0));
}

TurnSkill::TurnSkill() : TurnSkill(0.0) {}

void TurnSkill::setDeg(double deg) {
    if (!std::isfinite(deg) || deg == Degree) return;
    Degree = deg;
    // The caller measured the new target from the world model's yaw of
    // this cycle: steer from that same yaw.
    anchorPending = true;
}

double TurnSkill::getDeg() const { return Degree; }
RotateDirection TurnSkill::getRotDir() const { return rotDir; }

void TurnSkill::setOscParameters(const double* p) {
    if (p == nullptr) return;
    for (int i = 0; i < kGaitCount; ++i) params[i] = p[i];
}

SkillID TurnSkill::getSkillID() { return SKILL_TFS_TURN; }

RotateDirection TurnSkill::chooseDirection(double err, bool stepping, RotateDirection current) {
    if (stepping && std::fabs(err) > 180.0 - kWrapBand) return current;
    return directionOf(err);
}

double TurnSkill::yawScaleFor(double err, double slowZone, double minScale) {
    const double e = std::fabs(err);
    if (!(slowZone > 0.0) || !(e < slowZone)) return 1.0;
    return std::max(minScale, e / slowZone);
}

bool TurnSkill::sawLandmarksNow() const {
    const double now = WM->getTime();
    for (int i = 0; i < WorldModel::kFlagCount; ++i) {
        if (std::fabs(WM->getAFlagByIndex(i).getLastTimeSeenFlag(i) - now) < 0.005) return true;
    }
    return false;
}

bool TurnSkill::anchorHeading() {
    const double now = WM->getTime();
    if (!std::isfinite(pendingSince)) pendingSince = now;
    // The world model's yaw changes only when the robot sees landmarks
    // (every third cycle at best); taken between two looks it is the yaw of
    // the last look, and the robot may have turned since. So the anchor
    // waits for a look, but not for ever: from inside its own half a robot
    // may see none of the flags its yaw is made from.
    if (!sawLandmarksNow() && now - pendingSince < kAnchorWait) return false;
    const double yaw = WM->getDir().getZ();
    if (!std::isfinite(yaw)) return false;
    pendingSince = std::nan("");
    heading = yaw;
    anchorHeading_ = yaw;
    anchorPending = false;
    // The torso's lean from the accelerometer, which reads the ground's
    // push straight up whenever the robot is not jolted: the rotation that
    // takes that direction to the vertical. Without a sound reading the
    // torso counts as upright.
    attitude[0] = 1.0;
    attitude[1] = attitude[2] = attitude[3] = 0.0;
    if (WM->hasAcc()) {
        const Point a = WM->getAcc();
        const double n = std::sqrt(a.getX() * a.getX() + a.getY() * a.getY() + a.getZ() * a.getZ());
        if (std::isfinite(n) && n > 5.0 && n < 15.0 && a.getZ() > 0.0) {
            // Shortest arc from up = a / n to (0, 0, 1): axis up x z, half
            // angle from 1 + up . z.
            const double ux = a.getX() / n, uy = a.getY() / n, uz = a.getZ() / n;
            double q[4] = {1.0 + uz, uy, -ux, 0.0};
            const double m = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
            for (int i = 0; i < 4; ++i) attitude[i] = q[i] / m;
        }
    }
    anchorFacing = facingOf(attitude);
    return true;
}

void TurnSkill::trackHeading() {
    const double now = WM->getTime();
    const double gap = now - lastRunTime;
    lastRunTime = now;
    // Runs that far apart missed the turning in between: the track is lost.
    if (!(gap >= 0.0 && gap <= kLongestGap)) heading = std::nan("");
    if (anchorPending || !std::isfinite(heading)) {
        const bool tracking = std::isfinite(heading);
        // While a new anchor waits for a look at the landmarks, the old one
        // carries on: the new target was measured from the same (last
        // seen) yaw.
        if (anchorHeading() || !tracking) return;
    }
    // The gyro gives the torso's rotation rate in its own frame, and the
    // server turns a body by exactly that rate over each step: the same
    // update here follows the torso's full attitude. Its rate about its own
    // up axis alone would not do: the torso rocks by more than a hundred
    // degrees a second while it steps, and leans while it does.
    const Point r = WM->getGyro().getRate();
    const double body[3] = {r.getX() * kDegToRad, r.getY() * kDegToRad, r.getZ() * kDegToRad};
    if (!std::isfinite(body[0]) || !std::isfinite(body[1]) || !std::isfinite(body[2])) return;
    double world[3];
    rotate(attitude, body, world);
    rotateBy(attitude, world, gap);
    const double facing = facingOf(attitude);
    if (!std::isfinite(facing) || !std::isfinite(anchorFacing)) return;
    // The yaw grows clockwise, the facing counter-clockwise.
    heading = Geometry::normalizeAngle(anchorHeading_ - (facing - anchorFacing));
}

void TurnSkill::startStepping(RotateDirection dir) {
    stepping = true;
    lastStep = 0.0;
    rotDir = dir;
    // The gait starts at its first phase from a standing robot.
    beginTime = WM->getTime();
}

bool TurnSkill::stepEnded() {
    const double half = params[6] / 2.0;
    const double t = (WM->getTime() - beginTime) + kCycleStep;
    if (!(half > 0.0) || !std::isfinite(t / half)) return true;
    const double step = std::floor(t / half);
    const bool ended = step != lastStep;
    lastStep = step;
    return ended;
}

void TurnSkill::stand() {
    if (stepping) standingSince = WM->getTime();
    stepping = false;
}

bool TurnSkill::run() {
    trackHeading();
    const double err = Geometry::normalizeAngle(Degree - heading);
    lastErr = err;
    if (!std::isfinite(err)) {
        stand();
    } else if (stepping) {
        const RotateDirection dir = chooseDirection(err, true, rotDir);
        // What is left in the direction of travel; kept across half a
        // turn, that is the long way round.
        double ahead = dir == Counter_Clock_Wise ? err : -err;
        if (ahead < -(180.0 - kWrapBand)) ahead += 360.0;
        // Reversing mid-step would jerk every joint half a gait cycle: stop
        // and start afresh the other way. Either way the robot stops where
        // a step ends, both feet down: stopped in mid-step it rocks from
        // foot to foot for most of a second.
        const bool boundary = stepEnded();
        if ((dir != rotDir || ahead <= stopError) && boundary) stand();
    } else if (std::fabs(err) > tolerance && WM->getTime() - standingSince >= settleTime) {
        startStepping(chooseDirection(err, false, rotDir));
    }
    devOut("turn: heading ", heading, " target ", Degree, " error ", err,
           stepping ? " stepping\n" : " standing\n");

    if (stepping) {
        fallower(rotDir, yawScaleFor(err, slowZone, minYawScale));
    } else {
        PatternAligner standing;
        standing.run();
    }
    // Done once it has stood still at its heading, which it must know. Not
    // while it steps or stops: the skill manager drops a finished skill
    // when the behaviour asks for nothing (as it does the moment it thinks
    // the robot faces its way), and a turn dropped in mid-step leaves the
    // legs moving at their last speeds; a behaviour that wants another
    // skill gets it once the turn stands.
    finished = !stepping && std::isfinite(err) && WM->getTime() - standingSince >= settleTime;
    return finished;
}

double TurnSkill::predictEffector(double current, double target) const {
    const double err = target - current;
    if (!std::isfinite(err) || MinErr > std::fabs(err)) return 0.0;
    const double v = err / (kCycleStep * kFollowerSteps);
    if (std::fabs(v) > kMaxJointSpeed) return err > 0 ? kMaxJointSpeed : -kMaxJointSpeed;
    return v;
}

void TurnSkill::fallower(RotateDirection dir, double yawScale) {
    const double t = (WM->getTime() - beginTime) + kCycleStep;
    double gait[kGaitCount];
    std::copy(params, params + kGaitCount, gait);
    gait[3] *= finiteOr(yawScale, 1.0);
    TurnOsc osc(t, dir);
    osc.setOscParameters(gait);
    osc.calcOsc();
    auto follow = [this](DOFID joint, double target) {
        return static_cast<float>(predictEffector(WM->getDOF(joint), target));
    };
    CC->moveRLegAx1(follow(DOF_LEG_RX, osc.getRHeapX()));
    CC->moveLLegAx1(follow(DOF_LEG_LX, osc.getLHeapX()));
    CC->moveRLegAx2(follow(DOF_LEG_RY, osc.getRHeapY()));
    CC->moveLLegAx2(follow(DOF_LEG_LY, osc.getLHeapY()));
    CC->moveRKnee(follow(DOF_KNEE_R, osc.getRKnee()));
    CC->moveLKnee(follow(DOF_KNEE_L, osc.getLKnee()));
    CC->rotateRLeg(follow(DOF_LEG_RT, osc.getRHeapRot()));
    CC->rotateLLeg(follow(DOF_LEG_LT, osc.getLHeapRot()));
    CC->moveRAnkleAx1(follow(DOF_ANKLE_RX, osc.getRAnkleX()));
    CC->moveLAnkleAx1(follow(DOF_ANKLE_LX, osc.getLAnkleX()));
    CC->moveRAnkleAx2(follow(DOF_ANKLE_RY, osc.getRAnkleY()));
    CC->moveLAnkleAx2(follow(DOF_ANKLE_LY, osc.getLAnkleY()));
}
