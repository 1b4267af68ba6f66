// The back kick: the look-back head check at construction, the bearing's
// foot choice, the start phase, the 25 swing cycles (one counter for the
// process, reset by every start phase) and the keyframe sequence.
#include "skills/lowLevelSkills/BackKick.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <string>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "skills/KeyframeTestKit.h"

using namespace kit;

namespace {

// Head tilt and the ten leg joints (right leg first) of a back-kick keyframe.
struct Keyframe {
    double a[DOF_COUNT] = {0, 0, 0, 0, 90, 30, 0, 0, -90, -30, 0};
    Keyframe(double tilt, std::initializer_list<double> legs) {
        const DOFID cols[] = {DOF_LEG_RY,   DOF_LEG_RX, DOF_KNEE_R, DOF_ANKLE_RX, DOF_ANKLE_RY,
                              DOF_LEG_LY,   DOF_LEG_LX, DOF_KNEE_L, DOF_ANKLE_LX, DOF_ANKLE_LY};
        a[DOF_HEAD_TILT] = tilt;
        int i = 0;
        for (double v : legs) a[cols[i++]] = v;
    }
};

const Keyframe kLeft1(15, {10, 10, -15, 10, -10, 10, 10, -15, 10, -10});
const Keyframe kLeft2(15, {10, 10, -5, 10, -10, 15, 50, -50, 10, -15});
const Keyframe kLeft3(15, {10, 30, -25, 5, -10, 10, 30, -25, 5, -10});

void lookBackAtBall(double teta) {
    sense(kStanding);
    senseJoint(DOF_HEAD_PAN, BackKick::kLookBackPan);
    senseJoint(DOF_HEAD_TILT, BackKick::kLookBackTilt);
    Ball b;
    b.setPolarPos(Point(0.3, -20, teta));
    WorldModel::getUniqueInstance()->setBall(b);
}

}  // namespace

TEST(BackKick, HeadCheckAndBearingChooseTheKeyframes) {
    sense(kStanding);
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    BackKick notThere;   // head forward: turned toward the look-back pose, nothing loaded
    EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he1 -33.333332)(he2 -13.888889)");
    EXPECT_EQ(notThere.getQueuedKeyframes(), 0u);

    lookBackAtBall(-15);
    EXPECT_EQ(BackKick().getCaseFt(), 1) << "a bearing of exactly -15 is case 1";
    lookBackAtBall(-15.01);
    EXPECT_EQ(BackKick().getCaseFt(), 2);
    // One axis in place is enough: the tilt target lies beyond the head's reach.
    senseJoint(DOF_HEAD_TILT, -45);
    EXPECT_EQ(BackKick().getQueuedKeyframes(), 3u);
}

TEST(BackKick, WithoutKeyframesStartThenSwingTwentyFiveCyclesThenStand) {
    sense(kStanding);
    BackKick k;
    EXPECT_EQ(speeds(cycle(k)).size(), 22u);   // start phase: the standing aligner
    for (int i = 1; i <= 25; ++i) {
        EXPECT_EQ(cycle(k), "(rle3 -6.100000)(rle4 2.000000)(rle5 2.500000)") << i;
    }
    EXPECT_FALSE(k.isFinished());
    cycle(k);
    EXPECT_TRUE(k.isFinished());
    EXPECT_EQ(cycle(k), "");
}

TEST(BackKick, LeftLegSequenceAndTheSharedSwingCounter) {
    sense(kStanding);
    BackKick earlier;
    for (int i = 0; i < 11; ++i) cycle(earlier);
    ASSERT_EQ(BackKick::getSwingCount(), 10);

    lookBackAtBall(-30);
    BackKick k;
    ASSERT_EQ(k.getCaseFt(), 2);
    // Start phase off the standing posture: aligning, no keyframe, counter reset.
    senseJoint(DOF_KNEE_R, 0);
    EXPECT_NEAR(speeds(cycle(k))["rle4"], toward(0, -29), 1e-6);
    EXPECT_EQ(BackKick::getSwingCount(), 0);
    sense(kStanding);
    cycle(k);

    EXPECT_NEAR(speeds(cycle(k))["he2"], toward(0, 15), 1e-6);   // keyframe 1
    sense(kLeft1.a);
    EXPECT_NEAR(speeds(cycle(k))["lle3"], toward(10, 50), 1e-6);   // keyframe 2
    sense(kLeft2.a);
    for (int i = 1; i <= 25; ++i) {
        EXPECT_EQ(cycle(k), "(lle3 -6.100000)(lle4 2.000000)(lle5 2.500000)") << i;
    }
    EXPECT_NEAR(speeds(cycle(k))["lle3"], toward(50, 30), 1e-6);   // keyframe 3
    sense(kLeft3.a);
    cycle(k);
    EXPECT_FALSE(k.isFinished());
    sense(kStanding);
    cycle(k);
    EXPECT_TRUE(k.isFinished());
}

TEST(BackKick, HeadReadingsThatAreNoAnglesNeverMoveTheHead) {
    sense(kStanding);
    BackKick k;
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, bad);
        cc->reset();
        EXPECT_FALSE(k.moveHead(BackKick::kLookBackPan, BackKick::kLookBackTilt));
        EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he1 0.000000)(he2 0.000000)");
        for (int i = 0; i < 30; ++i) EXPECT_TRUE(allFinite(cycle(k)));
    }
}
