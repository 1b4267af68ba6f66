// The back kick: the look-back head check at construction, the bearing's
// foot choice, and the 25 swing cycles counted once for the process and
// reset by every start phase.
#include "skills/lowLevelSkills/BackKick.h"

#include <cmath>

#include "skills/MotionTestKit.h"

using namespace motiontest;

TEST(BackKick, HeadCheckAndBearingChooseTheKeyframes) {
    sense(kStanding);
    cc()->reset();
    BackKick notThere;  // head forward: turned toward the look-back pose, nothing loaded
    EXPECT_EQ(std::string(cc()->getPreparedCommand()), "(he1 -33.333332)(he2 -13.888889)");
    EXPECT_EQ(notThere.getQueuedKeyframes(), 0u);
    senseJoint(DOF_HEAD_PAN, BackKick::kLookBackPan);
    senseJoint(DOF_HEAD_TILT, -45);  // one axis in place is enough
    for (double teta : {-15.0, -15.01}) {
        Ball b;
        b.setPolarPos(Point(0.3, -20, teta));
        wm()->setBall(b);
        const BackKick k;
        EXPECT_EQ(k.getCaseFt(), teta == -15.0 ? 1 : 2) << teta;
        EXPECT_EQ(k.getQueuedKeyframes(), 3u);
    }
}

TEST(BackKick, StartThenTwentyFiveSwingCyclesThenStand) {
    sense(kStanding);
    BackKick k;
    EXPECT_EQ(parseCommand(cycle(k)).size(), 22u);  // start phase: the standing aligner
    for (int i = 1; i <= 25; ++i) {
        EXPECT_EQ(cycle(k), "(rle3 -6.100000)(rle4 2.000000)(rle5 2.500000)") << i;
    }
    EXPECT_FALSE(k.isFinished());
    cycle(k);
    EXPECT_TRUE(k.isFinished());
    BackKick next;
    cycle(next);
    EXPECT_EQ(BackKick::getSwingCount(), 0) << "one counter, reset by the start phase";
    senseAll(std::nan(""));
    cc()->reset();
    EXPECT_FALSE(next.moveHead(BackKick::kLookBackPan, BackKick::kLookBackTilt));
    EXPECT_EQ(std::string(cc()->getPreparedCommand()), "(he1 0.000000)(he2 0.000000)");
    for (int i = 0; i < 30; ++i) EXPECT_TRUE(allFinite(cycle(next)));
}
