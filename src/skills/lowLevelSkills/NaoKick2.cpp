#include "skills/lowLevelSkills/NaoKick2.h"

#include "buildMode.h"
#include "types.h"

namespace {

// Joints of the keyframe table and their angles in keyframes 1 to 4; every
// other joint is 0 throughout.
struct KeyRow {
    DOFID joint;
    double angle[4];
};

const KeyRow kRows[] = {
    {DOF_SHOULDER_RX, {50, 0, 0, 0}},
    {DOF_LEG_RT, {0, 0, 0, -2.08}},
    {DOF_LEG_RY, {-11.74, -12.85, -12.85, -12.88}},
    {DOF_LEG_RX, {0, 0, -25.21, 99.97}},
    {DOF_KNEE_R, {0, 0, -15.34, -1.38}},
    {DOF_ANKLE_RX, {0, 0, 21.55, -41.14}},
    {DOF_LEG_LT, {0, 0, 0, 0.18}},
    {DOF_LEG_LY, {0, -6.42, -6.42, -6.42}},
    {DOF_LEG_LX, {0, 0, 0, -31.2}},
    {DOF_KNEE_L, {0, 0, 0, -14.12}},
    {DOF_ANKLE_LY, {0, 16.04, 16.04, 16.04}},
};

}  // namespace

NaoKick2::NaoKick2()
    : PM(new PatternMonitor(1.0, 0.0)),
      BS(new BodyState()),
      endStart(false),
      flag1(true),
      flag2(false) {
    for (int i = 0; i < DOF_COUNT; ++i) PM->setWeight(1.0, i);
    for (int k = 0; k < 4; ++k) {
        double keyframe[DOF_COUNT] = {};
        for (const KeyRow& row : kRows) keyframe[row.joint] = row.angle[k];
        queueKeyframe(keyframe, pa[k], *BS, *PM);
    }
    pa[3].setRestartParameter(kStrikeTelorance, kStrikePower, kStrikePowerAdd);
}

NaoKick2::~NaoKick2() = default;

unsigned int NaoKick2::getQueuedKeyframes() const {
    return static_cast<unsigned int>(PM->getPattern().size());
}

bool NaoKick2::run() {
    const unsigned int n = getQueuedKeyframes() == 0 ? 0 : PM->monitor();

    if (!endStart) {
        PatternAligner standing;
        standing.run();
        endStart = standing.isFinished();
        devOut("========= Restart =======\n");
    } else if (n >= 1 && n <= 4) {
        // Four keyframes left aims at the first, one left at the strike.
        pa[4 - n].run();
    } else if (!finished) {
        PatternAligner standing;
        standing.run();
        finished = standing.isFinished();
        devOut("========= Restart =======\n");
    }
    return finished;
}

SkillID NaoKick2::getSkillID() { return SKILL_NAO_KICK2; }
