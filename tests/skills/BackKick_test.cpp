// The back kick: the look-back head check at construction, the bearing's
// foot choice, the start phase, the 25 swing cycles (one counter for the
// process, reset by every start phase) and the keyframe sequence.
#include "skills/lowLevelSkills/BackKick.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <map>
#include <string>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

const double kStanding[DOF_COUNT] = {0, 0,  0,   -10, 90, 0, 0, 10, -90, 0,  0,
                                     0, 11, -29, 18,  0,  0, 0, 11, -29, 18, 0};

// Head tilt and the ten leg joints (right leg first) of a back-kick keyframe.
struct Keyframe {
    double a[DOF_COUNT] = {0, 0, 0, 0, 90, 30, 0, 0, -90, -30, 0};
    Keyframe(double tilt, std::initializer_list<double> legs) {
        const DOFID cols[] = {DOF_LEG_RY,   DOF_LEG_RX, DOF_KNEE_R, DOF_ANKLE_RX,
                              DOF_ANKLE_RY, DOF_LEG_LY, DOF_LEG_LX, DOF_KNEE_L,
                              DOF_ANKLE_LX, DOF_ANKLE_LY};
        a[DOF_HEAD_TILT] = tilt;
        int i = 0;
        for (double v : legs) a[cols[i++]] = v;
    }
};

const Keyframe kLeft1(15, {10, 10, -15, 10, -10, 10, 10, -15, 10, -10});
const Keyframe kLeft2(15, {10, 10, -5, 10, -10, 15, 50, -50, 10, -15});
const Keyframe kLeft3(15, {10, 30, -25, 5, -10, 10, 30, -25, 5, -10});

WorldModel* wm() { return WorldModel::getUniqueInstance(); }

void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    wm()->setAHingeJoint(hj, i);
}

void sense(const double (&angles)[DOF_COUNT]) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angles[i]);
}

void seeBallAt(double teta) {
    Ball b;
    b.setPolarPos(Point(0.3, -20, teta));
    wm()->setBall(b);
}

// Standing, head looking back.
void standLookingBack() {
    sense(kStanding);
    senseJoint(DOF_HEAD_PAN, BackKick::kLookBackPan);
    senseJoint(DOF_HEAD_TILT, BackKick::kLookBackTilt);
}

std::string cycle(BackKick& k) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    k.run();
    return cc->getPreparedCommand();
}

std::map<std::string, double> speeds(const std::string& text) {
    std::map<std::string, double> out;
    const char* c = text.c_str();
    char name[16];
    double value = 0;
    int used = 0;
    while (std::sscanf(c, "(%15s %lf)%n", name, &value, &used) == 2) {
        out[name] = value;
        c += used;
    }
    return out;
}

}  // namespace

TEST(BackKick, HeadCheckAndBearingChooseTheKeyframes) {
    // Head still forward: it is turned toward the look-back pose, nothing loads.
    sense(kStanding);
    seeBallAt(-40);
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    {
        BackKick k;
        EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he1 -33.333332)(he2 -13.888889)");
        EXPECT_EQ(k.getQueuedKeyframes(), 0u);
        EXPECT_EQ(k.getCaseFt(), 1);
        EXPECT_EQ(k.getSkillID(), SKILL_KICK);
    }

    standLookingBack();
    seeBallAt(-15);
    EXPECT_EQ(BackKick().getCaseFt(), 1) << "a bearing of exactly -15 is case 1";
    seeBallAt(-15.01);
    BackKick left;
    EXPECT_EQ(left.getCaseFt(), 2);
    EXPECT_EQ(left.getQueuedKeyframes(), 3u);

    // One axis in place is enough: the tilt target lies beyond the head's reach.
    senseJoint(DOF_HEAD_TILT, -45);
    EXPECT_EQ(BackKick().getQueuedKeyframes(), 3u);
}

TEST(BackKick, WithoutKeyframesStartThenSwingTwentyFiveCyclesThenStand) {
    sense(kStanding);
    BackKick k;
    ASSERT_EQ(k.getQueuedKeyframes(), 0u);

    // Start phase: the standing aligner, which is already aligned.
    auto s = speeds(cycle(k));
    EXPECT_EQ(s.size(), 22u);
    for (int i = 1; i <= 25; ++i) {
        EXPECT_EQ(cycle(k), "(rle3 -6.100000)(rle4 2.000000)(rle5 2.500000)") << "swing " << i;
        EXPECT_EQ(BackKick::getSwingCount(), i);
    }
    EXPECT_FALSE(k.isFinished());
    s = speeds(cycle(k));
    EXPECT_EQ(s.size(), 22u);
    EXPECT_TRUE(k.isFinished());
    EXPECT_EQ(cycle(k), "");
}

TEST(BackKick, LeftLegSequenceAndTheSharedSwingCounter) {
    // An earlier back kick leaves the process-wide counter part-way.
    sense(kStanding);
    BackKick earlier;
    for (int i = 0; i < 11; ++i) cycle(earlier);
    ASSERT_EQ(BackKick::getSwingCount(), 10);

    standLookingBack();
    seeBallAt(-30);
    BackKick k;
    ASSERT_EQ(k.getCaseFt(), 2);

    // Start phase from a body off the standing posture: keep aligning, no keyframe.
    senseJoint(DOF_KNEE_R, 0);
    auto s = speeds(cycle(k));
    EXPECT_NEAR(s["rle4"], -29 / 18.0 - 0.05, 1e-6);   // 0 -> -29, standing
    EXPECT_EQ(BackKick::getSwingCount(), 0) << "each start cycle resets the shared counter";
    sense(kStanding);
    cycle(k);   // aligned: the start phase is over

    s = speeds(cycle(k));   // keyframe 1: head tilt 0 -> 15
    EXPECT_NEAR(s["he2"], 15 / 18.0 + 0.05, 1e-6);
    sense(kLeft1.a);
    s = speeds(cycle(k));   // keyframe 2: left hip X 10 -> 50
    EXPECT_EQ(k.getQueuedKeyframes(), 2u);
    EXPECT_NEAR(s["lle3"], 40 / 18.0 + 0.05, 1e-6);

    sense(kLeft2.a);
    for (int i = 1; i <= 25; ++i) {
        EXPECT_EQ(cycle(k), "(lle3 -6.100000)(lle4 2.000000)(lle5 2.500000)") << "swing " << i;
    }
    s = speeds(cycle(k));   // keyframe 3: left hip X 50 -> 30
    EXPECT_NEAR(s["lle3"], -20 / 18.0 - 0.05, 1e-6);
    sense(kLeft3.a);
    cycle(k);
    EXPECT_EQ(k.getQueuedKeyframes(), 0u);
    EXPECT_FALSE(k.isFinished());
    sense(kStanding);
    cycle(k);
    EXPECT_TRUE(k.isFinished());
}

TEST(BackKick, HeadReadingsThatAreNoAnglesNeverMoveTheHead) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    sense(kStanding);
    BackKick k;
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    for (double bad : {nan, std::numeric_limits<double>::infinity()}) {
        senseJoint(DOF_HEAD_PAN, bad);
        cc->reset();
        EXPECT_FALSE(k.moveHead(BackKick::kLookBackPan, BackKick::kLookBackTilt));
        EXPECT_EQ(std::string(cc->getPreparedCommand()), "(he1 0.000000)(he2 0.000000)");
    }
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, nan);
    for (int i = 0; i < 40; ++i) {
        const std::string text = cycle(k);
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
    }
}
