// The side step: its ten leg commands on the first cycle worked out by hand,
// the follower's dead band and clip, and the twelve trace files written
// when the skill goes.
#include <cmath>
#include <filesystem>

#include "skills/MotionTestKit.h"
#include "skills/lowLevelSkills/BSWalk.h"
#include "support/ChildProcess.h"

using namespace motiontest;

TEST(BSWalk, FirstCycleFollowerAndTraces) {
    TempDir dir;  // the traces land in the working directory
    const std::filesystem::path original = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    {
        wm()->setTime(5.0f);
        setBallUnseenFor(5.0);  // the phase is paced by the cycle, not the ball
        senseAll(0);
        senseJoint(DOF_KNEE_R, -12.5);
        senseJoint(DOF_KNEE_L, -12);
        BSWalk walk(BesideLeft);
        const double gait[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, 0.5, 1.0};
        walk.setOscParameters(gait);
        bool result = false;
        // Phase 0.02 s: the right hip rolls -20 sin(0.04 pi) = -2.506665 while
        // the left waits; hip pitch 5 and 6.253332, knees -10 and -12.506665.
        expectSent(cycle(walk, &result),
                   {{"rle3", 3.5714286}, {"lle3", 4.466666}, {"rle2", -1.7904748},
                    {"lle2", 0.0}, {"rle4", 1.7857143}, {"lle4", -0.3619036},
                    {"rle5", 3.5714286}, {"lle5", 4.466666}, {"rle6", 0.0},
                    {"lle6", -1.7904748}});
        EXPECT_TRUE(result);
        EXPECT_NEAR(walk.predictEffector(0, 8.59), 6.1357143, 1e-6);
        EXPECT_DOUBLE_EQ(walk.predictEffector(0, 8.6), kLimit);
        EXPECT_DOUBLE_EQ(walk.predictEffector(0, -9), -kLimit);
        EXPECT_EQ(walk.predictEffector(std::nan(""), 0), 0.0);
        wm()->setTime(5.02f);
        setBallUnseenFor(5.02);
        cycle(walk);
    }
    EXPECT_EQ(readWholeFile("log/turnAnalize/RightKnee.txt"),
              "2\n[-10 \t-10 \t];\n[-12.5 \t-12.5 \t];\n[0.02 \t0.04 \t];\n\n");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator("log/turnAnalize")) {
        files += entry.is_regular_file();
    }
    EXPECT_EQ(files, 12);
    std::filesystem::current_path(original);
}
