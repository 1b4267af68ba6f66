// Team play: who goes for the ball, and that placeholders in the team list
// never make anybody the kicker.
#include "skills/HighLevelSkills.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "skills/BehaviourTestKit.h"

using namespace behaviourtest;

namespace {

HighLevelSkills* hls() { return HighLevelSkills::getUniqueInstance(); }

void teamMate(int num, double x, double y) {
    wm()->addTmt(Player(num, SIDE_OUR, Point(x, y, 0.35)));
}

// The waiting point a " Keep Point = " line names.
Point keptPoint(const std::string& printed) {
    double x = NAN, y = NAN;
    const auto at = printed.find(" Keep Point = ");
    if (at != std::string::npos) {
        std::sscanf(printed.c_str() + at, " Keep Point = X= %lf Y= %lf", &x, &y);
    }
    return Point(x, y, 0);
}

}  // namespace

TEST(HighLevelSkillsRunPlayer, TheFieldPlayerNearerTheBallKicksTheOtherWaits) {
    freshWorld();
    install(new TFSWalk());
    wm()->setGlobalPosOfBall(Point(0, 0, 0.04));
    seeBall(1, 0);
    auto play = [](int me, double x, double y) {
        wm()->setMyNum(me);
        standAt(x, y, 0);
        return ask([] { return hls()->runPlayer(); }).printed;
    };
    teamMate(1, -5.7, 0);
    teamMate(2, -1, 0);
    teamMate(3, -2, 1);
    EXPECT_TRUE(has(play(2, -1, 0), "========== KickTowardGoal Insame ==========="));
    const std::string waiter = play(3, -2, 1);
    EXPECT_TRUE(has(waiter, "============= KeepDist backward Insame ============"));
    EXPECT_EQ(keptPoint(waiter), Point(-3, 0, 0));

    // On both sides of the ball: the one behind kicks when about as near.
    wm()->resetOppAndTmtVec();
    teamMate(2, 1, 0);
    teamMate(3, -1, 0.5);
    EXPECT_TRUE(has(play(3, -1, 0.5), "========== KickTowardGoal fastest diff ==========="));
    EXPECT_FALSE(has(play(2, 1, 0), "KeepDist"));
    wm()->resetOppAndTmtVec();
    teamMate(2, 1, 0);
    teamMate(3, -3, 0.5);
    EXPECT_TRUE(has(play(3, -3, 0.5), "============= KeepDist backward diff ============"));

    // This robot's number unset, a placeholder in the list: nobody kicks.
    wm()->resetOppAndTmtVec();
    wm()->addIllegalTmtPlayer();
    wm()->setMyNum(0);
    wm()->setMyInTmt();
    EXPECT_FALSE(has(play(0, 0, 0), "KickTowardGoal"));
}
