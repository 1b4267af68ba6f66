// Team play: who goes for the ball and where the other waits, and that
// placeholders in the team list never make anybody the kicker.
#include "skills/HighLevelSkills.h"

#include <gtest/gtest.h>

#include <string>

#include "skills/BehaviourTestKit.h"

using namespace behaviourtest;

namespace {

HighLevelSkills* hls() { return HighLevelSkills::getUniqueInstance(); }

void teamMate(int num, double x, double y) {
    wm()->addTmt(Player(num, SIDE_OUR, Point(x, y, 0.35)));
}

std::string play(int me, double x, double y) {
    wm()->setMyNum(me);
    standAt(x, y, 0);
    return ask([] { return hls()->runPlayer(); }).printed;
}

}  // namespace

TEST(HighLevelSkillsRunPlayer, TheFieldPlayerNearerTheBallKicksTheOtherWaits) {
    freshWorld();
    install(new TFSWalk());
    wm()->setGlobalPosOfBall(Point(0, 0, 0.04));
    seeBall(1, 0);
    teamMate(1, -5.7, 0);
    teamMate(2, -1, 0);
    teamMate(3, -2, 1);
    EXPECT_TRUE(has(play(2, -1, 0), "========== KickTowardGoal Insame ==========="));
    const std::string waiter = play(3, -2, 1);
    EXPECT_TRUE(has(waiter, "============= KeepDist backward Insame ============"));
    EXPECT_TRUE(has(waiter, " Keep Point = X= -3\t\tY= 0\t")) << waiter;

    // This robot's number unset, a placeholder in the list: nobody kicks.
    wm()->resetOppAndTmtVec();
    wm()->addIllegalTmtPlayer();
    wm()->setMyNum(0);
    wm()->setMyInTmt();
    EXPECT_FALSE(has(play(0, 0, 0), "KickTowardGoal"));
}

// A ball near our goal starts the kick approach before roles are decided;
// it runs once per cycle, and what it made is not left lying around when
// this player is to wait (the sanitizer run would report the leak).
TEST(HighLevelSkillsRunPlayer, BallNearOurGoalRunsTheApproachOnce) {
    freshWorld();
    wm()->setGlobalPosOfBall(Point(-5, 0, 0.04));
    seeBall(3.2, -160);
    teamMate(2, -3, 0);
    teamMate(3, -2, 1);
    for (int me : {3, 2}) {
        const std::string printed = play(me, me == 3 ? -2 : -3, me == 3 ? 1 : 0);
        EXPECT_TRUE(has(printed, me == 3 ? "KeepDist backward Insame" : "KickTowardGoal Insame"));
        EXPECT_EQ(countOf(printed, "inputTurnAng= "), 1);
    }
}
