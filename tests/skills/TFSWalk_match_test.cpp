// The competition walk: the same commands, no console output, and a gentler
// forward ramp (full speed in 2.0 s, standstill in 0.8 s) while walking
// backward and changing direction keep the usual rates.
#include <gtest/gtest.h>

#include <string>

#include "skills/lowLevelSkills/TFSWalk.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

WorldModel* wm() { return WorldModel::getUniqueInstance(); }

void cycle(TFSWalk& walk) {
    wm()->setTime(wm()->getTime() + 0.02f);
    CommandCreator::getUniqueInstance()->reset();
    walk.run();
}

int rampTo(TFSWalk& walk, double target) {
    walk.setspeed(target);
    int n = 0;
    while (walk.getLastSpeed() != target && n < 1000) {
        cycle(walk);
        ++n;
    }
    return n;
}

}  // namespace

TEST(TFSWalkMatch, ForwardRampIsGentler) {
    TFSWalk walk;
    cycle(walk);
    EXPECT_NEAR(walk.getLastSpeed(), 0.01, 1e-12);
    EXPECT_EQ(rampTo(walk, 1.0), 99);  // 100 cycles in all
    EXPECT_EQ(rampTo(walk, 0.0), 40);
}

TEST(TFSWalkMatch, BackwardAndDirectionChangesKeepTheUsualRates) {
    TFSWalk walk;
    EXPECT_EQ(rampTo(walk, -1.0), 86);
    EXPECT_EQ(rampTo(walk, 0.0), 25);
    rampTo(walk, -1.0);
    walk.setspeed(0.5);
    cycle(walk);
    EXPECT_NEAR(walk.getLastSpeed(), -0.96, 1e-12);
}

TEST(TFSWalkMatch, WalkingPrintsNothing) {
    TFSWalk walk;
    walk.setDegree(20.0);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 30; ++i) cycle(walk);
    walk.setDegree(0.0);
    cycle(walk);
    walk.stop();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "");
    EXPECT_NE(std::string(CommandCreator::getUniqueInstance()->getPreparedCommand()).find("(rle3 "),
              std::string::npos);
}
