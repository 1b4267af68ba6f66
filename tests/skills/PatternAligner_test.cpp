// The aligner's commanded speeds on chosen errors, its inclusive tolerance,
// unset targets and guards against readings that are no angles; the restart
// skill finishing only when aligned and at rest.
#include "skills/lowLevelSkills/PatternAligner.h"

#include <cmath>

#include "objects/BodyState.h"
#include "skills/MotionTestKit.h"
#include "skills/lowLevelSkills/RestartSkill.h"

using namespace motiontest;

TEST(PatternAligner, EveryJointThroughItsOwnEffectorAndTheTolerance) {
    // Joint i is i+1 degrees past its target: a swapped pair or a missing
    // joint shows.
    double angles[DOF_COUNT];
    for (int i = 0; i < DOF_COUNT; ++i) angles[i] = kStanding[i] + i + 1;
    sense(angles);
    PatternAligner pa;
    bool done = true;
    auto s = speeds(cycle(pa, &done));
    const char* byJoint[DOF_COUNT] = {"he1",  "he2",  "rae1", "rae2", "rae3", "rae4",
                                      "lae1", "lae2", "lae3", "lae4", "rle1", "rle2",
                                      "rle3", "rle4", "rle5", "rle6", "lle1", "lle2",
                                      "lle3", "lle4", "lle5", "lle6"};
    EXPECT_EQ(s.size(), 22u);
    for (int i = 0; i < DOF_COUNT; ++i) EXPECT_NEAR(s[byJoint[i]], toward(i + 1, 0), 1e-6) << i;
    EXPECT_FALSE(done);
    sense(kStanding);
    senseJoint(DOF_HEAD_PAN, 0.25);  // just outside the tolerance
    senseJoint(DOF_HEAD_TILT, -0.2);  // exactly the tolerance: aligned
    s = speeds(cycle(pa, &done));
    EXPECT_NEAR(s["he1"], -0.063889, 1e-6);
    EXPECT_EQ(s["he2"], 0.0);
    EXPECT_FALSE(done);
    senseJoint(DOF_HEAD_PAN, 0.2);
    cycle(pa, &done);
    EXPECT_TRUE(done);
    BodyState unset;  // unset joints keep their targets
    pa.setPattern(unset);
    EXPECT_EQ(pa.getPattern().getDOF(DOF_KNEE_L), -29.0);
}

TEST(PatternAligner, NeverCommandsAnInfiniteOrNaNSpeed) {
    PatternAligner pa;
    bool aligned = false;
    for (double bad : {9000.0, -9999.0, HUGE_VAL, std::nan("")}) {
        EXPECT_EQ(pa.jointSpeed(bad, 0.0, aligned), 0.0f);
        EXPECT_EQ(pa.jointSpeed(0.0, bad, aligned), 0.0f);
        EXPECT_TRUE(aligned) << "readings that are no angles hold nothing up";
    }
    const float gains[][2] = {{HUGE_VALF, 0.05f}, {std::nanf(""), 0.05f}, {3e38f, 0.05f},
                              {10, HUGE_VALF}};
    for (const auto& g : gains) {
        pa.setRestartParameter(0.2f, g[0], g[1]);
        EXPECT_EQ(pa.jointSpeed(8000.0, 0.0, aligned), 0.0f) << g[0] << " " << g[1];
        EXPECT_FALSE(aligned);
    }
}

TEST(RestartSkill, FinishesOnlyWhenAlignedAndAtRest) {
    const double restart[DOF_COUNT] = {0, 0, -15, 0, 90, 85, -15, 0, -90, -85};
    sense(restart);
    RestartSkill rs(0.2f, 20.0f, 0.0f, 5.0f);
    bool done = true;
    for (double y : {4.0, 3.9}) {  // a rate of exactly the threshold is not at rest
        senseGyro(3, y, 0);
        cycle(rs, &done);
        EXPECT_EQ(done, y < 4.0);
    }
    senseGyro(std::nan(""), 0, 0);
    cycle(rs, &done);
    EXPECT_FALSE(done);
}
