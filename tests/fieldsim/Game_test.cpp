// The referee: the play-mode sequence and the clocks, goals from scripted
// ball motion, and the ball's rolling.
#include <gtest/gtest.h>

#include <cmath>

#include "Ball.h"
#include "FieldsimTestKit.h"
#include "GameRules.h"

namespace {

SimOptions gameOptions(double kickoffAfter, double halfTime) {
    SimOptions o = testOptions();
    o.kickoffAfter = kickoffAfter;
    o.halfTime = halfTime;
    return o;
}

// Runs cycles until the play mode changes (at most `limit`); the server time then.
double runUntilModeChanges(SimHarness& h, int limit = 100000) {
    const PlayMode start = h.sim().rules().playMode();
    for (int i = 0; i < limit; ++i) {
        h.stepAll();
        if (h.sim().rules().playMode() != start) return h.sim().now();
    }
    return -1.0;
}

}  // namespace

TEST(PlayModes, NothingHappensUntilSomeoneJoins) {
    SimHarness h(gameOptions(1.0, 20.0));
    h.steps(200);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::BeforeKickOff);
    EXPECT_EQ(h.sim().rules().gameTime(), 0.0);
}

TEST(PlayModes, FullSequenceWithClockAndHalves) {
    SimHarness h(gameOptions(1.0, 20.0));
    h.steps(10);
    ASSERT_TRUE(h.join(1, "VOR", 1));  // joins at server time 0.18
    EXPECT_NEAR(runUntilModeChanges(h), 1.18, 1e-9);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::KickOffLeft);
    EXPECT_EQ(h.sim().rules().gameTime(), 0.0) << "game time runs from the kick-off";

    EXPECT_NEAR(runUntilModeChanges(h), 16.18, 1e-9) << "PlayOn 15 s after an untouched kick-off";
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::PlayOn);
    EXPECT_NEAR(h.sim().rules().gameTime(), 15.0, 1e-6);

    EXPECT_NEAR(runUntilModeChanges(h), 21.18, 1e-6) << "end of the first half";
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::BeforeKickOff);
    EXPECT_NEAR(h.sim().rules().gameTime(), 20.0, 1e-9);
    EXPECT_EQ(h.sim().rules().half(), 2);

    EXPECT_NEAR(runUntilModeChanges(h), 22.18, 1e-6);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::KickOffRight) << "the other team starts the second half";
    EXPECT_NEAR(h.sim().rules().gameTime(), 20.0, 1e-9);

    runUntilModeChanges(h);  // PlayOn
    runUntilModeChanges(h);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::GameOver);
    EXPECT_NEAR(h.sim().rules().gameTime(), 40.0, 1e-9);
    h.steps(100);
    EXPECT_NEAR(h.sim().rules().gameTime(), 40.0, 1e-9) << "the clock stops at the end";
    const std::string m = h.step(1);
    EXPECT_NE(m.find("(t 40.000) (pm GameOver)"), std::string::npos);
    EXPECT_NE(h.console().find("play mode GameOver"), std::string::npos);
}

TEST(PlayModes, TouchingTheBallStartsPlay) {
    SimHarness h(gameOptions(0.0, 300.0));
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.steps(2);
    ASSERT_EQ(h.sim().rules().playMode(), PlayMode::KickOffLeft);
    Scenario s;
    std::string error;
    ASSERT_TRUE(Scenario::parse("0.5 push-ball 0.5 0", s, error)) << error;
    h.sim().setScenario(s);
    EXPECT_NEAR(runUntilModeChanges(h), 0.5, 1e-9);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::PlayOn);
}

TEST(PlayModes, NegativeKickOffDelayWaitsForTheScenario) {
    SimHarness h(gameOptions(-1.0, 300.0));
    Scenario s;
    std::string error;
    ASSERT_TRUE(Scenario::parse("cycle:300 playmode KickOff_Right\n", s, error)) << error;
    h.sim().setScenario(s);
    ASSERT_TRUE(h.join(1, "VOR", 1));
    EXPECT_NEAR(runUntilModeChanges(h), 6.0, 1e-9);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::KickOffRight);
}

// ------------------------------------------------------------------ goals

class Goals : public ::testing::Test {
protected:
    Goals() : h(gameOptions(-1.0, 300.0)) {
        h.join(1, "VOR", 1);
        h.join(2, "OPP", 1);
        h.sim().rules().setPlayMode(PlayMode::PlayOn, 0.0);
    }
    void script(const std::string& text) {
        Scenario s;
        std::string error;
        ASSERT_TRUE(Scenario::parse(text, s, error)) << error;
        h.sim().setScenario(s);
    }
    SimHarness h;
};

TEST_F(Goals, BallIntoTheRightGoalScoresForTheLeftTeam) {
    script("0.1 place-ball 5.0 0.3\n0.1 push-ball 2.0 0.0\n");
    const double when = runUntilModeChanges(h, 200);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::GoalLeft);
    EXPECT_GT(when, 0.5);
    EXPECT_EQ(h.sim().rules().score(TeamSide::Left), 1);
    EXPECT_GT(h.sim().world().ball().position().x, 6.042);
    EXPECT_NE(h.step(1).find("(sl 1) (sr 0)"), std::string::npos);

    // Three seconds of Goal_Left, then the conceding team kicks off from the centre.
    EXPECT_NEAR(runUntilModeChanges(h), when + 3.0, 1e-6);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::KickOffRight);
    EXPECT_EQ(h.sim().world().ball().position().x, 0.0);
}

TEST_F(Goals, BallIntoTheLeftGoalScoresForTheRightTeam) {
    script("0.1 place-ball -5.5 -0.6\n0.1 push-ball -1.5 0.0\n");
    runUntilModeChanges(h, 200);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::GoalRight);
    EXPECT_EQ(h.sim().rules().score(TeamSide::Right), 1);
    runUntilModeChanges(h);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::KickOffLeft);
}

// Wide or over the bar, pushed by nobody's foot: a goal kick for the defenders.
TEST_F(Goals, WideOfThePostsOrOverTheBarIsNoGoal) {
    script("0.1 place-ball 5.5 0.75\n0.1 push-ball 2.0 0.0\n");
    h.steps(200);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::GoalKickRight);
    h.sim().rules().setPlayMode(PlayMode::PlayOn, h.sim().now());
    script("0.1 place-ball 5.8 0.0 1.2\n0.1 push-ball 3.0 0.0\n");
    h.steps(200);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::GoalKickRight);
    EXPECT_EQ(h.sim().rules().score(TeamSide::Left), 0);
}

TEST_F(Goals, TheBallMustCrossTheLineWhole) {
    script("0.1 place-ball 6.03 0.0\n");
    h.steps(50);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::PlayOn);
    script("0.1 place-ball 6.03 0.0\n0.1 push-ball 0.5 0\n");
    h.steps(50);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::GoalLeft);
}

TEST_F(Goals, NoGoalsOutsideRunningPlay) {
    h.sim().rules().setPlayMode(PlayMode::BeforeKickOff, 0.0);
    script("0.1 place-ball 5.5 0\n0.1 push-ball 2.0 0.0\n");
    h.steps(100);
    EXPECT_EQ(h.sim().rules().score(TeamSide::Left), 0);
}

// ------------------------------------------------------------------- ball

TEST(BallRolling, StopsAboutFourMetresFromTwoMetresPerSecond) {
    Ball ball;
    ball.push({2.0, 0.0, 0.0});
    int cycles = 0;
    while (ball.velocity().x > 0.0 && cycles < 10000) {
        ball.step(0.02);
        ++cycles;
    }
    EXPECT_NEAR(ball.position().x, 4.0, 0.1);
    EXPECT_EQ(ball.velocity().x, 0.0) << "it comes to rest";
    EXPECT_NEAR(ball.position().z, Ball::kRadius, 1e-12);
}

TEST(BallRolling, WallsKeepItNearTheField) {
    Ball ball;
    ball.place({0, 3.5, 0});
    ball.push({0, 10, 0});
    for (int i = 0; i < 200; ++i) {
        ball.step(0.02);
        ball.confine(7.0, 5.0);
    }
    EXPECT_LE(ball.position().y, 5.0);
}
