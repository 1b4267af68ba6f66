// Decision cycles of the competition build: its kick-off places, its role
// plan (goalie 1, attackers 2 and 3, blockers beyond), set pieces and
// stoppages played within the referee's rules, the same goalie, and not a
// line on either console stream.
#include <gtest/gtest.h>

#include <string>

#include "dmu/DmuTestKit.h"
#include "dmu/TeamPlay.h"

namespace {

using namespace dmutest;

class MatchCycle : public DmuCycle {
protected:
    void TearDown() override { EXPECT_EQ(heard, ""); }
};

TEST_F(MatchCycle, BeforeKickOffBeamsOnceToTheKickOffSpotsAndWakesTheRobot) {
    TeamPlay::getUniqueInstance()->reset();
    wm()->setPlayMode(PM_BEFORE_KICK_OFF);
    wm()->setGSTime(0.0f);
    EXPECT_EQ(cycle(), "(beam -3.500000 -1.500000 0.000000)");
    // A robot that sees only the far flags still places itself where it
    // stood: the beam is not repeated in this stoppage, and the robot is
    // woken (the server leaves a robot that holds still hanging where the
    // beam put it).
    EXPECT_EQ(cycle(), "(he1 0.020000)");
    EXPECT_EQ(cycle(), "(he1 -0.020000)");
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(has(cycle(), "beam"));
    // Our taker waits at the ball when we kick off (the left team does at
    // the start of a game) and outside the circle otherwise.
    wm()->setMyNum(3);
    wm()->setMyCartPos(Point(-3.0, 2.0, 0.5));
    EXPECT_EQ(cycle(), "(beam -0.200000 -0.055000 0.000000)");
}

TEST_F(MatchCycle, AfterAGoalThePlayersTakeTheirPlacesForTheNextKickOff) {
    TeamPlay::getUniqueInstance()->reset();
    wm()->setMyNum(3);
    wm()->setPlayMode(PM_KICKOFF_LEFT);
    cycle();
    wm()->setPlayMode(PM_GOAL_LEFT);  // we scored: they kick off
    EXPECT_EQ(cycle(), "(beam -2.450000 0.000000 0.000000)");
}

TEST_F(MatchCycle, TheGoalieGuardsInEveryRunningModeAndDivesAsBefore) {
    wm()->setMyNum(1);
    see(5.0, 0.0);
    for (PlayMode pm : {PM_CORNER_KICK_RIGHT, PM_FREE_KICK_LEFT, PM_KICKIN_RIGHT, PM_KICKOFF_RIGHT}) {
        wm()->setPlayMode(pm);
        EXPECT_TRUE(has(cycle(), "(rle3 -")) << pm << ": the goalie stands straight";
    }
    wm()->setPlayMode(PM_GAME_OVER);
    EXPECT_EQ(cycle(), "");
    wm()->setPlayMode(PM_PLAY_ON);
    wm()->setGSTime(0.0f);
    see(0.5, 0.5);
    EXPECT_EQ(cycle(11.0), kDiveLeft);
}

// When the other team gets a set piece, a player walking after the ball is
// brought to a stop by the walk's own ramp: joints stopped dead in
// mid-stride topple the robot.
TEST_F(MatchCycle, ThePlayersStopWalkingGentlyWhenTheOtherTeamGetsASetPiece) {
    see(3.0, 0.0);
    for (int i = 0; i < 10 && running() != SKILL_TFS_WALK; ++i) cycle();
    ASSERT_EQ(running(), SKILL_TFS_WALK);
    wm()->setPlayMode(PM_KICKIN_RIGHT);
    const std::string text = cycle();
    EXPECT_NE(text, kStopAll);
    EXPECT_EQ(running(), SKILL_TFS_WALK);
    EXPECT_TRUE(static_cast<TFSWalk*>(sm()->getRunningSkill())->isstopping());
}

}  // namespace
