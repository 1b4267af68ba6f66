// The forward kick: case and foot from the ball, the phase sequence as the
// sensed posture reaches each keyframe (5 preparation and 10 swing cycles
// between keyframes 2 and 3), the return to standing, a restart, and no
// speed that is not a number whatever is sensed.
#include "skills/lowLevelSkills/Kick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "skills/KeyframeTestKit.h"

using namespace kit;

namespace {

// A kick keyframe from its ten leg values (right hip Y, hip X, knee, ankle
// X, ankle Y, then the left leg), arms and head as in every kick keyframe.
struct Keyframe {
    double a[DOF_COUNT] = {0, 15, 0, 0, 90, 30, 0, 0, -90, -30, 0};
    Keyframe(std::initializer_list<double> legs) {
        const DOFID cols[] = {DOF_LEG_RY,   DOF_LEG_RX, DOF_KNEE_R, DOF_ANKLE_RX, DOF_ANKLE_RY,
                              DOF_LEG_LY,   DOF_LEG_LX, DOF_KNEE_L, DOF_ANKLE_LX, DOF_ANKLE_LY};
        int i = 0;
        for (double v : legs) a[cols[i++]] = v;
    }
};

const Keyframe kRight1{-15, 25, -45, 20, 15, -10, 10, -15, 10, 10};
const Keyframe kRight2{-15, 40, -55, 5, 15, -10, 7, -12, 7, 10};
const Keyframe kRight3{-10, 30, -25, 5, -10, -10, 30, -25, 5, 10};
const Keyframe kLeft1{10, 10, -15, 10, -10, 15, 25, -45, 20, -15};
const Keyframe kLeft2{10, 7, -12, 7, -10, 15, 40, -55, 5, -15};
const Keyframe kNear1{-20, 27, -40, 30, 20, -20, 27, -40, 30, 20};
const Keyframe kNear2{-20, 19.99, -30, 0, 20, -15, 20, -20, 10, 15};

void seeBall(double ro, double phi, double teta, double tiltAtSighting = 0) {
    Ball b;
    b.setPolarPos(Point(ro, phi, teta));
    b.setLastStepSeenHeadTiltDegree(tiltAtSighting);
    WorldModel::getUniqueInstance()->setBall(b);
}

}  // namespace

TEST(Kick, BallChoosesDistanceCaseAndFoot) {
    sense(kStanding);
    seeBall(0.16, 0, -10);
    EXPECT_EQ(Kick().getCasePos(), 2) << "0.16 m exactly is too near";
    EXPECT_EQ(Kick().getCaseFt(), 1);
    seeBall(0.1601, 0, -10);
    EXPECT_EQ(Kick().getCasePos(), 1);
    // Elevation plus the head tilt at the sighting: 0.3 m at 60 degrees is 0.15 m.
    seeBall(0.3, 30, -10, 30);
    EXPECT_EQ(Kick().getCasePos(), 2);
    // Side: head pan plus bearing; exactly 0 is the left foot.
    senseJoint(DOF_HEAD_PAN, 10);
    seeBall(0.5, 0, -10);
    EXPECT_EQ(Kick().getCaseFt(), 2);
    seeBall(0.5, 0, -10.001);
    EXPECT_EQ(Kick().getCaseFt(), 1);
    // The tuned degree factor, not the exact one.
    seeBall(1.0, 60, 0);
    EXPECT_DOUBLE_EQ(Kick().calcLegDistToBall(), std::cos(60 * 0.017453292519444445));
}

TEST(Kick, NormalRightFootPhasesSpeedsAndReturnToStanding) {
    sense(kStanding);
    seeBall(0.5, 0, -20);
    Kick k;
    EXPECT_NEAR(speeds(cycle(k))["rle3"], toward(11, 25), 1e-6);   // keyframe 1

    // Keyframe 1 reached with the head elsewhere (weight 0): keyframe 2 next.
    Keyframe key1 = kRight1;
    key1.a[DOF_HEAD_PAN] = 40;
    key1.a[DOF_HEAD_TILT] = -30;
    sense(key1.a);
    auto s = speeds(cycle(k));
    EXPECT_EQ(k.getQueuedKeyframes(), 2u);
    EXPECT_NEAR(s["rle3"], toward(25, 40), 1e-6);
    EXPECT_NEAR(s["lle3"], toward(10, 7), 1e-6);

    sense(kRight2.a);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(cycle(k), "(rle5 -1.000000)") << "preparation " << i;
    for (int i = 6; i <= 15; ++i) {
        EXPECT_EQ(cycle(k), "(lle3 -1.000000)(lle5 1.000000)(rle3 6.100000)(rle4 6.100000)")
            << "swing " << i;
    }
    EXPECT_NEAR(speeds(cycle(k))["rle6"], toward(15, -10), 1e-6);   // keyframe 3

    sense(kRight3.a);
    EXPECT_NEAR(speeds(cycle(k))["rle3"], toward(30, 11), 1e-6);    // standing
    EXPECT_FALSE(k.isFinished());
    sense(kStanding);
    s = speeds(cycle(k));
    EXPECT_EQ(s.size(), 22u);
    EXPECT_TRUE(k.isFinished());
    EXPECT_EQ(cycle(k), "") << "a finished kick commands nothing";
}

TEST(Kick, LeftFootAndTooNearSwingDifferently) {
    sense(kStanding);
    seeBall(0.5, 0, 20);
    Kick left;
    sense(kLeft1.a);
    cycle(left);
    sense(kLeft2.a);
    EXPECT_EQ(cycle(left), "(lle5 -1.000000)");
    for (int i = 0; i < 4; ++i) cycle(left);
    EXPECT_EQ(cycle(left), "(rle3 -1.000000)(rle5 1.000000)(lle3 6.100000)(lle4 6.100000)");

    // From close up: no preparation command and no support-leg lean.
    sense(kStanding);
    seeBall(0.1, 0, -20);
    Kick nearKick;
    sense(kNear1.a);
    cycle(nearKick);
    sense(kNear2.a);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(cycle(nearKick), "") << i;
    EXPECT_EQ(nearKick.getSwingCount(), 5);
    for (int i = 6; i <= 15; ++i) EXPECT_EQ(cycle(nearKick), "(rle3 6.100000)(rle4 6.100000)");
    // The closing keyframe from close up: straight, arms a little out.
    EXPECT_NEAR(speeds(cycle(nearKick))["rae2"], toward(0, -10), 1e-6);
}

TEST(Kick, RestartChoosesAgainAndRefillsTheQueue) {
    sense(kStanding);
    seeBall(0.5, 0, -20);
    Kick k;
    sense(kRight1.a);
    cycle(k);
    sense(kRight2.a);
    for (int i = 0; i < 8; ++i) cycle(k);
    seeBall(0.1, 0, 30);
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    k.RestartSkill();
    EXPECT_EQ(k.getCasePos() * 10 + k.getCaseFt(), 22);
    EXPECT_EQ(k.getSwingCount(), 0);
    EXPECT_EQ(k.getQueuedKeyframes(), 3u);
    // Every joint stopped, then the new case's first keyframe driven.
    const std::string text = cc->getPreparedCommand();
    EXPECT_EQ(text.rfind("(he1 0.0)(he2 0.0)", 0), 0u) << text;
    EXPECT_NE(text.find("(rle3 "), std::string::npos);
}

TEST(Kick, HeadAndSpeedsStayFiniteWhateverIsSensed) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    senseJoint(DOF_HEAD_TILT, 0);
    Kick k;
    cc->reset();
    EXPECT_FALSE(k.moveHead(10));
    EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he2 2.777778)");   // 10 / (0.02 * 180)
    senseJoint(DOF_HEAD_TILT, 9.995);
    EXPECT_TRUE(k.moveHead(10));

    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), inf, -inf}) {
        for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, bad);
        seeBall(bad, bad, bad, bad);
        Kick broken;
        for (int i = 0; i < 30; ++i) EXPECT_TRUE(allFinite(cycle(broken)));
        cc->reset();
        EXPECT_FALSE(broken.moveHead(10)) << "a head reading that is no angle never arrives";
        senseJoint(DOF_HEAD_TILT, 0);
        EXPECT_FALSE(broken.moveHead(1e300)) << "a speed no float can hold";
        EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he2 0.000000)(he2 0.000000)");
    }
}
