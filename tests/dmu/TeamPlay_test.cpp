#include "dmu/TeamPlay.h"

#include <gtest/gtest.h>

#include <cmath>

#include "etc/SkillParams.h"
#include "objects/Boned.h"
#include "objects/Player.h"
#include "skills/BehaviourTestKit.h"

namespace {

using namespace behaviourtest;

TeamPlay* play() {
    TeamPlay* t = TeamPlay::getUniqueInstance();
    return t;
}

// The referee's centre circle has radius 2 and measures the robot's outline,
// about 0.21 m ahead of the torso: the spot outside must keep clear of it.
constexpr double kCircleReach = 2.0 + 0.21;

bool insideCircle(const Point& p) { return std::hypot(p.getX(), p.getY()) < kCircleReach; }

// Who kicks off next decides where our taker waits: at the ball only when we
// do, outside the circle otherwise. Goals and half time tell; before the
// first kick-off of a game the left team is taken to kick off.
TEST(TeamPlayKickOff, TheTakerWaitsAtTheBallOnlyWhenWeKickOff) {
    play()->reset();
    play()->observe(PM_BEFORE_KICK_OFF, SIDE_LEFT, 0.0, 1.0);
    EXPECT_TRUE(play()->weKickOffNext());
    EXPECT_TRUE(insideCircle(play()->kickOffSpot(TeamPlay::kTaker)));
    EXPECT_LT(play()->kickOffSpot(TeamPlay::kTaker).getX(), -0.15) << "its arms and feet stay in our half";

    play()->reset();
    play()->observe(PM_BEFORE_KICK_OFF, SIDE_RIGHT, 0.0, 1.0);
    EXPECT_FALSE(play()->weKickOffNext());
    for (int unum = 1; unum <= 11; ++unum) {
        const Point spot = play()->kickOffSpot(unum);
        EXPECT_FALSE(insideCircle(spot)) << unum;
        EXPECT_LT(spot.getX(), -0.3) << unum;
        EXPECT_LT(std::fabs(spot.getY()), 4.0) << unum;
    }

    // We kicked off the first half from the right; they score, we kick off.
    play()->reset();
    play()->observe(PM_BEFORE_KICK_OFF, SIDE_RIGHT, 0.0, 1.0);
    play()->observe(PM_KICKOFF_RIGHT, SIDE_RIGHT, 0.0, 5.0);
    play()->observe(PM_PLAY_ON, SIDE_RIGHT, 1.0, 6.0);
    play()->observe(PM_GOAL_LEFT, SIDE_RIGHT, 30.0, 35.0);
    EXPECT_TRUE(play()->weKickOffNext()) << "the team scored on kicks off";
    play()->observe(PM_KICKOFF_RIGHT, SIDE_RIGHT, 33.0, 38.0);
    play()->observe(PM_PLAY_ON, SIDE_RIGHT, 34.0, 39.0);
    play()->observe(PM_GOAL_RIGHT, SIDE_RIGHT, 50.0, 55.0);
    EXPECT_FALSE(play()->weKickOffNext());
    // Half time: the team that did not kick off the first half kicks off.
    play()->observe(PM_PLAY_ON, SIDE_RIGHT, 60.0, 65.0);
    play()->observe(PM_BEFORE_KICK_OFF, SIDE_RIGHT, 300.0, 305.0);
    EXPECT_FALSE(play()->weKickOffNext());
}

// The player that took our set piece leaves the ball alone once play goes
// on (its second touch would be a foul); nobody else has to.
TEST(TeamPlayKickOff, TheTakerLeavesTheBallAloneForAWhileOncePlayGoesOn) {
    play()->reset();
    play()->observe(PM_KICKOFF_LEFT, SIDE_LEFT, 0.0, 5.0);
    play()->takingSetPiece(3);
    EXPECT_FALSE(play()->mustLeaveBall(3, 5.5)) << "not while it is still taking it";
    play()->observe(PM_PLAY_ON, SIDE_LEFT, 1.0, 6.0);
    EXPECT_TRUE(play()->mustLeaveBall(3, 6.0));
    EXPECT_TRUE(play()->mustLeaveBall(3, 11.9));
    EXPECT_FALSE(play()->mustLeaveBall(2, 7.0));
    EXPECT_FALSE(play()->mustLeaveBall(3, 12.1));

    // Every player knows the taker of our kick-off (number 3) must leave
    // the ball, not only the taker itself.
    play()->reset();
    play()->observe(PM_KICKOFF_LEFT, SIDE_LEFT, 0.0, 5.0);
    play()->observe(PM_PLAY_ON, SIDE_LEFT, 1.0, 6.0);
    EXPECT_TRUE(play()->mustLeaveBall(TeamPlay::kTaker, 7.0));
    play()->reset();
    play()->observe(PM_KICKOFF_RIGHT, SIDE_LEFT, 0.0, 5.0);
    play()->observe(PM_PLAY_ON, SIDE_LEFT, 1.0, 6.0);
    EXPECT_FALSE(play()->mustLeaveBall(TeamPlay::kTaker, 7.0)) << "their kick-off";

    // Their set piece: nobody of ours took it.
    play()->observe(PM_KICKIN_RIGHT, SIDE_LEFT, 20.0, 25.0);
    play()->observe(PM_PLAY_ON, SIDE_LEFT, 21.0, 26.0);
    EXPECT_FALSE(play()->mustLeaveBall(3, 26.5));
}

// The ball does not move by itself: once it has come to rest after our
// taker's kick and is then seen well away from there a few times, another
// robot has touched it and the taker may play it again. A rolling ball, a
// jitter of the sighting or a ball not seen lately changes nothing.
TEST(TeamPlayKickOff, TheTakerGoesBackToTheBallOnceAnotherRobotHasMovedIt) {
    SkillParams::getUniqueInstance()->set(TeamPlay::kSkill, "leaveBallFor", 40.0);
    play()->reset();
    play()->observe(PM_KICKOFF_LEFT, SIDE_LEFT, 0.0, 5.0);
    play()->observe(PM_PLAY_ON, SIDE_LEFT, 1.0, 6.0);
    auto sight = [](double t, double x, double y, bool fresh = true) {
        wm()->setTime(t);
        seeBall(1.0, 0.0, fresh ? t : t - 1.0);
        wm()->setGlobalPosOfBall(Point(x, y, 0.04));
        play()->noteBall(*wm());
    };
    sight(6.5, 1.0, 0.0);  // still rolling from the kick
    sight(7.0, 2.5, 0.0);
    sight(9.5, 3.0, 0.0);  // at rest
    for (int i = 0; i < 10; ++i) sight(10.0 + 0.1 * i, 3.0 + (i % 2 ? 0.3 : -0.3), 0.2);
    EXPECT_TRUE(play()->mustLeaveBall(TeamPlay::kTaker, 11.0)) << "the sighting's jitter moves nothing";
    for (int i = 0; i < 5; ++i) sight(12.0 + 0.1 * i, 4.5, 1.0, false);
    EXPECT_TRUE(play()->mustLeaveBall(TeamPlay::kTaker, 12.5)) << "a ball not seen lately tells nothing";
    sight(13.0, 4.5, 1.0);
    sight(13.1, 4.5, 1.0);
    EXPECT_TRUE(play()->mustLeaveBall(TeamPlay::kTaker, 13.1)) << "two sightings may both be wrong";
    sight(13.2, 4.5, 1.0);
    EXPECT_FALSE(play()->mustLeaveBall(TeamPlay::kTaker, 13.2));
    SkillParams::getUniqueInstance()->set(TeamPlay::kSkill, "leaveBallFor", 6.0);
    play()->reset();
}

// Near another robot the walk slows below the pace the referee counts as
// charging (0.4 m/s; full speed is about 0.6 m/s); in the open it is free.
TEST(TeamPlaySpeed, SlowsNearOtherRobotsAndReadsItsValues) {
    SkillParams::getUniqueInstance()->clear();
    EXPECT_EQ(TeamPlay::speedLimit(HUGE_VAL), 1.0);
    EXPECT_EQ(TeamPlay::speedLimit(3.0), 1.0);
    EXPECT_LT(TeamPlay::speedLimit(0.8), 0.6);
    EXPECT_EQ(TeamPlay::speedLimit(std::nan("")), 1.0) << "no sighting, no limit";
    SkillParams::getUniqueInstance()->set("play", "nearSpeed", 0.3);
    EXPECT_DOUBLE_EQ(TeamPlay::speedLimit(0.8), 0.3);
    SkillParams::getUniqueInstance()->clear();
}

// Robots seen through any of their parts are placed relative to the body,
// the head's turn included; our own arms (which the robot sees as a player
// of its own team and number) and stale sightings are left out.
TEST(TeamPlaySightings, PlacesRobotsInTheBodyFrameAndLeavesOutItselfAndOldOnes) {
    wm()->setTime(kNow);
    wm()->setMyNum(3);
    wm()->resetOppAndTmtVec();
    auto robot = [](int unum, Side side, double ro, double teta, double seenAt, double pan) {
        Player p;
        p.setNum(unum);
        p.setSide(side);
        Boned part;
        part.setID(rFoot);
        part.setPolarPos(Point(ro, 0, teta));
        part.setLastTimeSeenBoned(seenAt);
        p.setBoned(part, rFoot);
        p.setLastTimeSeenPlayer(seenAt);
        p.setLastStepSeenHeadPanDegree(pan);
        return p;
    };
    wm()->addTmt(robot(3, SIDE_OUR, 0.2, 30, kNow, 0));     // our own arm
    wm()->addTmt(robot(2, SIDE_OUR, 1.0, 60, kNow, 30));    // straight to the left
    wm()->addOpp(robot(7, SIDE_OPP, 0.7, 0, kNow - 0.04, 0));
    wm()->addOpp(robot(8, SIDE_OPP, 0.3, 0, kNow - 5.0, 0));  // long gone
    const auto seen = TeamPlay::robotsSeen(*wm(), 1.0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NEAR(seen[0].x, 0.0, 1e-9);
    EXPECT_NEAR(seen[0].y, 1.0, 1e-9);
    EXPECT_TRUE(seen[0].teammate);
    EXPECT_NEAR(TeamPlay::nearestRobot(*wm()), 0.7, 1e-9);

    // Ball 1.2 m ahead; teammate 2 stands 1 m to the left of us, so it is
    // farther from the ball: we take it. Once it stands ahead of us near
    // the ball, it does.
    seeBall(1.2, 0.0, kNow);
    EXPECT_FALSE(TeamPlay::teammateNearerToBall(*wm(), 0.3));
    wm()->resetOppAndTmtVec();
    wm()->addTmt(robot(2, SIDE_OUR, 0.9, 0, kNow, 0));
    EXPECT_TRUE(TeamPlay::teammateNearerToBall(*wm(), 0.3));
    wm()->resetOppAndTmtVec();
    wm()->addTmt(robot(1, SIDE_OUR, 1.1, 0, kNow, 0));
    EXPECT_FALSE(TeamPlay::teammateNearerToBall(*wm(), 0.3)) << "the goalie never takes over";

    // Nor does the taker of our kick-off while it must leave the ball:
    // waiting for it, nobody played the ball until it came back and touched
    // it a second time, a foul.
    wm()->resetOppAndTmtVec();
    wm()->addTmt(robot(TeamPlay::kTaker, SIDE_OUR, 0.9, 0, kNow, 0));
    wm()->setMyNum(2);
    play()->reset();
    play()->observe(PM_KICKOFF_LEFT, SIDE_LEFT, 0.0, kNow - 1.0);
    play()->observe(PM_PLAY_ON, SIDE_LEFT, 1.0, kNow - 0.5);
    EXPECT_FALSE(TeamPlay::teammateNearerToBall(*wm(), 0.3));
    play()->reset();
    EXPECT_TRUE(TeamPlay::teammateNearerToBall(*wm(), 0.3));
}

// Kicking toward the goal from beyond the ball means going round it first:
// from behind it costs less at the same distance, on either side of the
// field, and a position that is no number costs more than any other.
TEST(TeamPlayTaker, BehindTheBallIsCheaperThanBeyondIt) {
    for (const Point& ball : {Point(0, 0, 0), Point(3.0, 2.0, 0), Point(-4.0, -2.5, 0)}) {
        // Along the ball's line to the goal, 1 m either way, and at 45 degrees.
        const double bx = ball.getX(), by = ball.getY();
        const double l = std::hypot(6.0 - bx, by);
        const double ux = (6.0 - bx) / l, uy = -by / l;
        for (double turn : {0.0, 45.0, -45.0}) {
            const double c = std::cos(turn / 57.29577951), s = std::sin(turn / 57.29577951);
            const double dx = ux * c - uy * s, dy = ux * s + uy * c;
            const double behind = TeamPlay::kickCost(bx - dx, by - dy, ball);
            const double beyond = TeamPlay::kickCost(bx + dx, by + dy, ball);
            EXPECT_LT(behind, beyond) << ball.getX() << ", " << ball.getY() << " at " << turn;
            EXPECT_GE(behind, 0.0);
        }
    }
    const double nan = std::nan("");
    EXPECT_GT(TeamPlay::kickCost(nan, 0.0, Point(0, 0, 0)), TeamPlay::kickCost(6.0, 4.0, Point(0, 0, 0)));
}

// Who takes the ball: a teammate known to be better placed by more than the
// margin does, however our body is turned; a small difference swaps
// nothing, a teammate not seen for a while is not counted on, nor is the
// goalie, nor the taker that must leave the ball alone.
TEST(TeamPlayTaker, LeavesTheBallOnlyToATeammatePlainlyBetterPlacedAndLatelySeen) {
    auto teammate = [](int unum, double x, double y, double seenAt) {
        Player p;
        p.setNum(unum);
        p.setSide(SIDE_OUR);
        Boned part;
        part.setID(head);
        part.setPolarPos(Point(std::hypot(x, y), 0, std::atan2(y, x) * kDeg));
        part.setLastTimeSeenBoned(seenAt);
        p.setBoned(part, head);
        p.setLastTimeSeenPlayer(seenAt);
        return p;
    };
    // We stand beside the ball at (0.5, -2), facing +y (the yaw grows
    // clockwise); number 4, seen 2 m ahead and 1.5 m to the left of us,
    // stands 1 m behind the ball at (0, 0) on the line to the goal.
    auto scene = [&](int unum, double seenAt) {
        play()->reset();
        wm()->setTime(kNow);
        wm()->setMyNum(2);
        wm()->resetOppAndTmtVec();
        standAt(0.5, -2.0, -90.0);
        wm()->setGlobalPosOfBall(Point(0, 0, 0.04));
        wm()->addTmt(teammate(unum, 2.0, 1.5, seenAt));
        play()->noteTeammates(*wm());
    };
    scene(4, kNow);
    EXPECT_TRUE(play()->teammateBetterPlaced(*wm(), 0.5));
    EXPECT_FALSE(play()->teammateBetterPlaced(*wm(), 10.0)) << "within the margin nobody swaps";

    // Out of view it is still counted on for a while, then no more.
    wm()->resetOppAndTmtVec();
    wm()->setTime(kNow + 0.5 * TeamPlay::kTeammateMemory);
    play()->noteTeammates(*wm());
    EXPECT_TRUE(play()->teammateBetterPlaced(*wm(), 0.5));
    wm()->setTime(kNow + TeamPlay::kTeammateMemory + 0.5);
    play()->noteTeammates(*wm());
    EXPECT_FALSE(play()->teammateBetterPlaced(*wm(), 0.5)) << "seen too long ago";

    // A sighting already stale places nobody.
    scene(4, kNow - 1.0);
    EXPECT_FALSE(play()->teammateBetterPlaced(*wm(), 0.5));
    // The goalie keeps its goal.
    scene(1, kNow);
    EXPECT_FALSE(play()->teammateBetterPlaced(*wm(), 0.5));
    // The taker of our kick-off must leave the ball alone for a while.
    scene(TeamPlay::kTaker, kNow);
    EXPECT_TRUE(play()->teammateBetterPlaced(*wm(), 0.5));
    play()->observe(PM_KICKOFF_LEFT, SIDE_LEFT, 0.0, kNow - 1.0);
    play()->observe(PM_PLAY_ON, SIDE_LEFT, 1.0, kNow - 0.5);
    EXPECT_FALSE(play()->teammateBetterPlaced(*wm(), 0.5));
    play()->reset();
}

}  // namespace
