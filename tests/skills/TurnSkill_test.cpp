// The turn: the standing posture once the heading is reached, and a phase
// paced by the server cycle rather than by when the ball was last seen.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "geometry/Point.h"
#include "skills/lowLevelSkills/TurnSkill.h"
#include "skills/MotionTestKit.h"

using namespace motiontest;

namespace {

void setYaw(double yaw) { wm()->setDir(Point(0, 0, yaw)); }

}  // namespace

TEST(TurnSkill, ReachedHeadingHoldsTheStandingPosture) {
    senseAllJointsAt(0);
    setYaw(29.95);
    TurnSkill turn(30);
    bool result = true;
    Sent sent = parseCommand(runOnce(turn, &result));
    EXPECT_FALSE(result);
    EXPECT_FALSE(turn.isFinished());
    ASSERT_EQ(sent.size(), 22u);  // the aligner drives every joint, head first
    EXPECT_EQ(sent[0].first, "he1");
    // Exactly a tenth of a degree off counts as reached; beyond, it turns.
    setYaw(0);
    turn.setDeg(0.1);
    EXPECT_EQ(parseCommand(runOnce(turn)).size(), 22u);
    turn.setDeg(0.25);
    setYaw(0.125);
    EXPECT_EQ(parseCommand(runOnce(turn, &result)).size(), 12u);
    EXPECT_TRUE(result);
}

TEST(TurnSkill, PhaseIgnoresTheBallAndSurvivesRetargeting) {
    wm()->setTime(8.0f);
    setYaw(0);
    senseAllJointsAt(1.5);
    TurnSkill unseen(45);
    TurnSkill inView(45);
    TurnSkill retargeted(-45);
    const double odd[7] = {1, 2, 3, 4, 5, 6, 0};
    inView.setOscParameters(odd);  // stored only: the gait is fixed
    for (int n = 0; n < 40; ++n) {
        wm()->setTime(wm()->getTime() + 0.02f);
        setBallUnseenFor(8.0 + n);
        const std::string a = runOnce(unseen);
        setBallUnseenFor(0.02);
        ASSERT_EQ(a, runOnce(inView)) << n;
    }
    retargeted.setDeg(45);
    EXPECT_EQ(runOnce(retargeted), runOnce(unseen));
}
