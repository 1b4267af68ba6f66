// The referee: the play-mode sequence and the clocks, and goals from
// scripted ball motion.
#include <gtest/gtest.h>

#include "FieldsimTestKit.h"
#include "game/GameRules.h"

namespace {

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

TEST(PlayModes, FullSequenceWithClockAndHalves) {
    SimOptions o = testOptions();
    o.kickoffAfter = 1.0;
    o.halfTime = 20.0;
    SimHarness h(o);
    h.steps(10);
    ASSERT_TRUE(h.join(1, "VOR", 1));  // joins at server time 0.18: nothing happened before
    const struct {
        double at, gameTime;
        PlayMode mode;
    } sequence[] = {
        {1.18, 0.0, PlayMode::KickOffLeft},    // game time runs from the kick-off
        {16.20, 15.02, PlayMode::PlayOn},      // the ball dropped once an untouched kick-off is over 15 s old
        {21.18, 20.0, PlayMode::BeforeKickOff},
        {22.18, 20.0, PlayMode::KickOffRight},  // the other team starts the second half
        {37.20, 35.02, PlayMode::PlayOn},
        {42.18, 40.0, PlayMode::GameOver},
    };
    for (const auto& s : sequence) {
        EXPECT_NEAR(runUntilModeChanges(h), s.at, 1e-6);
        EXPECT_EQ(h.sim().rules().playMode(), s.mode) << s.at;
        EXPECT_NEAR(h.sim().rules().gameTime(), s.gameTime, 1e-6) << s.at;
    }
    EXPECT_EQ(h.sim().rules().half(), 2);
    h.steps(100);
    EXPECT_NE(h.step(1).find("(t 40.000) (pm GameOver)"), std::string::npos) << "the clock stops at the end";
}

TEST(Goals, ScoredOnceTheBallCentreIsPastTheGoalLineBetweenThePostsUnderTheBar) {
    // The real server's goal is a box inside the goal, one ball radius behind
    // the line: its goal came at a ball centre of x 6.003, not at 5.995. A
    // ball pushed by a script is nobody's: when it goes out, the real server
    // changes nothing.
    const struct {
        const char* script;
        PlayMode mode;
        int left, right;
    } cases[] = {
        {"0.1 place-ball 5.0 0.3\n0.1 push-ball 2.0 0.0\n", PlayMode::GoalLeft, 1, 0},
        {"0.1 place-ball -5.5 -0.6\n0.1 push-ball -1.5 0.0\n", PlayMode::GoalRight, 0, 1},
        {"0.1 place-ball 5.5 0.75\n0.1 push-ball 2.0 0.0\n", PlayMode::PlayOn, 0, 0},  // wide
        {"0.1 place-ball 5.8 0.0 1.2\n0.1 push-ball 3.0 0.0\n", PlayMode::PlayOn, 0, 0},  // over the bar
        {"0.1 place-ball 5.995 0.0\n", PlayMode::PlayOn, 0, 0},  // on the line, not past it
        {"0.1 place-ball 6.003 0.0\n", PlayMode::GoalLeft, 1, 0},
        {"0.1 place-ball -6.003 0.6\n", PlayMode::GoalRight, 0, 1},
        {"0.1 place-ball 5.9 0.0\n0.1 push-ball 0.5 0\n", PlayMode::GoalLeft, 1, 0},
    };
    for (const auto& c : cases) {
        SimHarness h;
        h.join(1, "VOR", 1);
        h.join(2, "OPP", 1);
        h.sim().rules().setPlayMode(PlayMode::PlayOn, 0.0);
        ASSERT_TRUE(h.script(c.script));
        const double when = runUntilModeChanges(h, 200);
        EXPECT_EQ(h.sim().rules().playMode(), c.mode) << c.script;
        EXPECT_EQ(h.sim().rules().score(TeamSide::Left), c.left) << c.script;
        EXPECT_EQ(h.sim().rules().score(TeamSide::Right), c.right) << c.script;
        if (&c == &cases[0]) {
            EXPECT_NE(h.step(1).find("(sl 1) (sr 0)"), std::string::npos);
            // Three seconds of Goal_Left, then the conceding team kicks off from the centre.
            EXPECT_NEAR(runUntilModeChanges(h), when + 3.0, 1e-6);
            EXPECT_EQ(h.sim().rules().playMode(), PlayMode::KickOffRight);
            EXPECT_EQ(h.sim().world().ball().position().x, 0.0);
        }
    }
}
