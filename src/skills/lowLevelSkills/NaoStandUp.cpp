#include "skills/lowLevelSkills/NaoStandUp.h"

#include <cmath>

#include <cstddef>

#include "buildMode.h"
#include "dmu/DMUtil.h"
#include "geometry/Point.h"
#include "objects/Gyro.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

struct JointRow {
    DOFID joints[2];
    int count;
    double keyframes[3];
};

// Lying on the front: arms forward, then push up onto the knees and rise.
const JointRow kFront[] = {
    {{DOF_SHOULDER_RX, DOF_SHOULDER_LX}, 2, {90, 86.41, 81.34}},
    {{DOF_LEG_RT, DOF_LEG_LT}, 2, {0, -5.51, -9.21}},
    {{DOF_LEG_RX, DOF_LEG_LX}, 2, {-0.22, 110.03, 78.61}},
    {{DOF_KNEE_R, DOF_KNEE_L}, 2, {0, 0.95, -34.57}},
    {{DOF_ANKLE_RX, DOF_ANKLE_LX}, 2, {6.86, 6.97, 6.97}},
};

// Lying on the back: arms behind, legs pulled in, then sit up over the feet.
const JointRow kBack[] = {
    {{DOF_SHOULDER_RX, DOF_SHOULDER_LX}, 2, {-31.42, -29.13, -29.61}},
    {{DOF_SHOULDER_RY, DOF_SHOULDER_RY}, 1, {0, -96.21, -93.93}},
    {{DOF_SHOULDER_LY, DOF_SHOULDER_LY}, 1, {0, 96.21, 93.93}},
    {{DOF_LEG_RT, DOF_LEG_LT}, 2, {0, -43.83, -89.95}},
    {{DOF_LEG_RY, DOF_LEG_RY}, 1, {24.64, 24.82, 23.6}},
    {{DOF_LEG_LY, DOF_LEG_LY}, 1, {-24.64, -24.82, -23.6}},
    {{DOF_LEG_RX, DOF_LEG_LX}, 2, {100, 100, 102.08}},
    {{DOF_KNEE_R, DOF_KNEE_L}, 2, {0, 0, -70.23}},
    {{DOF_ANKLE_RX, DOF_ANKLE_LX}, 2, {-45.94, -46.06, -44.73}},
};

template <std::size_t N>
void fillKeyframe(double (&out)[DOF_COUNT], const JointRow (&rows)[N], int keyframe) {
    for (double& v : out) v = 0;
    for (const JointRow& row : rows) {
        for (int j = 0; j < row.count; ++j) out[row.joints[j]] = row.keyframes[keyframe];
    }
}

// The aligners' default approach speed near the target (rad/s) and the
// standing posture's tolerance (degrees).
constexpr float kPowerAdd = 0.05f;
constexpr float kTolerance = 0.2f;

// A gain must move the joint toward its target and stay in reason.
double gain(double v, double design) {
    return (std::isfinite(v) && v > 0.0 && v <= 100.0) ? v : design;
}

}  // namespace

const std::vector<SkillParams::Param>& NaoStandUp::paramList() {
    static const std::vector<SkillParams::Param> kList = {{"restGyro", kRestGyro},
                                                          {"straightenPower", 10.0},
                                                          {"keyframePower", 10.0},
                                                          {"keyframeThr", kThr},
                                                          {"frontSecondThr", kFrontSecondThr},
                                                          {"risePower", 10.0},
                                                          {"straightenTolerance", kTolerance}};
    return kList;
}

NaoStandUp::NaoStandUp()
    : initFlag(false),
      beginTime(0),
      start(true),
      face_down(false),
      face(false),
      isDetectFace(false),
      upright(false),
      uprightReadings(0),
      rollStart(-1),
      rolled(false),
      flatReadings(0) {
    finished = false;
    beginTime = WM->getTime();
    const std::vector<SkillParams::Param>& list = paramList();
    const std::vector<double> v = SkillParams::getUniqueInstance()->values(kSkillName, list);
    restGyro = (std::isfinite(v[0]) && v[0] >= 0.0) ? v[0] : list[0].designValue;
    straightenPower = gain(v[1], list[1].designValue);
    keyframePower = gain(v[2], list[2].designValue);
    keyframeThr = gain(v[3], list[3].designValue);
    frontSecondThr = gain(v[4], list[4].designValue);
    risePower = gain(v[5], list[5].designValue);
    const double tolerance = gain(v[6], list[6].designValue);
    initAlighn.setRestartParameter(static_cast<float>(tolerance),
                                   static_cast<float>(straightenPower), kPowerAdd);
}

bool NaoStandUp::liesOnSide() {
    const bool reading = WM->hasAcc();
    const Point a = WM->getAcc();
    if (rollStart < 0) {
        return reading && std::fabs(a.getX()) > kLyingAcc && std::fabs(a.getY()) < kLyingAcc;
    }
    // Swinging: until the time is up, or the robot clearly lies on its
    // front or back already (a single reading may be a jolt of the swing).
    if (WM->getTime() - rollStart >= kRollTime) return false;
    const bool flat = reading && std::fabs(a.getY()) > kLyingAcc;
    flatReadings = flat ? flatReadings + 1 : 0;
    return flatReadings < kUprightReadings;
}

bool NaoStandUp::readsUpright() {
    const bool up = WM->hasAcc() && WM->getAcc().getZ() >= kUprightAcc;
    uprightReadings = up ? uprightReadings + 1 : 0;
    if (uprightReadings > kUprightReadings) uprightReadings = kUprightReadings;
    return uprightReadings >= kUprightReadings;
}

bool NaoStandUp::standUp() {
    PatternAligner standing;
    standing.setRestartParameter(kTolerance, static_cast<float>(risePower), kPowerAdd);
    standing.run();
    return standing.isFinished();
}

NaoStandUp::~NaoStandUp() = default;

void NaoStandUp::setFaceSide(bool faceDown) { face_down = faceDown; }

void NaoStandUp::loadKeyframes() {
    BS.reset(new BodyState());
    PM.reset(new PatternMonitor(keyframeThr, 0.0));
    for (int i = 0; i < DOF_COUNT; ++i) PM->setWeight(1.0, i);
    devOut(face_down ? "pattern Face down is created\n" : "pattern Face up is created\n");
    for (int k = 0; k < 3; ++k) {
        double keyframe[DOF_COUNT];
        if (face_down) {
            fillKeyframe(keyframe, kFront, k);
        } else {
            fillKeyframe(keyframe, kBack, k);
        }
        queueKeyframe(keyframe, pa[k], *BS, *PM);
        pa[k].setRestartParameter(kTolerance, static_cast<float>(keyframePower), kPowerAdd);
    }
    isDetectFace = true;
}

bool NaoStandUp::run() {
    if (upright || (!isDetectFace && readsUpright())) {
        // Nothing to get up from: back to the standing posture.
        if (!upright) devOut("standing already\n");
        upright = true;
        if (!finished) finished = standUp();
        if (finished) CC->stopAllJoints();
        return finished;
    }
    if (!initFlag) {
        BodyState straight;
        straight.setAllZero();
        initAlighn.setPattern(straight);
        initFlag = initAlighn.run();
        const double gyro = WM->getGyro().getRate().getMagnitude();
        devOut("Gyro is :", gyro, "\n");
        // A rate that is not a number never counts as at rest.
        if (!(gyro <= restGyro)) initFlag = false;
        finished = false;
        return false;
    }

    if (!isDetectFace && !rolled && liesOnSide()) {
        // Neither keyframe chain starts from the side: a short swing of the
        // arms and hips tips the robot off it (once per stand-up), then it
        // settles again and reads the side it lies on.
        if (rollStart < 0) rollStart = WM->getTime();
        double pose[DOF_COUNT] = {};
        pose[DOF_SHOULDER_RX] = pose[DOF_SHOULDER_LX] = kRollArms;
        pose[DOF_LEG_RX] = pose[DOF_LEG_LX] = kRollHips;
        PatternAligner roll;
        roll.setRestartParameter(kTolerance, static_cast<float>(straightenPower), kPowerAdd);
        roll.setPattern(pose);
        roll.run();
        devOut("tipping off the side\n");
        return false;
    }
    if (rollStart >= 0 && !rolled) {
        // Off the side (or out of time): settle again before reading the side.
        rolled = true;
        initFlag = false;
        return false;
    }

    if (!isDetectFace) {
        face_down = dmutil->isWatchingGround();
        // Lying on the front the toes touch only now and then, so the foot
        // sensors often call it face up; a clear accelerometer reading
        // settles the side. Without one the foot sensors decide alone.
        if (WM->hasAcc() && std::fabs(WM->getAcc().getY()) > kLyingAcc) {
            face_down = WM->getAcc().getY() < 0;
        }
        devOut(face_down ? "face down\n" : "face Up\n");
        loadKeyframes();
    }

    if (face_down) {
        if (PM->monitor() == 3) {
            pa[0].run();
            devOut("======= PA step 1 =======\n");
        } else if (PM->monitor() == 2) {
            PM->setThr(frontSecondThr);
            pa[1].run();
            devOut("Error = ", PM->getDist(), "\n", "======= PA step 2 =======\n");
        } else if (PM->monitor() == 1) {
            PM->setThr(keyframeThr);
            pa[2].run();
            devOut("======== PA step 3 =======\n");
        } else if (!finished) {
            finished = standUp();
            devOut("========= Restart =======\n");
        }
    } else {
        if (PM->monitor() == 3) {
            pa[0].run();
            devOut("========= PA step 1 =======\n");
        } else if (PM->monitor() == 2) {
            pa[1].run();
            devOut("========= PA step 2 =======\n");
        } else if (PM->monitor() == 1) {
            pa[2].run();
            devOut("=========== PA step 3 ========\n");
        } else if (!finished) {
            finished = standUp();
            devOut("========= Restart =======\n");
        }
    }

    if (finished) CC->stopAllJoints();
    return finished;
}

SkillID NaoStandUp::getSkillID() { return SKILL_NAO_STANDUP; }
