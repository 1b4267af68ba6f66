// The forward kick: case and foot from the ball, the phase sequence as the
// sensed posture reaches each keyframe (5 preparation and 10 swing cycles
// between keyframes 2 and 3), the return to standing, and no speed that is
// not a number whatever is sensed.
#include "skills/lowLevelSkills/Kick.h"

#include <cmath>
#include <initializer_list>

#include "skills/MotionTestKit.h"

using namespace motiontest;

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

void seeBall(double ro, double phi, double teta, double tiltAtSighting = 0) {
    Ball b;
    b.setPolarPos(Point(ro, phi, teta));
    b.setLastStepSeenHeadTiltDegree(tiltAtSighting);
    wm()->setBall(b);
}

}  // namespace

TEST(Kick, BallChoosesDistanceCaseAndFoot) {
    sense(kStanding);
    seeBall(0.16, 0, -10);
    EXPECT_EQ(Kick().getCasePos(), 2) << "0.16 m exactly is too near";
    seeBall(0.1601, 0, -10);
    EXPECT_EQ(Kick().getCasePos(), 1);
    seeBall(0.3, 30, -10, 30);  // 0.3 m at 30 + 30 degrees is 0.15 m
    EXPECT_EQ(Kick().getCasePos(), 2);
    senseJoint(DOF_HEAD_PAN, 10);  // side: head pan plus bearing; 0 is the left foot
    seeBall(0.5, 0, -10);
    EXPECT_EQ(Kick().getCaseFt(), 2);
    seeBall(0.5, 0, -10.001);
    EXPECT_EQ(Kick().getCaseFt(), 1);
}

TEST(Kick, RightFootPhasesSpeedsAndReturnToStanding) {
    sense(kStanding);
    seeBall(0.5, 0, -20);
    Kick k;
    EXPECT_NEAR(speeds(cycle(k))["rle3"], toward(11, 25), 1e-6);  // keyframe 1
    Keyframe key1{-15, 25, -45, 20, 15, -10, 10, -15, 10, 10};
    key1.a[DOF_HEAD_PAN] = 40;  // the head has no weight
    sense(key1.a);
    EXPECT_NEAR(speeds(cycle(k))["rle3"], toward(25, 40), 1e-6);  // keyframe 2
    sense(Keyframe{-15, 40, -55, 5, 15, -10, 7, -12, 7, 10}.a);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(cycle(k), "(rle5 -1.000000)") << "preparation " << i;
    for (int i = 6; i <= 15; ++i) {
        EXPECT_EQ(cycle(k), "(lle3 -1.000000)(lle5 1.000000)(rle3 6.100000)(rle4 6.100000)")
            << "swing " << i;
    }
    EXPECT_NEAR(speeds(cycle(k))["rle6"], toward(15, -10), 1e-6);  // keyframe 3
    sense(Keyframe{-10, 30, -25, 5, -10, -10, 30, -25, 5, 10}.a);
    EXPECT_NEAR(speeds(cycle(k))["rle3"], toward(30, 11), 1e-6);  // standing
    sense(kStanding);
    EXPECT_EQ(parseCommand(cycle(k)).size(), 22u);
    EXPECT_TRUE(k.isFinished());
    EXPECT_EQ(cycle(k), "") << "a finished kick commands nothing";
}

TEST(Kick, SpeedsStayFiniteWhateverIsSensed) {
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        senseAll(bad);
        seeBall(bad, bad, bad, bad);
        Kick broken;
        for (int i = 0; i < 30; ++i) EXPECT_TRUE(allFinite(cycle(broken)));
        cc()->reset();
        EXPECT_FALSE(broken.moveHead(10)) << "a head reading that is no angle never arrives";
        senseJoint(DOF_HEAD_TILT, 0);
        EXPECT_FALSE(broken.moveHead(1e300)) << "a speed no float can hold";
        EXPECT_EQ(std::string(cc()->getPreparedCommand()), "(he2 0.000000)(he2 0.000000)");
    }
}
