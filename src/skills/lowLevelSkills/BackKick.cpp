#include "skills/lowLevelSkills/BackKick.h"

#include <cmath>
#include <limits>
#include <list>

#include "buildMode.h"
#include "geometry/Point.h"
#include "objects/Ball.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kCycleStep = 0.02;
constexpr double kHeadDeadBand = 0.01;

// The swing counter is shared by every back kick of the process; each one's
// start phase sets it back to 0.
int swingCount = 0;

// Keyframe columns: head tilt and the leg joints.
const DOFID kColumns[11] = {DOF_HEAD_TILT, DOF_LEG_RY,   DOF_LEG_RX, DOF_KNEE_R,
                            DOF_ANKLE_RX,  DOF_ANKLE_RY, DOF_LEG_LY, DOF_LEG_LX,
                            DOF_KNEE_L,    DOF_ANKLE_LX, DOF_ANKLE_LY};

// By [Case_Ft - 1][keyframe].
const double kRows[2][3][11] = {{{10, -10, 10, -15, 10, 10, -10, 10, -15, 10, 10},
                                 {10, -15, 50, -50, 10, 15, -10, 10, -5, 10, 10},
                                 {10, -10, 30, -25, 5, -10, -10, 30, -25, 5, 10}},
                                {{15, 10, 10, -15, 10, -10, 10, 10, -15, 10, -10},
                                 {15, 10, 10, -5, 10, -10, 15, 50, -50, 10, -15},
                                 {15, 10, 30, -25, 5, -10, 10, 30, -25, 5, -10}}};

void fillKeyframe(double (&out)[DOF_COUNT], const double (&row)[11]) {
    for (double& v : out) v = 0;
    out[DOF_SHOULDER_RT] = 90;
    out[DOF_ELBOW_R] = 30;
    out[DOF_SHOULDER_LT] = -90;
    out[DOF_ELBOW_L] = -30;
    for (int i = 0; i < 11; ++i) out[kColumns[i]] = row[i];
}

bool fitsFloat(double v) { return std::fabs(v) <= std::numeric_limits<float>::max(); }

}  // namespace

BackKick::BackKick()
    : PM(new PatternMonitor(1.0, 0.0)),
      BS(new BodyState()),
      endStart(false),
      flag1(false),
      flag2(false),
      state1{},
      state2{},
      state3{},
      Case_Pos(1),
      Case_Ft(1) {
    init();
}

BackKick::~BackKick() = default;

bool BackKick::init() {
    devOut("======================= INIT ========================\n");
    finished = false;
    endStart = false;
    flag1 = true;
    flag2 = false;

    if (!moveHead(kLookBackPan, kLookBackTilt)) return false;

    const double t = WM->getBall().getPolarPos().getTeta();
    devOut("\n\n\n\n\nBALL_Teta=", t, "\n");
    Case_Ft = t >= kRightFootBearing ? 1 : 2;
    for (int i = 0; i < DOF_COUNT; ++i) PM->setWeight(1.0, i);
    devOut("left foot kick\n");
    const auto& rows = kRows[Case_Ft - 1];
    fillKeyframe(state1, rows[0]);
    fillKeyframe(state2, rows[1]);
    fillKeyframe(state3, rows[2]);

    PM->setPattern(std::list<BodyState>());
    const double* states[3] = {state1, state2, state3};
    for (int k = 0; k < 3; ++k) queueKeyframe(states[k], pa[k], *BS, *PM);
    devOut(" ======================== INIT FINISHED =======================\n");
    return true;
}

unsigned int BackKick::getQueuedKeyframes() const {
    return static_cast<unsigned int>(PM->getPattern().size());
}

int BackKick::getSwingCount() { return swingCount; }

bool BackKick::run() {
    const unsigned int n = getQueuedKeyframes() == 0 ? 0 : PM->monitor();
    devOut("size = ", getQueuedKeyframes(), "\n");

    if (!endStart) {
        swingCount = 0;
        PatternAligner standing;
        standing.run();
        endStart = standing.isFinished();
        devOut("========= Restart (I)=======\n");
    } else if (n == 3) {
        pa[0].run();
        devOut("======= PA step 1 =======\n");
    } else if (n == 2) {
        pa[1].run();
        devOut("======= PA step 2 =======\n");
    } else if (swingCount < kSwingCycles) {
        if (Case_Ft == 1) {
            CC->moveRLegAx1(-6.1f);
            CC->moveRKnee(2.0f);
            CC->moveRAnkleAx1(2.5f);
            devOut(" Right foot\n");
        } else {
            CC->moveLLegAx1(-6.1f);
            CC->moveLKnee(2.0f);
            CC->moveLAnkleAx1(2.5f);
            devOut(" Left foot\n");
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

    const Point ball = WM->getBall().getPolarPos();
    devOut("BALL_Ro  =", ball.getRo(), "\n", "BALL_Phi =", ball.getPhi(), "\n", "BALL_Teta=",
           ball.getTeta(), "\n");
    return finished;
}

SkillID BackKick::getSkillID() { return SKILL_KICK; }

void BackKick::RestartSkill() {
    CC->stopAllJoints();
    endStart = true;
    init();
    run();
    devOut("======== Skill ReStart ========\n");
}

bool BackKick::moveHead(double pan, double tilt) {
    const double ePan = pan - WM->getDOF(DOF_HEAD_PAN);
    const double eTilt = tilt - WM->getDOF(DOF_HEAD_TILT);
    devOut("dof_head_tilt= ", tilt, "\t\tdof_head_pan=", pan, "\n");
    const double panSpeed = ePan / (kCycleStep * 180.0);
    const double tiltSpeed = eTilt / (kCycleStep * 180.0);
    // A reading that is no angle leaves the head still and never counts as
    // arrived.
    if (!fitsFloat(panSpeed) || !fitsFloat(tiltSpeed)) {
        CC->moveHeadAx1(0.0f);
        CC->moveHeadAx2(0.0f);
        return false;
    }
    // The look-back tilt lies beyond the head's range, so the head counts as
    // there once either axis has arrived.
    if (std::fabs(ePan) > kHeadDeadBand && std::fabs(eTilt) > kHeadDeadBand) {
        CC->moveHeadAx1(static_cast<float>(panSpeed));
        CC->moveHeadAx2(static_cast<float>(tiltSpeed));
        return false;
    }
    CC->moveHeadAx1(0.0f);
    CC->moveHeadAx2(0.0f);
    return true;
}
