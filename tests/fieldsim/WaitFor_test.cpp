// --wait-for N: players started one after the other all see BeforeKickOff
// and the kick-off, because the clock waits until N robots have joined, or
// until --wait-timeout has passed.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "FieldsimTestKit.h"

TEST(WaitFor, TheCountdownToTheKickOffStartsOnlyWhenTheLastRobotHasJoined) {
    SimOptions o = testOptions();
    o.kickoffAfter = 0.5;
    o.waitFor = 3;
    SimHarness h(o);
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.steps(100);
    ASSERT_TRUE(h.join(2, "OPP", 1));
    h.sim().clientLeft(2, "connection closed by the client");  // one that left does not count
    ASSERT_TRUE(h.join(3, "OPP", 1));
    h.steps(200);
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::BeforeKickOff) << "two of three after 6 s";
    EXPECT_TRUE(h.sim().waiting());
    ASSERT_TRUE(h.join(4, "OPP", 2));
    EXPECT_FALSE(h.sim().waiting());
    const double started = h.sim().now();
    while (h.sim().rules().playMode() == PlayMode::BeforeKickOff && h.sim().now() < started + 10) h.stepAll();
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::KickOffLeft);
    EXPECT_NEAR(h.sim().now() - started, 0.5, 0.03) << "the kick-off follows the last join as it would the first";
    const std::string log = h.console();
    EXPECT_NE(log.find("1 of 3 robots joined; the clock waits for the others"), std::string::npos) << log;
    EXPECT_NE(log.find("2 of 3 robots joined; the clock waits for the others"), std::string::npos) << log;
    EXPECT_NE(log.find("3 robots joined; the clock starts"), std::string::npos) << log;
}

TEST(WaitFor, AfterTheTimeoutTheClockStartsAnywayAndSaysSo) {
    SimOptions o = testOptions();
    o.kickoffAfter = 0.2;
    o.waitFor = 6;
    o.waitTimeout = 0.3;
    ServerThread server(o);
    TestClient robot(server.port());
    std::optional<std::string> p = robot.join("VOR", 1);
    ASSERT_TRUE(p);
    // The game starts without the others.
    for (int i = 0; i < 3000 && p && p->find("(pm BeforeKickOff)") != std::string::npos; ++i) {
        ASSERT_TRUE(robot.sendFrame("(syn)"));
        p = robot.readFrame(10000);
    }
    ASSERT_TRUE(p);
    EXPECT_NE(p->find("(pm KickOff_Left)"), std::string::npos) << *p;
    server.stop();
    const std::string log = server.console();
    EXPECT_NE(log.find("waiting for 6 robots to join before the clock starts (at most 0.3 s)"), std::string::npos) << log;
    EXPECT_NE(log.find("waited 0.3 s for 6 robots, 1 joined; starting anyway; the clock starts"), std::string::npos)
        << log;
}

// In lockstep nothing runs until the robots are there: however long the
// second one takes to come, both get their first perception at the same time
// (0.02 s: after their robots' second step, as on the real server), so a run
// does not depend on how fast its programs start.
TEST(WaitFor, InLockstepNoCycleRunsUntilAllHaveLoadedTheirRobots) {
    SimOptions o = testOptions();
    o.waitFor = 2;
    o.waitTimeout = 60;
    ServerThread server(o);
    TestClient first(server.port());
    ASSERT_TRUE(first.sendFrame("(scene rsg/agent/nao/nao.rsg)"));
    EXPECT_FALSE(first.readFrame(300)) << "a cycle ran with one robot of two";
    TestClient second(server.port());
    ASSERT_TRUE(second.sendFrame("(scene rsg/agent/nao/nao.rsg)"));
    for (TestClient* c : {&first, &second}) {
        const std::optional<std::string> p = c->readFrame(10000);
        ASSERT_TRUE(p);
        EXPECT_NE(p->find("(now 0.020)"), std::string::npos) << *p;
    }
    // Served in lockstep from then on: both join in the cycle they answer.
    ASSERT_TRUE(first.sendFrame("(init (unum 1)(teamname VOR))"));
    ASSERT_TRUE(second.sendFrame("(init (unum 1)(teamname OPP))"));
    for (TestClient* c : {&first, &second}) {
        const std::optional<std::string> p = c->readFrame(10000);
        ASSERT_TRUE(p);
        EXPECT_NE(p->find("(now 0.040)"), std::string::npos) << *p;
    }
    server.stop();
    EXPECT_NE(server.console().find("2 robots joined; the clock starts"), std::string::npos) << server.console();
}
