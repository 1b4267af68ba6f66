#include "skills/lowLevelSkills/Kick.h"

#include <cmath>
#include <limits>
#include <list>

#include "buildMode.h"
#include "geometry/Point.h"
#include "objects/Ball.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

// One server cycle: the head is moved so that it would cover the error in
// one cycle at the builder's speed scale.
constexpr double kCycleStep = 0.02;
constexpr double kHeadDeadBand = 0.01;

// Leg joints of the keyframe table, in column order.
const DOFID kLegColumns[10] = {DOF_LEG_RY,   DOF_LEG_RX, DOF_KNEE_R, DOF_ANKLE_RX,
                               DOF_ANKLE_RY, DOF_LEG_LY, DOF_LEG_LX, DOF_KNEE_L,
                               DOF_ANKLE_LX, DOF_ANKLE_LY};

// Keyframes by [Case_Pos - 1][Case_Ft - 1][keyframe]. The closing keyframe of
// the too-near cases is not a leg row; it is built apart.
const double kLegRows[2][2][3][10] = {
    {// not too near
     {{-15, 25, -45, 20, 15, -10, 10, -15, 10, 10},
      {-15, 40, -55, 5, 15, -10, 7, -12, 7, 10},
      {-10, 30, -25, 5, -10, -10, 30, -25, 5, 10}},
     {{10, 10, -15, 10, -10, 15, 25, -45, 20, -15},
      {10, 7, -12, 7, -10, 15, 40, -55, 5, -15},
      {10, 30, -25, 5, -10, 10, 30, -25, 5, -10}}},
    {// too near
     {{-20, 27, -40, 30, 20, -20, 27, -40, 30, 20},
      {-20, 19.99, -30, 0, 20, -15, 20, -20, 10, 15},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
     {{20, 27, -40, 30, -20, 20, 27, -40, 30, -20},
      {15, 20, -20, 10, -15, 20, 19.99, -30, 0, -20},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}}};

void fillKeyframe(double (&out)[DOF_COUNT], const double (&legs)[10]) {
    for (double& v : out) v = 0;
    out[DOF_HEAD_TILT] = 15;
    out[DOF_SHOULDER_RT] = 90;
    out[DOF_ELBOW_R] = 30;
    out[DOF_SHOULDER_LT] = -90;
    out[DOF_ELBOW_L] = -30;
    for (int i = 0; i < 10; ++i) out[kLegColumns[i]] = legs[i];
}

// Closing keyframe from close up: everything straight, arms slightly out.
void fillNearClosing(double (&out)[DOF_COUNT]) {
    for (double& v : out) v = 0;
    out[DOF_SHOULDER_RY] = -10;
    out[DOF_SHOULDER_LY] = 10;
}

const char* footLine(int caseFt) {
    return caseFt == 1 ? "Not too near and Right foot\n" : "Not too near and Left foot\n";
}

}  // namespace

Kick::Kick()
    : PM(new PatternMonitor(1.0, 0.0)),
      BS(new BodyState()),
      Initial_Ball_Pos(0),
      endStart(false),
      flag1(false),
      flag2(false),
      p{},
      state1{},
      state2{},
      state3{},
      Case_Pos(1),
      Case_Ft(1),
      swingCount(0) {
    init();
}

Kick::~Kick() = default;

bool Kick::init() {
    devOut("===================== INIT ========================\n");
    finished = false;
    endStart = false;
    flag1 = true;
    flag2 = false;
    swingCount = 0;

    const double d = calcLegDistToBall();
    devOut("Dist=", d, "\n");
    // A distance that is not a number is no reason to reach for the ball.
    Case_Pos = d > kNearDistance ? 1 : 2;

    const Point ball = WM->getBall().getPolarPos();
    devOut("BALL_TETA=", ball.getTeta(), "\n");
    const double s = WM->getDOF(DOF_HEAD_PAN) + ball.getTeta();
    Case_Ft = s < 0 ? 1 : 2;

    // The head does not hold up the phases.
    for (int i = 0; i < DOF_COUNT; ++i) PM->setWeight(i <= DOF_HEAD_TILT ? 0.0 : 1.0, i);

    devOut(Case_Pos == 1 ? "not too near\n" : " too near\n");
    if (Case_Ft == 2) devOut("left foot kicks\n");
    const auto& rows = kLegRows[Case_Pos - 1][Case_Ft - 1];
    fillKeyframe(state1, rows[0]);
    fillKeyframe(state2, rows[1]);
    if (Case_Pos == 1) {
        fillKeyframe(state3, rows[2]);
    } else {
        fillNearClosing(state3);
    }

    PM->setPattern(std::list<BodyState>());
    const double* states[3] = {state1, state2, state3};
    for (int k = 0; k < 3; ++k) queueKeyframe(states[k], pa[k], *BS, *PM);
    devOut(" --- INIT FINISHED\n");
    return true;
}

unsigned int Kick::getQueuedKeyframes() const {
    return static_cast<unsigned int>(PM->getPattern().size());
}

bool Kick::run() {
    const unsigned int n = getQueuedKeyframes() == 0 ? 0 : PM->monitor();
    devOut("size = ", getQueuedKeyframes(), "\n");

    if (n == 3) {
        pa[0].run();
        devOut("======= PA step 1 =======\n");
    } else if (n == 2) {
        pa[1].run();
        devOut("======= PA step 2 =======\n");
    } else if (swingCount <= kLastPreparationCount) {
        // Preparation: tip the kicking foot up; from close up there is no
        // room for it and the foot stays as it is.
        if (Case_Pos == 1) {
            if (Case_Ft == 1) {
                CC->moveRAnkleAx1(-1.0f);
            } else {
                CC->moveLAnkleAx1(-1.0f);
            }
            devOut(footLine(Case_Ft));
        }
        ++swingCount;
        devOut("s_count = ", swingCount, "\n");
    } else if (swingCount < kSwingEndCount) {
        // Swing: lean the support leg into the kick and whip the kicking leg.
        if (Case_Pos == 1) {
            if (Case_Ft == 1) {
                CC->moveLLegAx1(-1.0f);
                CC->moveLAnkleAx1(1.0f);
            } else {
                CC->moveRLegAx1(-1.0f);
                CC->moveRAnkleAx1(1.0f);
            }
            devOut(footLine(Case_Ft));
        }
        if (Case_Ft == 1) {
            CC->moveRLegAx1(kSwingSpeed);
            CC->moveRKnee(kSwingSpeed);
            devOut("Both Not too near and near and Right foot\n");
        } else {
            CC->moveLLegAx1(kSwingSpeed);
            CC->moveLKnee(kSwingSpeed);
            devOut("Both Not too near and near and Left foot\n");
        }
        ++swingCount;
        devOut("s_count = ", swingCount, "\n");
    } else if (n == 1) {
        pa[2].run();
        devOut("======= PA step 3 =======\n");
    } else if (!finished) {
        PatternAligner standing;
        standing.run();
        finished = standing.isFinished();
        devOut("========= Restart (F)=======\n");
    }

    devOut("BALL_Ro=", WM->getBall().getPolarPos().getRo(), "\n");
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

void Kick::setAllPars(const double* values) {
    if (values == nullptr) return;
    for (int i = 0; i < 9; ++i) p[i] = values[i];
}

bool Kick::moveHead(double tilt) {
    const double e = tilt - WM->getDOF(DOF_HEAD_TILT);
    const double speed = e / (kCycleStep * 180.0);
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

double Kick::calcLegDistToBall() {
    const Ball ball = WM->getBall();
    const Point pol = ball.getPolarPos();
    return pol.getRo() *
           std::cos((pol.getPhi() + ball.getLastStepSeenHeadTiltDegree()) * kDegToRad);
}
