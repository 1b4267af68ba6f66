// Decision cycles of the development build: scripted world states or
// perception texts, one DMU::behave() per cycle, assertions on the command
// text, the printed lines and the skills the manager holds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "dmu/DmuTestKit.h"
#include "dmu/TeamPlay.h"
#include "etc/SkillParams.h"
#include "geometry/Geometry.h"
#include "utils/WorldModelUpdater.h"

namespace {

using namespace dmutest;

const char* const kGoalie = "Baba la aghal ino chap kon!";

// A perception text, parsed as the runtime does, then one decision.
void perceive(DMU* dmu, double t, const char* frp, const char* acc) {
    char text[512];
    std::snprintf(text, sizeof text, "(time (now %.2f))(GS (t 5.00) (pm PlayOn))%s%s", t, acc, frp);
    char* cursor = text;
    WorldModelUpdater updater;
    updater.setMessage(&cursor);
    updater.parseMessage();
    testing::internal::CaptureStdout();
    dmu->behave();
    testing::internal::GetCapturedStdout();
}

TEST_F(DmuCycle, BeforeKickOffAlignsThenBeamsHome) {
    wm()->setPlayMode(PM_BEFORE_KICK_OFF);
    senseStanding(false);
    EXPECT_EQ(cycle().find("(beam"), std::string::npos);
    senseStanding();
    // Number 3 starts near the centre on the left, deeper on the right;
    // numbers outside 1..3 take number 3's place.
    wm()->setMyNum(3);
    EXPECT_EQ(cycle(), "(beam -0.160000 0.000000 1.000000)");
    wm()->setMyNum(0);
    wm()->setOurSide(SIDE_RIGHT);
    EXPECT_EQ(cycle(), "(beam -1.500000 0.000000 1.000000)");
    // Within 0.3 on every axis (the camera height too) is home; NaN is not.
    // At home after a beam the robot is woken by a slight nod (the server
    // leaves a robot that holds still hanging where the beam put it).
    wm()->setMyNum(2);
    wm()->setMyCartPos(Point(-3.4, 0.3, 1.25));
    EXPECT_EQ(cycle(), "(he1 0.020000)");
    wm()->setMyCartPos(Point(-3.6, 0.31, 1.0));
    EXPECT_EQ(cycle(), "(beam -3.600000 0.000000 1.000000)");
    // A beam is exact, while the self-localisation may lag for seconds after
    // it: the same spot is not beamed to again in this stoppage, unless the
    // robot fell.
    wm()->setMyCartPos(Point(NAN, 0, 1.0));
    EXPECT_EQ(cycle().find("(beam"), std::string::npos);
    wm()->setPlayMode(PM_PLAY_ON);
    cycle();
    wm()->setPlayMode(PM_BEFORE_KICK_OFF);
    EXPECT_EQ(cycle(), "(beam -3.600000 0.000000 1.000000)") << "a new stoppage";
}

TEST_F(DmuCycle, RoleTableAndPlayModeDispatch) {
    senseStanding(false);
    see(5.0, 0.0);
    // Number 1 stops all joints until the clock runs, then guards in every
    // play mode.
    wm()->setMyNum(1);
    wm()->setGSTime(0.0f);
    EXPECT_EQ(cycle(), kStopAll);
    wm()->setGSTime(1.0f);
    wm()->setPlayMode(PM_KICKOFF_RIGHT);
    cycle();
    EXPECT_TRUE(printed(kGoalie));
    // In play-on number 10 guards too and everybody else stands.
    wm()->setPlayMode(PM_PLAY_ON);
    wm()->setMyNum(11);
    EXPECT_EQ(cycle(), kStopAll);
    // Number 10 shows which restarts lead to the play-on behaviour.
    wm()->setMyNum(10);
    wm()->setPlayMode(PM_CORNER_KICK_RIGHT);
    cycle();
    EXPECT_TRUE(printed(kGoalie));
    wm()->setPlayMode(PM_FREE_KICK_LEFT);
    EXPECT_EQ(cycle(), kStopAll);
    // In the goal modes every player runs the goalie, unprepared.
    senseStanding();
    wm()->setMyNum(7);
    wm()->setPlayMode(PM_GOAL_RIGHT);
    cycle();
    EXPECT_TRUE(printed(kGoalie));
}

TEST_F(DmuCycle, PreparationGateOpensOnceAndClosesAgainAfterAFall) {
    senseStanding();
    EXPECT_NE(cycle(), kStopAll);
    EXPECT_TRUE(printed("======== Preparing For Running Skills ========\n"));
    senseStanding(false);
    EXPECT_EQ(cycle(), kStopAll);
    senseStanding();
    // Close the fall detector's first half-second window on the feet, then
    // lift both feet for 20 of the next window's 25 cycles.
    for (int i = 3; i <= 25; ++i) ASSERT_EQ(cycle(), kStopAll);
    onFeet = false;
    for (int i = 0; i < 19; ++i) ASSERT_EQ(cycle(), kStopAll) << i;
    EXPECT_NE(cycle(), kStopAll);
    EXPECT_TRUE(printed("Agent is felt\n"));
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
    // The detector, asked once per cycle, holds the fall to the end of its
    // window; then the robot goes through the preparation posture again.
    onFeet = true;
    for (int i = 0; i < 5; ++i) EXPECT_TRUE((cycle(), printed("Agent is felt"))) << i;
    cycle();
    EXPECT_TRUE(printed("Preparing For Running Skills"));
}

TEST_F(DmuCycle, AccelerometerShowsFallsTheFootSensorsMiss) {
    const char* heels =
        "(FRP (n rf) (c 0 -0.079 -0.012) (f 0 50 -12))"
        "(FRP (n lf) (c 0 -0.079 -0.012) (f 0 50 -12))";
    const char* toes =
        "(FRP (n rf) (c 0 0.086 -0.02) (f -3.6 -55 -63))"
        "(FRP (n lf) (c 0 0.086 -0.02) (f 3.6 -55 -63))";
    const char* onBack = "(ACC (n torso) (a 0.00 9.81 0.00))";
    senseStanding(false);
    // On the back with heels down, on the front with the toes touching in
    // one message of three, the foot sensors never tell; ten lying readings
    // in a row do, on either side.
    for (const char* acc : {onBack, "(ACC (n torso) (a 0.00 -9.81 0.00))"}) {
        for (int i = 0; i < DMU::kLyingMessages; ++i) {
            perceive(dmu, 30 + 0.02 * i, acc == onBack ? heels : (i % 3 ? "" : toes), acc);
            EXPECT_EQ(dmu->isFallenThisCycle(), i == DMU::kLyingMessages - 1) << i;
        }
        EXPECT_EQ(running(), SKILL_NAO_STANDUP);
        perceive(dmu, 31, heels, "(ACC (n torso) (a 0.00 0.00 9.81))");
        EXPECT_FALSE(dmu->isFallenThisCycle());
    }
    // An impact spike, a broken reading or a message without an
    // accelerometer breaks the run.
    for (int i = 1; i < 90; ++i) {
        const char* acc = i % 9 != 0 ? onBack
                          : i < 30   ? "(ACC (n torso) (a 0 0 9.81))"
                          : i < 60   ? "(ACC (n torso) (a nan 9.81 0.00))"
                                     : "";
        perceive(dmu, 40 + 0.02 * i, heels, acc);
        ASSERT_FALSE(dmu->isFallenThisCycle()) << i;
    }
}

// A kick stands on one leg for over a second, and a walk rocks: the foot
// sensors then read a foot in the air for most of their window. Taken for a
// fall, the robot broke off its kick for a stand-up begun on its feet, which
// threw it down. While the accelerometer shows the torso up, it is up.
TEST_F(DmuCycle, FeetInTheAirAreNoFallWhileTheTorsoIsUp) {
    const char* oneFoot = "(FRP (n lf) (c 0 -0.014 -0.01) (f 0 0 22))";
    senseStanding();
    for (int i = 0; i < 60; ++i) {
        // Upright, and leaning 45 degrees as a rocking walk may.
        perceive(dmu, 50 + 0.02 * i, oneFoot,
                 i < 30 ? "(ACC (n torso) (a 0.00 0.00 9.81))" : "(ACC (n torso) (a 6.9 0.00 6.9))");
        ASSERT_FALSE(dmu->isFallenThisCycle()) << i;
    }
    // Tipped past 60 degrees the feet are believed again, and so they are
    // in a message without an accelerometer.
    bool fell = false;
    for (int i = 0; i < 30; ++i) {
        perceive(dmu, 52 + 0.02 * i, oneFoot, i < 15 ? "(ACC (n torso) (a 9.0 0.00 3.5))" : "");
        fell = fell || dmu->isFallenThisCycle();
    }
    EXPECT_TRUE(fell);
}

// ---- The goalie -------------------------------------------------------------

class GoalieCycle : public DmuCycle {
protected:
    void SetUp() override {
        DmuCycle::SetUp();
        wm()->setMyNum(1);
        // The ball well ahead: the goalie stands straight, and this last
        // quiet cycle (10 s) starts the dive clock.
        see(5.0, 0.0);
        ASSERT_TRUE((cycle(10.0), printed("nnnnnnnnot falling\n")));
    }
    // The distance at which a sighting at bearing teta lies exactly `want`
    // along x or y after the goalie's polar conversion.
    static double distanceGiving(double want, double teta, bool alongY) {
        double ro = std::fabs(want);
        for (int i = 0; i < 400; ++i) {
            const Point c = Geometry::convertPolToCart(Point(ro, 0, teta));
            const double got = alongY ? c.getY() : c.getX();
            if (got == want) return ro;
            ro = std::nextafter(ro, std::fabs(got) < std::fabs(want) ? 10.0 : 0.0);
        }
        return NAN;
    }
};

TEST_F(GoalieCycle, RestPointBandsAndDives) {
    // A ball lying still: its rest point is where it lies. On the band's
    // edges it comes straight at the goalie; one metre ahead is still near.
    const double balls[][3] = {// distance, bearing, dive (1 left, -1 right)
                               {distanceGiving(0.07, 90, true), 90, 0},
                               {distanceGiving(-0.07, -90, true), -90, 0},
                               {std::hypot(0.2, 0.08), 21.8014, 1},
                               {std::hypot(0.2, 0.08), -21.8014, -1},
                               {distanceGiving(1.0, 0, false), 0, 0}};
    for (const auto& b : balls) {
        seeBall(b[0], b[1], now);
        EXPECT_EQ(cycle(), b[2] > 0 ? kDiveLeft : b[2] < 0 ? kDiveRight : "") << b[1];
        EXPECT_TRUE(printed("==================STATE1==================\n"));
    }
    seeBall(distanceGiving(1.0, 0, false) + 1e-9, 0, now);
    EXPECT_NE(cycle(), "");
    EXPECT_TRUE(printed("nnnnnnnnot falling"));
}

TEST_F(GoalieCycle, DivesForOneSecondAndLiesNineteenBeforeWalkingBack) {
    see(0.5, 0.5);
    EXPECT_EQ(cycle(10.5), kDiveLeft);
    EXPECT_EQ(cycle(10.98), kDiveLeft);
    EXPECT_EQ(cycle(11.0), kStopAll);
    EXPECT_TRUE(printed("stop falling left\n"));
    // 19 s after the last dive command (10.98) it stands up and walks back,
    // once it lies (the accelerometer shows gravity across the torso).
    see(5.0, 0.0);
    cycle(29.98);
    EXPECT_EQ(running(), SKILL_NOTHING);
    for (int i = 0; i < DMU::kLyingMessages; ++i) {
        begin(29.981 + 0.001 * i);
        wm()->setAcc(Point(9.81, 0, 0));
        decide();
    }
    begin(30.0);
    wm()->setAcc(Point(9.81, 0, 0));
    EXPECT_NE(decide(), "");
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
    EXPECT_TRUE(printed("Goalie is fallen!!!\n"));
}

// A dive that left the goalie on its feet: a stand-up begun standing throws
// the robot down (it crouches for a robot lying on its front), so the goalie
// stays on guard instead.
TEST_F(GoalieCycle, StillStandingAfterTheLyingTimeItGuardsOn) {
    see(0.5, 0.5);
    EXPECT_EQ(cycle(10.5), kDiveLeft);
    EXPECT_EQ(cycle(11.0), kStopAll);
    see(5.0, 0.0);
    for (double t = 29.0; t < 31.0; t += 0.02) {
        begin(t);
        wm()->setAcc(Point(0, 0, 9.81));
        decide();
        ASSERT_NE(running(), SKILL_NAO_STANDUP) << t;
    }
    EXPECT_TRUE(printed("nnnnnnnnot falling"));
}

// Tuned, the goalie dives only for a near ball that comes at it: a dive is a
// fall, and a ball lying still (or far away, where two noisy sightings make a
// speed out of nothing) is no reason for one.
TEST_F(GoalieCycle, TunedItDivesOnlyForANearBallComingAtIt) {
    SkillParams::getUniqueInstance()->set(TeamPlay::kSkill, "diveReach", 2.0);
    SkillParams::getUniqueInstance()->set(TeamPlay::kSkill, "diveBallSpeed", 0.5);
    SkillParams::getUniqueInstance()->set(TeamPlay::kSkill, "goalieLieFor", 2.0);
    // Lying still 0.2 m ahead, 0.08 m to the left: designed, a dive.
    see(0.2, 0.08);
    EXPECT_NE(cycle(10.1), kDiveLeft);
    EXPECT_TRUE(printed("nnnnnnnnot falling"));
    // Rolling in from 3 m at 5 m/s: too far yet; at 1.5 m, a dive.
    begin(10.2);
    see(3.0, 0.3);
    decide();
    begin(10.3);
    see(2.5, 0.3);
    EXPECT_NE(decide(), kDiveLeft);
    begin(10.4);
    see(1.5, 0.3);
    EXPECT_EQ(decide(), kDiveLeft);
    // Lying, it gets up 2 s after the dive, not 19.
    EXPECT_EQ(cycle(11.5), kStopAll);
    for (double t = 11.52; t < 12.38; t += 0.02) {
        begin(t);
        wm()->setAcc(Point(9.81, 0, 0));
        decide();
        ASSERT_NE(running(), SKILL_NAO_STANDUP) << t;
    }
    for (double t = 12.42; t < 12.5; t += 0.02) {
        begin(t);
        wm()->setAcc(Point(9.81, 0, 0));
        decide();
    }
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
}

TEST_F(GoalieCycle, VelocityEstimateIsKeptAndNeverBroken) {
    see(2.0, 0.0);
    // Seen 0.1 s later half a metre nearer and a quarter to the left: it
    // rolls on past the goalie's left.
    begin(10.10);
    see(1.5, 0.25);
    EXPECT_EQ(decide(), kDiveLeft);
    // Seen twice at the same place: speed 0, the ball rests there.
    for (double t : {10.12, 10.14}) {
        begin(t);
        see(0.5, -0.5);
    }
    EXPECT_EQ(decide(), kDiveRight);
    // A bearing that is no number spoils neither the estimate nor, as the
    // previous sighting, the next cycle.
    begin(10.16);
    seeBall(2.0, NAN, now);
    EXPECT_EQ(decide(), kDiveRight);
    const std::string text = cycle(10.18);
    EXPECT_FALSE(has(text, "nan") || has(text, "6.13")) << text;
}

}  // namespace
