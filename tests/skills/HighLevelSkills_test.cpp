// Team play: where a waiting player stands (behind or diagonally ahead of
// the ball, inside the field, off the opponent goal's mouth, out of the
// goalie's way), who goes for the ball, and that placeholders in the team
// list never make anybody the kicker.
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

Point keep(Point p, Arrow arrow) {
    return keptPoint(ask([&] { return hls()->keepDistanceWithPoint(p, 3.0, arrow, 0.5); }).printed);
}

}  // namespace

TEST(HighLevelSkillsKeepDistance, WaitingPointsBehindAheadInsideAndOutOfTheWay) {
    freshWorld();
    install(new TFSWalk());
    const double d = 3.0 * 0.7071067811865476;
    EXPECT_EQ(keep(Point(2, 2, 0), BACKWARD), Point(-1, 1, 0));
    Point k = keep(Point(1, 0, 0), FORWARD);  // y = 0: ahead to the left
    EXPECT_NEAR(k.getX(), 1 + d, 1e-5);
    EXPECT_NEAR(k.getY(), d, 1e-5);
    EXPECT_EQ(keep(Point(-4, 3, 0), BACKWARD), Point(-5.5, 1.5, 0));  // back inside

    // Out of the opponent goal's mouth beyond x = 4.5.
    EXPECT_DOUBLE_EQ(keep(Point(7.6, 0.6, 0), BACKWARD).getY(), 0.8);
    EXPECT_DOUBLE_EQ(keep(Point(7.5, 0.6, 0), BACKWARD).getY(), 0.3);

    // Half a metre further out than a goalie on the same side of our goal.
    teamMate(1, -5.7, 0.2);
    EXPECT_NEAR(keep(Point(-2.2, 0.4, 0), BACKWARD).getX(), -4.7, 1e-5);

    // Exactly the tolerance away still moves; nearer stays.
    standAt(2, 2.5, 0);
    EXPECT_FALSE(
        ask([] { return hls()->keepDistanceWithPoint(Point(2, 2, 0), 3, BACKWARD, 0.5); }).none);
    standAt(2, 2.4, 0);
    EXPECT_TRUE(
        ask([] { return hls()->keepDistanceWithPoint(Point(2, 2, 0), 3, BACKWARD, 0.5); }).none);
}

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

// A ball near our goal starts the kick approach before roles are decided;
// it runs once per cycle, and what it made is not left lying around when
// this player is to wait (the sanitizer run would report the leak).
TEST(HighLevelSkillsRunPlayer, BallNearOurGoalRunsTheApproachOnce) {
    freshWorld();
    wm()->setGlobalPosOfBall(Point(-5, 0, 0.04));
    seeBall(3.2, -160);
    teamMate(2, -3, 0);
    teamMate(3, -2, 1);
    wm()->setMyNum(3);
    standAt(-2, 1, 0);
    Request r = ask([] { return hls()->runPlayer(); });
    EXPECT_TRUE(has(r.printed, "KeepDist backward Insame"));
    EXPECT_EQ(countOf(r.printed, "inputTurnAng= "), 1);

    wm()->setMyNum(2);
    standAt(-3, 0, 0);
    r = ask([] { return hls()->runPlayer(); });
    EXPECT_TRUE(has(r.printed, "KickTowardGoal Insame"));
    EXPECT_EQ(countOf(r.printed, "inputTurnAng= "), 1);
}
