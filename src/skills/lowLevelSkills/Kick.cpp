#include "skills/lowLevelSkills/Kick.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "buildMode.h"
#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/BodyState.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kHeadDeadBand = 0.01;
constexpr double kRadPerDeg = 3.14159265358979323846 / 180.0;
// Share of the sensed lag behind the line that is made up in one cycle. The
// server shows a correction two cycles late, so a larger share overshoots.
constexpr double kCatchUp = 0.3;
// Targets stay this far inside the joint limits: a joint driven to its stop
// bounces off it and ignores commands while it is there.
constexpr double kLimitMargin = 0.5;
// No phase of a kick lasts longer than this (seconds); a larger value in a
// file would leave the robot standing on one leg.
constexpr double kLongestPhase = 3.0;
// A sighting at most this old (seconds) tells where the ball is now.
constexpr double kFreshSighting = 0.1;
// Head tilt that brings a ball at the feet into view (the approach holds
// the head there too).
constexpr double kLookTilt = -30.0;
// Cycles the kick looks for the ball at most before it goes on without.
constexpr int kLongestLook = 50;
// Where the kick wants the ball, as seen from the head: this far ahead
// (metres; the ball is then 0.20 m before the torso centre).
constexpr double kIdealAhead = 0.19;
// A ball seen farther off the ideal spot than this moves the foot no more.
constexpr double kLargestOffset = 0.05;

// Joint limits in degrees by DOFID, as the angles are sensed (the shoulders'
// first joint counted from the hanging arm).
const double kMin[DOF_COUNT] = {-120, -45, -30,  -95, -120, -1,  -30, -1,  -120, -90, -90,
                                -45,  -25, -130, -45, -25,  -90, -25, -25, -130, -45, -45};
const double kMax[DOF_COUNT] = {120, 45,  180, 1,  120, 90, 180, 95,  120, 1,  1,
                                25,  100, 1,   75, 45,  1,  45,  100, 1,   75, 25};

// The standing posture the kick starts from and returns to (the default
// posture aligner's).
const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};

// The joint on the other side of the body, and whether its angle turns sign
// in the mirror image: joints about the body's long and forward axes (rolls,
// twists, elbows) do, pitch joints and the hip yaws do not.
struct Mirror {
    DOFID other;
    double sign;
};
const Mirror kMirror[DOF_COUNT] = {
    {DOF_HEAD_PAN, -1},    {DOF_HEAD_TILT, 1}, {DOF_SHOULDER_LX, 1}, {DOF_SHOULDER_LY, -1},
    {DOF_SHOULDER_LT, -1}, {DOF_ELBOW_L, -1},  {DOF_SHOULDER_RX, 1}, {DOF_SHOULDER_RY, -1},
    {DOF_SHOULDER_RT, -1}, {DOF_ELBOW_R, -1},  {DOF_LEG_LT, 1},      {DOF_LEG_LY, -1},
    {DOF_LEG_LX, 1},       {DOF_KNEE_L, 1},    {DOF_ANKLE_LX, 1},    {DOF_ANKLE_LY, -1},
    {DOF_LEG_RT, 1},       {DOF_LEG_RY, -1},   {DOF_LEG_RX, 1},      {DOF_KNEE_R, 1},
    {DOF_ANKLE_RX, 1},     {DOF_ANKLE_RY, -1}};

bool isAngle(double v) { return std::isfinite(v) && std::fabs(v) < BodyState::kUnsetLimit; }

// One leg's posture for a kick with the right foot: roll, pitch, knee,
// ankle pitch and ankle roll.
void setLeg(double (&pose)[DOF_COUNT], bool right, double roll, double pitch, double knee,
            double ankle, double ankleRoll) {
    pose[right ? DOF_LEG_RY : DOF_LEG_LY] = roll;
    pose[right ? DOF_LEG_RX : DOF_LEG_LX] = pitch;
    pose[right ? DOF_KNEE_R : DOF_KNEE_L] = knee;
    pose[right ? DOF_ANKLE_RX : DOF_ANKLE_LX] = ankle;
    pose[right ? DOF_ANKLE_RY : DOF_ANKLE_LY] = ankleRoll;
}

void mirror(double (&pose)[DOF_COUNT]) {
    double copy[DOF_COUNT];
    std::copy(pose, pose + DOF_COUNT, copy);
    for (int i = 0; i < DOF_COUNT; ++i) pose[kMirror[i].other] = kMirror[i].sign * copy[i];
}

}  // namespace

const std::vector<SkillParams::Param>& Kick::paramList() {
    // Angles in degrees, times in seconds; for a kick with the right foot
    // (the left foot's kick is its mirror image).
    static const std::vector<SkillParams::Param> list = {
        {"shiftRoll", 14.0},   // both hips roll this far to bring the torso over the support foot
        {"shiftTime", 0.6},    // time for that shift
        {"lean", 4.0},         // the torso leans forward by this much at both hips
        {"liftHip", 38.0},     // kicking hip pitch with the foot lifted, cocked behind the ball
        {"liftKnee", -75.0},   // kicking knee then
        {"liftTime", 0.3},     // time to lift the foot
        {"swingHip", 80.0},    // kicking hip pitch the swing aims at
        {"swingKnee", -5.0},   // kicking knee the swing aims at
        {"swingAnkle", 0.0},   // toes up (positive) against a flat foot at the swing's end
        {"swingTime", 0.1},    // time of the swing (shorter than the joints can: they go flat out)
        {"retractTime", 0.3},  // time to pull the foot back under the body
        {"lowerTime", 0.3},    // time to set it down
        {"returnTime", 0.6},   // time to bring the weight back onto both feet
        {"holdTime", 0.6},     // standing still before the kick counts as over
        {"supportRoll", 3.0},  // extra roll of the support leg while the foot is up
        {"armOut", 0.0},       // both arms raised sideways by this much
        {"kickRoll", 0.0},     // the kicking leg rolls this much further out while in the air
        {"swingLean", 0.0},    // the support ankle tips the body forward by this much in the swing
        {"reach", 300.0},  // degrees more kicking hip when cocked, per metre the ball lies farther
    };
    return list;
}

double Kick::minAngle(int dof) { return dof >= 0 && dof < DOF_COUNT ? kMin[dof] : 0.0; }
double Kick::maxAngle(int dof) { return dof >= 0 && dof < DOF_COUNT ? kMax[dof] : 0.0; }

Kick::Kick()
    : values(),
      targets{},
      cycles{},
      from{},
      phase(PHASE_SHIFT),
      cycle(0),
      started(false),
      looking(false),
      lookCycles(0),
      headDownCycles(0),
      ahead(0.2),
      endStart(false),
      Case_Pos(1),
      Case_Ft(1) {
    init();
}

bool Kick::init() {
    devOut("===================== INIT ========================\n");
    finished = false;
    endStart = false;
    started = false;
    headDownCycles = 0;
    cycle = 0;
    phase = PHASE_SHIFT;

    chooseCase();
    // Without a fresh sighting the foot would be a guess: look down first.
    looking = !(WM->getTime() - WM->getBall().getLastTimeSeenBall() <= kFreshSighting);
    lookCycles = 0;
    if (looking) devOut("looking for the ball\n");

    const auto& list = paramList();
    values = SkillParams::getUniqueInstance()->values(kSkillName, list);
    // A value that is no number (a broken file, a learner gone astray)
    // keeps the kick's own.
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values[i])) values[i] = list[i].designValue;
    }
    plan();
    devOut(" --- INIT FINISHED\n");
    return true;
}

void Kick::chooseCase() {
    const double d = calcLegDistToBall();
    devOut("Dist=", d, "\n");
    // A distance that is not a number is no reason to reach for the ball.
    Case_Pos = d > kNearDistance ? 1 : 2;

    const Point ball = WM->getBall().getPolarPos();
    devOut("BALL_TETA=", ball.getTeta(), "\n");
    const double s = WM->getDOF(DOF_HEAD_PAN) + ball.getTeta();
    Case_Ft = s < 0 ? 1 : 2;
    ahead = calcBallAhead();
    devOut("ahead=", ahead, "\n");
    devOut(Case_Pos == 1 ? "not too near\n" : " too near\n");
    devOut(Case_Ft == 1 ? "right foot kicks\n" : "left foot kicks\n");
}

bool Kick::look() {
    ++lookCycles;
    const bool headDown =
        moveHead(kLookTilt) || std::fabs(WM->getDOF(DOF_HEAD_TILT) - kLookTilt) < 5.0;
    // A sighting counts once the head has been down for as long as a
    // command takes to show and a vision cycle to come.
    if (headDown) ++headDownCycles;
    const bool seen = headDownCycles > kLatency + 3 &&
                      WM->getTime() - WM->getBall().getLastTimeSeenBall() <= kFreshSighting;
    if (!seen && lookCycles < kLongestLook) return false;
    chooseCase();
    if (!seen) {
        // Nothing is known of the ball: kick as if it lay on the ideal spot.
        ahead = kIdealAhead;
        devOut("ball not found; kicking with the foot last chosen\n");
    }
    plan();
    return true;
}

void Kick::plan() {
    const double* v = values.data();
    const double roll = v[P_SHIFT_ROLL];
    const double supportRoll = roll + v[P_SUPPORT_ROLL];
    const double lean = v[P_LEAN];
    const double stand[3] = {kStanding[DOF_LEG_RX], kStanding[DOF_KNEE_R], kStanding[DOF_ANKLE_RX]};

    // Both legs rolled alike keep the feet flat and parallel: the torso
    // slides sideways over the support foot (the left one: the right kicks).
    double shifted[DOF_COUNT];
    std::copy(kStanding, kStanding + DOF_COUNT, shifted);
    setLeg(shifted, true, -roll, stand[0] + lean, stand[1], stand[2], roll);
    setLeg(shifted, false, -roll, stand[0] + lean, stand[1], stand[2], roll);
    shifted[DOF_SHOULDER_RY] = kStanding[DOF_SHOULDER_RY] - v[P_ARM_OUT];
    shifted[DOF_SHOULDER_LY] = kStanding[DOF_SHOULDER_LY] + v[P_ARM_OUT];

    // The kicking foot in the air, cocked behind the ball: its sole stays
    // parallel to the ground (hip, knee and ankle pitch add up to the lean).
    // A bent leg is shorter, so the roll that kept the foot in place on the
    // ground moves it toward the support foot in the air; kickRoll makes up.
    // A ball farther or nearer than the ideal spot moves the cocked foot
    // with it, so that the swing meets the ball where the foot is fastest.
    const double airRoll = -roll - v[P_KICK_ROLL];
    const double offset = std::isfinite(ahead)
                              ? std::clamp(ahead - kIdealAhead, -kLargestOffset, kLargestOffset)
                              : 0.0;
    const double liftHip = v[P_LIFT_HIP] + v[P_REACH] * offset;
    double lifted[DOF_COUNT];
    std::copy(shifted, shifted + DOF_COUNT, lifted);
    setLeg(lifted, false, -supportRoll, stand[0] + lean, stand[1], stand[2], supportRoll);
    setLeg(lifted, true, airRoll, liftHip + lean, v[P_LIFT_KNEE], -(liftHip + v[P_LIFT_KNEE]),
           -airRoll);

    double swung[DOF_COUNT];
    std::copy(lifted, lifted + DOF_COUNT, swung);
    swung[DOF_ANKLE_LX] -= v[P_SWING_LEAN];
    setLeg(swung, true, airRoll, v[P_SWING_HIP] + lean, v[P_SWING_KNEE],
           -(v[P_SWING_HIP] + v[P_SWING_KNEE]) + v[P_SWING_ANKLE], -airRoll);

    const double* poses[PHASE_COUNT] = {shifted, lifted,    swung,    lifted,
                                        shifted, kStanding, kStanding};
    const int timeIndex[PHASE_COUNT] = {P_SHIFT_TIME, P_LIFT_TIME,   P_SWING_TIME, P_RETRACT_TIME,
                                        P_LOWER_TIME, P_RETURN_TIME, P_HOLD_TIME};
    for (int p = 0; p < PHASE_COUNT; ++p) {
        std::copy(poses[p], poses[p] + DOF_COUNT, targets[p]);
        if (Case_Ft == 2) mirror(targets[p]);
        for (int j = 0; j < DOF_COUNT; ++j) {
            targets[p][j] =
                std::clamp(targets[p][j], kMin[j] + kLimitMargin, kMax[j] - kLimitMargin);
        }
        const double seconds = std::clamp(v[timeIndex[p]], 0.0, kLongestPhase);
        cycles[p] = std::max(1, static_cast<int>(std::lround(seconds / kCycle)));
    }
}

int Kick::getPhaseCycles(Phase p) const { return p >= 0 && p < PHASE_COUNT ? cycles[p] : 0; }

const double* Kick::getPhaseTarget(Phase p) const {
    return targets[p >= 0 && p < PHASE_COUNT ? p : PHASE_HOLD];
}

double Kick::lineAt(int n, int dof) const {
    if (n <= 0) return from[dof];
    int begin = 0;
    for (int p = 0; p < PHASE_COUNT; ++p) {
        const int end = begin + cycles[p];
        if (n <= end) {
            const double a = p == 0 ? from[dof] : targets[p - 1][dof];
            const double b = targets[p][dof];
            return a + (b - a) * static_cast<double>(n - begin) / cycles[p];
        }
        begin = end;
    }
    return targets[PHASE_COUNT - 1][dof];
}

void Kick::follow() {
    // Command n moves the joint from the line's point n to point n + 1 and
    // shows in the angle sensed two cycles later, so the angle sensed now
    // should be the line's point n - 1.
    for (int j = DOF_HEAD_TILT + 1; j < DOF_COUNT; ++j) {
        double degrees = lineAt(cycle + 1, j) - lineAt(cycle, j);
        const double sensed = WM->getDOF(j);
        if (isAngle(sensed)) degrees += kCatchUp * (lineAt(cycle - (kLatency - 1), j) - sensed);
        double speed = degrees * kRadPerDeg / kCycle;
        if (!std::isfinite(speed)) speed = 0.0;
        speed = std::clamp(speed, -kMaxSpeed, kMaxSpeed);
        CC->moveHingJoint(j, static_cast<float>(speed));
    }
}

bool Kick::run() {
    if (finished) return true;
    if (looking) {
        if (!look()) {
            // The body holds still while the head looks.
            for (int j = DOF_HEAD_TILT + 1; j < DOF_COUNT; ++j) CC->moveHingJoint(j, 0.0f);
            return finished;
        }
        CC->moveHeadAx2(0.0f);
        looking = false;
    }
    if (!started) {
        // The line starts where the body is; a joint that reports no angle
        // starts where the first phase wants it.
        for (int j = 0; j < DOF_COUNT; ++j) {
            const double sensed = WM->getDOF(j);
            from[j] = isAngle(sensed) ? sensed : targets[PHASE_SHIFT][j];
        }
        started = true;
    }

    int begin = 0;
    phase = PHASE_DONE;
    for (int p = 0; p < PHASE_COUNT; ++p) {
        if (cycle < begin + cycles[p]) {
            phase = static_cast<Phase>(p);
            break;
        }
        begin += cycles[p];
    }

    if (phase == PHASE_DONE) {
        // Leave every joint still for whatever runs next.
        for (int j = DOF_HEAD_TILT + 1; j < DOF_COUNT; ++j) CC->moveHingJoint(j, 0.0f);
        finished = true;
        devOut("========= kick over =======\n");
        return finished;
    }
    devOut("kick phase ", static_cast<int>(phase), " cycle ", cycle, "\n");
    follow();
    ++cycle;
    return finished;
}

SkillID Kick::getSkillID() { return SKILL_NAO_KICK; }

void Kick::RestartSkill() {
    CC->stopAllJoints();
    endStart = true;
    init();
    run();
    devOut("======== Skill ReStart ========\n");
}

bool Kick::moveHead(double tilt) {
    const double e = tilt - WM->getDOF(DOF_HEAD_TILT);
    const double speed = e / (kCycle * 180.0);
    // A reading or target that is no angle (or a speed no float can hold)
    // leaves the head still and never counts as arrived.
    if (!(std::fabs(speed) <= std::numeric_limits<float>::max())) {
        CC->moveHeadAx2(0.0f);
        return false;
    }
    if (std::fabs(e) > kHeadDeadBand) {
        CC->moveHeadAx2(static_cast<float>(speed));
        return false;
    }
    CC->moveHeadAx2(0.0f);
    return true;
}

double Kick::calcBallAhead() {
    const Ball ball = WM->getBall();
    const Point pol = ball.getPolarPos();
    const double ro = pol.getRo();
    const double phi = pol.getPhi() * kRadPerDeg;
    const double teta = pol.getTeta() * kRadPerDeg;
    const double tilt = ball.getLastStepSeenHeadTiltDegree() * kRadPerDeg;
    const double pan = ball.getLastStepSeenHeadPanDegree() * kRadPerDeg;
    // The sighting in the head's frame, then the head's tilt and pan undone:
    // the ball's place before the head, along the body's forward axis.
    const double x = ro * std::cos(phi) * std::cos(teta);
    const double y = ro * std::cos(phi) * std::sin(teta);
    const double z = ro * std::sin(phi);
    const double forward = x * std::cos(tilt) - z * std::sin(tilt);
    return forward * std::cos(pan) - y * std::sin(pan);
}

double Kick::calcLegDistToBall() {
    const Ball ball = WM->getBall();
    const Point pol = ball.getPolarPos();
    return pol.getRo() *
           std::cos((pol.getPhi() + ball.getLastStepSeenHeadTiltDegree()) * kDegToRad);
}
