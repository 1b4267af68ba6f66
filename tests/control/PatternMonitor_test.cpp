// Keyframe progress as the sensed posture reaches each keyframe, and the
// corner cases of the error measure: strict threshold, unset joints,
// zero weights, nothing left to compare.
#include <gtest/gtest.h>

#include <cmath>
#include <list>
#include <string>

#include "control/PatternMonitor.h"
#include "objects/BodyState.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "worldModel/WorldModel.h"

namespace {

// Makes the world model report the given angle for every joint. The shoulder
// X joints are read back 90 degrees turned, so their reading is set so that
// getDOF() gives `angle`.
void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    WorldModel::getUniqueInstance()->setAHingeJoint(hj, i);
}

void senseAll(double angle) {
    for (int i = 0; i < DOF_COUNT; ++i) {
        senseJoint(i, angle);
    }
}

BodyState uniform(double angle) {
    BodyState b;
    b.setAllZero();
    for (int i = 0; i < DOF_COUNT; ++i) {
        b.setDOF(static_cast<DOFID>(i), angle);
    }
    return b;
}

}  // namespace

TEST(PatternMonitor, CountsDownAsEachKeyframeIsReached) {
    PatternMonitor pm(1.0, 0.0);
    pm.enQ(uniform(0));
    pm.enQ(uniform(10));
    pm.enQ(uniform(20));

    senseAll(0.5);
    EXPECT_EQ(pm.monitor(), 2u);
    EXPECT_DOUBLE_EQ(pm.getDist(), 0.5);
    EXPECT_EQ(pm.monitor(), 2u) << "still 9.5 degrees from the second keyframe";
    EXPECT_DOUBLE_EQ(pm.getDist(), 9.5);

    senseAll(10);
    EXPECT_EQ(pm.monitor(), 1u);
    senseAll(19.25);
    EXPECT_EQ(pm.monitor(), 0u);
    EXPECT_DOUBLE_EQ(pm.getDist(), 0.75);

    testing::internal::CaptureStderr();
    EXPECT_EQ(pm.monitor(), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PatternMonitor::monitor(): PatternMonitor is monitoring empty pattern!\n");
    EXPECT_DOUBLE_EQ(pm.getDist(), 0.75) << "an empty queue measures nothing";
}

TEST(PatternMonitor, TwoCallsInOneCycleMayDropTwoKeyframes) {
    PatternMonitor pm(1.0, 0.0);
    pm.enQ(uniform(0));
    pm.enQ(uniform(0.5));
    pm.enQ(uniform(30));
    senseAll(0);
    EXPECT_EQ(pm.monitor(), 2u);
    EXPECT_EQ(pm.monitor(), 1u);
    EXPECT_EQ(pm.monitor(), 1u);
}

TEST(PatternMonitor, ThresholdIsStrictAndChangesTakeEffectAtOnce) {
    PatternMonitor pm(1.0, 0.0);
    pm.enQ(uniform(0));
    senseAll(1);  // every joint exactly 1 degree off
    EXPECT_EQ(pm.monitor(), 1u);
    EXPECT_EQ(pm.getDist(), 1.0);
    pm.setThr(1.5);
    EXPECT_EQ(pm.getThr(), 1.5);
    EXPECT_EQ(pm.monitor(), 0u);

    // The same for the squared measure.
    PatternMonitor sq(1.0, 1.0);
    sq.enQ(uniform(0));
    EXPECT_EQ(sq.monitor(), 1u);
    EXPECT_EQ(sq.getDist(), 1.0);
    sq.setThr(1.0000001);
    EXPECT_EQ(sq.monitor(), 0u);
}

TEST(PatternMonitor, UnsetJointsNeverCountWhateverTheirWeight) {
    BodyState key = uniform(0);
    key.setDOF(DOF_KNEE_R, 9999);
    senseAll(0);
    senseJoint(DOF_KNEE_R, 40);

    for (double w : {0.5, 1.0, 100.0}) {
        PatternMonitor pm(1.0, 0.0);
        pm.setWeight(w, DOF_KNEE_R);
        pm.enQ(key);
        EXPECT_EQ(pm.monitor(), 0u) << "weight " << w;
        EXPECT_EQ(pm.getDist(), 0.0) << "weight " << w;
    }

    // A joint the sensors report as unset stays out as well.
    senseJoint(DOF_KNEE_R, 0);
    senseJoint(DOF_ANKLE_LY, 9999);
    PatternMonitor pm(1.0, 1.0);
    pm.setWeight(0.5, DOF_ANKLE_LY);
    pm.enQ(uniform(0));
    EXPECT_EQ(pm.monitor(), 0u);
    EXPECT_EQ(pm.getDist(), 0.0);
}

TEST(PatternMonitor, WeightsScaleTermsAndTheDivisor) {
    BodyState target = uniform(0);
    BodyState current = uniform(0);
    current.setDOF(DOF_SHOULDER_RY, 50);  // weight 0: out of both sums
    current.setDOF(DOF_KNEE_R, -3);       // weight 2

    PatternMonitor pm(1.0, 0.0);
    pm.setWeight(0.0, DOF_SHOULDER_RY);
    pm.setWeight(2.0, DOF_KNEE_R);
    // 20 joints of weight 1, one of weight 2, one of weight 0.
    EXPECT_DOUBLE_EQ(pm.getWME(current, target), 6.0 / 22.0);
    // The squared measure divides by the weights, not their squares.
    EXPECT_DOUBLE_EQ(pm.getWMSE(current, target), 36.0 / 22.0);

    // Through the world model: 6/22 is below 1, so the keyframe is reached.
    senseAll(0);
    senseJoint(DOF_SHOULDER_RY, 50);
    senseJoint(DOF_KNEE_R, -3);
    pm.enQ(target);
    EXPECT_EQ(pm.monitor(), 0u);
    EXPECT_DOUBLE_EQ(pm.getDist(), 6.0 / 22.0);
}

TEST(PatternMonitor, NothingToCompareNeverCountsAsReached) {
    senseAll(0);
    PatternMonitor zero(1.0, 0.0);
    double none[DOF_COUNT] = {};
    zero.setWeight(none);
    zero.enQ(uniform(0));
    EXPECT_EQ(zero.monitor(), 1u);
    EXPECT_TRUE(std::isnan(zero.getDist()));

    PatternMonitor unset(1.0, 1.0);
    unset.enQ(BodyState());
    EXPECT_EQ(unset.monitor(), 1u);
    EXPECT_TRUE(std::isnan(unset.getDist()));

    // Empty queue: the direct measures answer NaN instead of reading past it.
    PatternMonitor empty;
    EXPECT_TRUE(std::isnan(empty.getWME()));
    EXPECT_TRUE(std::isnan(empty.getWMSE()));
}

TEST(PatternMonitor, SquaredMeasureKeepsLargeErrors) {
    // One joint 100 degrees off: its squared term (10000) must not be
    // dropped as if it were unset, or a far posture would count as reached.
    senseAll(0);
    senseJoint(DOF_KNEE_L, 100);
    PatternMonitor pm(1.0, 1.0);
    pm.enQ(uniform(0));
    EXPECT_EQ(pm.monitor(), 1u);
    EXPECT_DOUBLE_EQ(pm.getDist(), 10000.0 / 22.0);
}

TEST(PatternMonitor, QueueAndSettings) {
    PatternMonitor pm;
    EXPECT_EQ(pm.getThr(), 2.0);
    EXPECT_FALSE(pm.doesUseMSE());
    pm.setErrMethod(0.5);
    EXPECT_TRUE(pm.doesUseMSE());
    pm.setErrMethod(0);
    EXPECT_FALSE(pm.doesUseMSE());

    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(pm.getWeight(i), 1.0);
    }
    pm.setWeight(3.0, DOF_COUNT);
    pm.setWeight(3.0, -1);
    EXPECT_EQ(pm.getWeight(DOF_COUNT), 0.0);
    pm.setWeight(nullptr);
    EXPECT_EQ(pm.getWeights()[DOF_ANKLE_LY], 1.0);

    // Keyframes are copies: the caller's posture may change afterwards.
    BodyState key = uniform(1);
    pm.enQ(key);
    key.setDOF(DOF_HEAD_PAN, 7);
    pm.enQ(key);
    std::list<BodyState> copy = pm.getPattern();
    ASSERT_EQ(copy.size(), 2u);
    EXPECT_EQ(copy.front().getDOF(DOF_HEAD_PAN), 1.0);
    EXPECT_EQ(copy.back().getDOF(DOF_HEAD_PAN), 7.0);

    EXPECT_EQ(pm.deQ().getDOF(DOF_HEAD_PAN), 1.0);
    EXPECT_EQ(pm.deQ().getDOF(DOF_HEAD_PAN), 7.0);
    // Nothing left: an all-unset posture, and the queue stays empty.
    BodyState none = pm.deQ();
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(none.getDOF(static_cast<DOFID>(i)), 9999.0);
    }
    EXPECT_TRUE(pm.getPattern().empty());

    pm.setPattern(copy);
    EXPECT_EQ(pm.getPattern().size(), 2u);
}
