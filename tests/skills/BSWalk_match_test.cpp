// The competition side step sends the same commands and leaves no traces.
#include <filesystem>

#include "skills/MotionTestKit.h"
#include "skills/lowLevelSkills/BSWalk.h"
#include "support/ChildProcess.h"

using namespace motiontest;

TEST(BSWalkMatch, SameCommandsNoTraces) {
    TempDir dir;
    const std::filesystem::path original = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    wm()->setTime(5.0f);
    {
        BSWalk walk(BesideLeft);
        const double gait[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, 0.5, 1.0};
        walk.setOscParameters(gait);
        EXPECT_EQ(cycle(walk).rfind("(rle3 3.571429)(lle3 4.466666)(rle2 -1.790475)", 0), 0u);
    }
    EXPECT_FALSE(std::filesystem::exists("log"));
    std::filesystem::current_path(original);
}
