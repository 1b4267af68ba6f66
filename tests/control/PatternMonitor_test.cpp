// Keyframe progress as the sensed posture reaches each keyframe, and the
// corners of the error measure: strict threshold, unset joints, weights,
// nothing left to compare.
#include "control/PatternMonitor.h"

#include <cmath>

#include "objects/BodyState.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

BodyState uniform(double angle) {
    BodyState b;
    b.setAllZero();
    for (int i = 0; i < DOF_COUNT; ++i) b.setDOF(static_cast<DOFID>(i), angle);
    return b;
}

}  // namespace

TEST(PatternMonitor, PhaseCountsDownAndTheThresholdIsStrict) {
    PatternMonitor pm(1.0, 0.0);
    for (double a : {0.0, 10.0, 10.5, 20.0}) pm.enQ(uniform(a));
    senseAll(0.5);
    EXPECT_EQ(pm.monitor(), 3u);
    EXPECT_EQ(pm.monitor(), 3u) << "9.5 degrees from the second keyframe";
    senseAll(10);
    EXPECT_EQ(pm.monitor(), 2u);  // one keyframe per call
    EXPECT_EQ(pm.monitor(), 1u);
    senseAll(19.25);
    EXPECT_EQ(pm.monitor(), 0u);
    senseAll(1);  // every joint exactly 1 degree off
    for (double method : {0.0, 1.0}) {
        PatternMonitor edge(1.0, method);
        edge.enQ(uniform(0));
        EXPECT_EQ(edge.monitor(), 1u);
        edge.setThr(1.0000001);
        EXPECT_EQ(edge.monitor(), 0u);
    }
}

TEST(PatternMonitor, UnsetJointsNeverCountAndUncomparablePosturesAreNeverReached) {
    BodyState key = uniform(0);
    key.setDOF(DOF_KNEE_R, 9999);
    senseAll(0);
    senseJoint(DOF_KNEE_R, 40);
    senseJoint(DOF_ANKLE_LY, 9999);  // not reported by the sensors either
    PatternMonitor unset(1.0, 1.0);
    unset.setWeight(100.0, DOF_KNEE_R);
    unset.enQ(key);
    EXPECT_EQ(unset.monitor(), 0u);
    EXPECT_EQ(unset.getDist(), 0.0);
    PatternMonitor zero(1.0, 0.0);
    const double none[DOF_COUNT] = {};
    zero.setWeight(none);
    zero.enQ(uniform(0));
    EXPECT_EQ(zero.monitor(), 1u);
    EXPECT_TRUE(std::isnan(zero.getDist()));
    // A squared term of 10000 must not be taken for an unset joint.
    senseAll(0);
    senseJoint(DOF_KNEE_L, 100);
    PatternMonitor sq(1.0, 1.0);
    sq.enQ(uniform(0));
    EXPECT_EQ(sq.monitor(), 1u);
    EXPECT_DOUBLE_EQ(sq.getDist(), 10000.0 / 22.0);
}
