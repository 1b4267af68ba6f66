// Team play: where a waiting player stands (behind or diagonally ahead of
// the ball, inside the field, off the opponent goal's mouth, out of the
// goalie's way), who of the two field players goes for the ball, and that a
// team list with gaps or an unset number neither crashes nor makes a
// placeholder the kicker.
#include "skills/HighLevelSkills.h"

#include <gtest/gtest.h>

#include <string>

#include "skills/BehaviourTestKit.h"

using namespace behaviourtest;

namespace {

const std::string::size_type npos = std::string::npos;

HighLevelSkills* hls() { return HighLevelSkills::getUniqueInstance(); }

void teamMate(int num, double x, double y) {
    wm()->addTmt(Player(num, SIDE_OUR, Point(x, y, 0.35)));
}

// The waiting point chosen for reference point p (robot at the origin).
struct Kept {
    bool moved = false;
    double x = 0, y = 0;
};

Kept keep(Point p, Arrow arrow) {
    Kept k;
    Request r = ask([&] { return hls()->keepDistanceWithPoint(p, 3.0, arrow, 0.5); });
    k.moved = !r.none;
    EXPECT_TRUE(keepPoint(r.printed, k.x, k.y)) << r.printed;
    return k;
}

}  // namespace

TEST(HighLevelSkillsKeepDistance, WaitingPointsBehindAheadInsideAndOutOfTheWay) {
    freshWorld();
    walkRunning();
    const double d = 3.0 * 0.7071067811865476;

    Kept k = keep(Point(2, 2, 0), BACKWARD);  // 3 m back, half way to the middle line
    EXPECT_TRUE(k.moved);
    EXPECT_DOUBLE_EQ(k.x, -1);
    EXPECT_DOUBLE_EQ(k.y, 1);
    k = keep(Point(1, 0, 0), FORWARD);  // on the middle line: ahead to the left
    EXPECT_NEAR(k.x, 1 + d, 1e-5);
    EXPECT_NEAR(k.y, d, 1e-5);
    k = keep(Point(1, 1, 0), FORWARD);  // left of it: ahead toward the middle
    EXPECT_NEAR(k.y, 1 - d, 1e-5);
    k = keep(Point(-4, 3, 0), BACKWARD);  // behind our goal line: back inside
    EXPECT_DOUBLE_EQ(k.x, -5.5);
    EXPECT_DOUBLE_EQ(k.y, 1.5);

    // Not in the opponent goal's mouth, from x = 4.5 on (exclusive).
    k = keep(Point(7.6, 0.6, 0), BACKWARD);
    EXPECT_DOUBLE_EQ(k.y, 0.8);
    k = keep(Point(7.6, -0.2, 0), BACKWARD);
    EXPECT_DOUBLE_EQ(k.y, -0.8);
    k = keep(Point(7.5, 0.6, 0), BACKWARD);
    EXPECT_DOUBLE_EQ(k.y, 0.3);

    // In front of our goal, half a metre further out than a goalie on the
    // same side; a goalie on the other side is no obstacle.
    teamMate(1, -5.7, 0.2);
    k = keep(Point(-2.2, 0.4, 0), BACKWARD);
    EXPECT_NEAR(k.x, -4.7, 1e-5);
    wm()->resetOppAndTmtVec();
    teamMate(1, -5.7, -0.3);
    k = keep(Point(-2.2, 0.4, 0), BACKWARD);
    EXPECT_NEAR(k.x, -5.2, 1e-5);
}

TEST(HighLevelSkillsKeepDistance, StaysPutOnlyWhenNearerThanTheTolerance) {
    freshWorld();
    walkRunning();
    standAt(2, 2.5, 0);  // exactly 0.5 from the reference point
    Request r =
        ask([] { return hls()->keepDistanceWithPoint(Point(2, 2, 0), 3.0, BACKWARD, 0.5); });
    EXPECT_FALSE(r.none);
    standAt(2, 2.4, 0);
    r = ask([] { return hls()->keepDistanceWithPoint(Point(2, 2, 0), 3.0, BACKWARD, 0.5); });
    EXPECT_TRUE(r.none);
    EXPECT_EQ(r.printed.find(" Keep Point = "), npos);
}

TEST(HighLevelSkillsRunPlayer, TheFieldPlayerNearerTheBallKicksTheOtherWaits) {
    freshWorld();
    walkRunning();
    wm()->setGlobalPosOfBall(Point(0, 0, 0.04));
    seeBall(1, 0);
    auto play = [](int me, double x, double y) {
        wm()->setMyNum(me);
        standAt(x, y, 0);
        return ask([] { return hls()->runPlayer(); });
    };

    // Both behind the ball.
    teamMate(1, -5.7, 0);
    teamMate(2, -1, 0);
    teamMate(3, -2, 1);
    Request r = play(2, -1, 0);
    EXPECT_NE(r.printed.find("---ballX = 0"), npos);
    EXPECT_NE(r.printed.find("========== KickTowardGoal Insame ==========="), npos);
    EXPECT_NE(r.printed.find("inputTurnAng= "), npos) << "the kick approach ran";
    r = play(3, -2, 1);
    EXPECT_NE(r.printed.find("============= KeepDist backward Insame ============"), npos);
    double x = 0, y = 0;
    ASSERT_TRUE(keepPoint(r.printed, x, y));
    EXPECT_DOUBLE_EQ(x, -3);
    EXPECT_DOUBLE_EQ(y, 0);

    // On both sides of the ball: the one behind kicks when it is about as
    // near as the one ahead, else the one ahead kicks.
    wm()->resetOppAndTmtVec();
    teamMate(1, -5.7, 0);
    teamMate(2, 1, 0);
    teamMate(3, -1, 0.5);
    r = play(3, -1, 0.5);
    EXPECT_NE(r.printed.find("========== KickTowardGoal fastest diff ==========="), npos);
    r = play(2, 1, 0);
    EXPECT_EQ(r.printed.find("KeepDist"), npos);
    EXPECT_EQ(r.id, SKILL_TFS_WALK);

    wm()->resetOppAndTmtVec();
    teamMate(1, -5.7, 0);
    teamMate(2, 1, 0);
    teamMate(3, -3, 0.5);
    r = play(3, -3, 0.5);
    EXPECT_NE(r.printed.find("============= KeepDist backward diff ============"), npos);
}

// A ball near our goal starts the kick approach before the roles are
// decided; it runs once per cycle, and what it made is not left lying
// around when this player is to wait.
TEST(HighLevelSkillsRunPlayer, BallNearOurGoalRunsTheApproachOnce) {
    freshWorld();
    wm()->setGlobalPosOfBall(Point(-5, 0, 0.04));
    seeBall(3.2, -160);
    teamMate(2, -3, 0);
    teamMate(3, -2, 1);

    wm()->setMyNum(3);
    standAt(-2, 1, 0);
    Request r = ask([] { return hls()->runPlayer(); });
    EXPECT_NE(r.printed.find("KeepDist backward Insame"), npos);
    EXPECT_EQ(countOf(r.printed, "inputTurnAng= "), 1);
    EXPECT_EQ(r.id, SKILL_TFS_WALK);

    wm()->setMyNum(2);
    standAt(-3, 0, 0);
    r = ask([] { return hls()->runPlayer(); });
    EXPECT_NE(r.printed.find("KickTowardGoal Insame"), npos);
    EXPECT_EQ(countOf(r.printed, "inputTurnAng= "), 1);
}

TEST(HighLevelSkillsRunPlayer, AnEmptyTeamOrAnUnsetNumberMakesNobodyTheKicker) {
    freshWorld();
    wm()->resetOppAndTmtVec();
    wm()->setMyNum(0);
    wm()->setGlobalPosOfBall(Point(1, 0, 0.04));
    Request r = ask([] { return hls()->runPlayer(); });
    EXPECT_EQ(r.printed.find("KickTowardGoal"), npos);
    EXPECT_NE(r.printed.find("KeepDist"), npos);
    EXPECT_FALSE(hasNonFinite(r.command));

    // Only placeholders besides this robot, whose number is unset too.
    wm()->addIllegalTmtPlayer();
    wm()->setMyInTmt();
    r = ask([] { return hls()->runPlayer(); });
    EXPECT_EQ(r.printed.find("KickTowardGoal"), npos);
}
