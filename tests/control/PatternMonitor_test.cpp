// Keyframe progress as the sensed posture reaches each keyframe, and the
// corners of the error measure: strict threshold, unset joints, weights,
// nothing left to compare.
#include "control/PatternMonitor.h"

#include <gtest/gtest.h>

#include <cmath>

#include "objects/BodyState.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "worldModel/WorldModel.h"

namespace {

// The shoulder X joints are read back turned by 90 degrees.
void senseJoint(int i, double angle) {
    HingeJoint hj;
    const bool shoulderX = (i == DOF_SHOULDER_RX || i == DOF_SHOULDER_LX);
    hj.setAxis(static_cast<float>(shoulderX ? angle - 90.0 : angle));
    WorldModel::getUniqueInstance()->setAHingeJoint(hj, i);
}

void senseAll(double angle) {
    for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, angle);
}

BodyState uniform(double angle) {
    BodyState b;
    b.setAllZero();
    for (int i = 0; i < DOF_COUNT; ++i) b.setDOF(static_cast<DOFID>(i), angle);
    return b;
}

}  // namespace

TEST(PatternMonitor, PhaseCountsDownAsKeyframesAreReached) {
    PatternMonitor pm(1.0, 0.0);
    for (double a : {0.0, 10.0, 10.5, 20.0}) pm.enQ(uniform(a));
    senseAll(0.5);
    EXPECT_EQ(pm.monitor(), 3u);
    EXPECT_EQ(pm.monitor(), 3u) << "9.5 degrees from the second keyframe";
    EXPECT_DOUBLE_EQ(pm.getDist(), 9.5);
    senseAll(10);
    // The posture does not change between two calls in one cycle: two drops.
    EXPECT_EQ(pm.monitor(), 2u);
    EXPECT_EQ(pm.monitor(), 1u);
    senseAll(19.25);
    EXPECT_EQ(pm.monitor(), 0u);
    EXPECT_DOUBLE_EQ(pm.getDist(), 0.75);

    testing::internal::CaptureStderr();
    EXPECT_EQ(pm.monitor(), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PatternMonitor::monitor(): PatternMonitor is monitoring empty pattern!\n");
    EXPECT_DOUBLE_EQ(pm.getDist(), 0.75);
    EXPECT_TRUE(std::isnan(pm.getWME()));
    EXPECT_EQ(pm.deQ().getDOF(DOF_HEAD_PAN), 9999.0) << "nothing to dequeue";
}

TEST(PatternMonitor, ThresholdIsStrictAndChangesTakeEffectAtOnce) {
    senseAll(1);  // every joint exactly 1 degree off
    for (double method : {0.0, 1.0}) {
        PatternMonitor pm(1.0, method);
        pm.enQ(uniform(0));
        EXPECT_EQ(pm.monitor(), 1u);
        EXPECT_EQ(pm.getDist(), 1.0);
        pm.setThr(1.0000001);
        EXPECT_EQ(pm.monitor(), 0u);
    }
}

TEST(PatternMonitor, UnsetJointsNeverCountWhateverTheirWeight) {
    BodyState key = uniform(0);
    key.setDOF(DOF_KNEE_R, 9999);
    senseAll(0);
    senseJoint(DOF_KNEE_R, 40);
    senseJoint(DOF_ANKLE_LY, 9999);  // not reported by the sensors either
    for (double method : {0.0, 1.0}) {
        for (double w : {0.5, 1.0, 100.0}) {
            PatternMonitor pm(1.0, method);
            pm.setWeight(w, DOF_KNEE_R);
            pm.setWeight(w, DOF_ANKLE_LY);
            pm.enQ(key);
            EXPECT_EQ(pm.monitor(), 0u) << "weight " << w;
            EXPECT_EQ(pm.getDist(), 0.0) << "weight " << w;
        }
    }
}

TEST(PatternMonitor, WeightsScaleTermsAndTheDivisor) {
    BodyState current = uniform(0);
    current.setDOF(DOF_SHOULDER_RY, 50);  // weight 0: out of both sums
    current.setDOF(DOF_KNEE_R, -3);       // weight 2
    PatternMonitor pm(1.0, 0.0);
    pm.setWeight(0.0, DOF_SHOULDER_RY);
    pm.setWeight(2.0, DOF_KNEE_R);
    // 20 joints of weight 1, one of weight 2; the squared measure divides by
    // the weights, not their squares.
    EXPECT_DOUBLE_EQ(pm.getWME(current, uniform(0)), 6.0 / 22.0);
    EXPECT_DOUBLE_EQ(pm.getWMSE(current, uniform(0)), 36.0 / 22.0);
}

TEST(PatternMonitor, FarOrUncomparablePosturesAreNeverReached) {
    senseAll(0);
    PatternMonitor zero(1.0, 0.0);
    const double none[DOF_COUNT] = {};
    zero.setWeight(none);
    zero.enQ(uniform(0));
    EXPECT_EQ(zero.monitor(), 1u);
    EXPECT_TRUE(std::isnan(zero.getDist()));

    PatternMonitor unset(1.0, 1.0);
    unset.enQ(BodyState());
    EXPECT_EQ(unset.monitor(), 1u);
    EXPECT_TRUE(std::isnan(unset.getDist()));

    // One joint 100 degrees off: its squared term (10000) must not be taken
    // for an unset joint, or a far posture would count as reached.
    senseJoint(DOF_KNEE_L, 100);
    PatternMonitor sq(1.0, 1.0);
    sq.enQ(uniform(0));
    EXPECT_EQ(sq.monitor(), 1u);
    EXPECT_DOUBLE_EQ(sq.getDist(), 10000.0 / 22.0);
}
