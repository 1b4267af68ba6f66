// The goalie of the development build: its guard through DMU::behave()
// (number 1, play-on, the clock running) with scripted ball sightings, and
// the alternative NaoGoalie routine driven directly. Covers the rest-point
// bands, the dive commands, the 1 s dive and 19 s lying timers, the kept
// velocity estimate, broken sightings and the goalie's own falls.
#include "dmu/NaoGoalie.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <string>

#include "dmu/DMU.h"
#include "geometry/Geometry.h"
#include "objects/Ball.h"
#include "skills/SkillBase.h"
#include "skills/SkillManager.h"
#include "support/ChildProcess.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

const char* const kStopAll =
    "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
    "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
    "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";
const char* const kDiveLeft = "(rle6 6.130000)(lle6 6.130000)(lle2 -6.130000)";
const char* const kDiveRight = "(rle6 -6.130000)(lle6 -6.130000)(rle2 6.130000)";

// The distance at which a sighting at bearing `teta` lies exactly `want`
// along x (alongY false) or y in the goalie's body frame, after the same
// polar conversion the goalie uses.
double distanceGiving(double want, double teta, bool alongY) {
    double ro = std::fabs(want);
    for (int i = 0; i < 400; ++i) {
        const Point c = Geometry::convertPolToCart(Point(ro, 0, teta));
        const double got = alongY ? c.getY() : c.getX();
        if (got == want) return ro;
        ro = std::nextafter(ro, std::fabs(got) < std::fabs(want) ? 10.0 : 0.0);
    }
    return std::nan("");
}

class GoalieCycle : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        testing::internal::CaptureStdout();
        GameConf::getUniqueInstance()->init();
        wm = WorldModel::getUniqueInstance();
        wm->setOurSide(SIDE_LEFT);
        wm->setMyNum(1);
        wm->setPlayMode(PM_PLAY_ON);
        wm->setGSTime(5.0f);
        dmu = DMU::getUniqueInstance();
        testing::internal::GetCapturedStdout();
        cc = CommandCreator::getUniqueInstance();
        sm = SkillManager::getUniqueInstance();
    }

    // A new message at time t: the world model files the sighting so far as
    // the previous one.
    void begin(double t) {
        now = t;
        wm->resetForUpdate();
        wm->setTime(static_cast<float>(t));
        if (onFeet) {
            wm->setFRPCenterL(Point(0, -0.014, -0.01));
            wm->setFRPCenterR(Point(0, -0.014, -0.01));
        }
    }
    // The ball seen in the current message, body-relative polar.
    void seePolar(double ro, double teta) {
        Ball b = wm->getBall();
        b.setPolarPos(Point(ro, 0, teta));
        b.setLastTimeSeenBall(now);
        wm->setBall(b);
    }
    void see(double x, double y) {
        seePolar(std::hypot(x, y), std::atan2(y, x) * 180.0 / Geometry::PI);
    }
    std::string decide() {
        cc->reset();
        testing::internal::CaptureStdout();
        const std::string text = dmu->behave();
        out = testing::internal::GetCapturedStdout();
        return text;
    }
    // One cycle at time t in which the ball lies still where it was last
    // seen: the rest point is that sighting.
    std::string restAt(double t) {
        begin(t);
        return decide();
    }
    // Ball seen at (x, y) now; it lies still there from the next cycle (t).
    std::string ballStillAt(double x, double y, double t) {
        see(x, y);
        return restAt(t);
    }
    std::string ballStillAtPolar(double ro, double teta, double t) {
        seePolar(ro, teta);
        return restAt(t);
    }
    SkillID running() {
        SkillBase* s = sm->getRunningSkill();
        return s == nullptr ? SKILL_NOTHING : s->getSkillID();
    }
    bool printed(const char* line) const { return out.find(line) != std::string::npos; }

    TempDir dir;
    WorldModel* wm = nullptr;
    DMU* dmu = nullptr;
    CommandCreator* cc = nullptr;
    SkillManager* sm = nullptr;
    double now = 0;
    bool onFeet = true;
    std::string out;
};

TEST_F(GoalieCycle, RestPointBands) {
    // A ball well ahead: stand straight, and the dive clock starts now.
    const std::string far = ballStillAt(5.0, 0.0, 10.0);
    EXPECT_TRUE(printed("Baba la aghal ino chap kon!\n"));
    EXPECT_TRUE(printed("nnnnnnnnot falling\n"));
    EXPECT_NE(far.find("(rle3 "), std::string::npos);

    const double y007 = distanceGiving(0.07, 90.0, true);
    const double yMinus007 = distanceGiving(-0.07, -90.0, true);
    const double x1 = distanceGiving(1.0, 0.0, false);
    ASSERT_TRUE(std::isfinite(y007) && std::isfinite(yMinus007) && std::isfinite(x1));

    // Exactly on the band's edges the ball comes straight at the goalie.
    EXPECT_EQ(ballStillAtPolar(y007, 90.0, 10.02), "");
    EXPECT_TRUE(printed("==================STATE1==================\n"));
    EXPECT_EQ(ballStillAtPolar(yMinus007, -90.0, 10.04), "");

    EXPECT_EQ(ballStillAt(0.2, 0.08, 10.06), kDiveLeft);
    EXPECT_TRUE(printed("fallen To Left\n"));
    EXPECT_EQ(ballStillAt(0.2, -0.08, 10.08), kDiveRight);
    EXPECT_TRUE(printed("===============STATE1_1==============\n"));
    EXPECT_TRUE(printed("fallen To right\n"));

    // One metre ahead is still near; a hair beyond is far.
    EXPECT_EQ(ballStillAtPolar(x1, 0.0, 10.10), "");
    EXPECT_TRUE(printed("STATE1"));
    EXPECT_NE(ballStillAtPolar(x1 + 1e-9, 0.0, 10.12), "");
    EXPECT_TRUE(printed("nnnnnnnnot falling"));
    EXPECT_EQ(running(), SKILL_NOTHING);
}

TEST_F(GoalieCycle, DiveLastsOneSecondFromTheLastQuietCycle) {
    ballStillAt(5.0, 0.0, 10.0);
    EXPECT_EQ(ballStillAt(0.5, 0.5, 10.5), kDiveLeft);
    EXPECT_EQ(restAt(10.98), kDiveLeft);
    EXPECT_EQ(restAt(11.0), kStopAll);
    EXPECT_TRUE(printed("stop falling left\n"));
    EXPECT_EQ(ballStillAt(0.5, -0.5, 11.02), kStopAll);
    EXPECT_TRUE(printed("stop falling Right\n"));
}

TEST_F(GoalieCycle, AfterNineteenSecondsDownTheGoalieStandsUpAndWalksBack) {
    ballStillAt(5.0, 0.0, 10.0);
    EXPECT_EQ(ballStillAt(0.5, 0.5, 10.5), kDiveLeft);
    ballStillAt(5.0, 0.0, 20.0);
    restAt(29.5);
    EXPECT_TRUE(printed("=========================19\n"));
    EXPECT_EQ(running(), SKILL_NOTHING);
    EXPECT_TRUE(printed("nnnnnnnnot falling"));

    const std::string text = restAt(29.52);
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
    EXPECT_NE(text, "");
    EXPECT_TRUE(printed("Goalie go to goale!!!\n"));
    EXPECT_FALSE(printed("STATE1"));
    // From now on the goalie walks back: the manager runs every cycle.
    restAt(29.54);
    EXPECT_TRUE(printed("Goalie go to goale!!!\n"));
    EXPECT_FALSE(printed("nnnnnnnnot falling"));
}

TEST_F(GoalieCycle, VelocityIsKeptWhenNoNewSightingArrives) {
    ballStillAt(5.0, 0.0, 10.0);
    ballStillAt(2.0, 0.0, 10.02);
    // Seen 0.1 s later half a metre nearer and a quarter to the left: it
    // rolls on well past the goalie on its left.
    begin(10.10);
    see(1.5, 0.25);
    EXPECT_EQ(decide(), kDiveLeft);
    EXPECT_TRUE(printed("ball Speed="));
    // No sighting in this message: the estimate stands, so the rest point
    // still lies to the left although the ball itself is 1.5 m ahead.
    EXPECT_EQ(restAt(10.12), kDiveLeft);
    EXPECT_FALSE(printed("ball Speed="));
}

TEST_F(GoalieCycle, ABallAtRestOrABrokenSightingNeverGivesNonFiniteCommands) {
    ballStillAt(5.0, 0.0, 10.0);
    // Seen again at the same place: speed 0, the ball stays where it is.
    see(0.5, 0.5);
    begin(10.02);
    see(0.5, 0.5);
    EXPECT_EQ(decide(), kDiveLeft);
    EXPECT_TRUE(printed("ball Speed=0\n"));

    // A bearing that is not a number: the velocity keeps its last value
    // and the rest point stays where the last good sighting put it.
    ballStillAt(5.0, 0.0, 10.04);
    begin(10.06);
    seePolar(2.0, std::numeric_limits<double>::quiet_NaN());
    std::string text = decide();
    EXPECT_EQ(text.find("nan"), std::string::npos);
    // Next cycle the broken sighting is the previous one: no dive on it.
    text = restAt(10.08);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    EXPECT_EQ(text.find("6.13"), std::string::npos);
    EXPECT_TRUE(printed("nnnnnnnnot falling"));
}

TEST_F(GoalieCycle, KnockedOverWhileGuardingStandsUpAtOnce) {
    see(5.0, 0.0);
    onFeet = false;
    for (int i = 0; i < 19; ++i) {
        restAt(10.0 + 0.02 * i);
        EXPECT_TRUE(printed("nnnnnnnnot falling")) << i;
    }
    const std::string text = restAt(10.38);
    EXPECT_TRUE(printed("Goalie is fallen!!!\n"));
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
    // The stand-up has started: its first step straightens the joints.
    EXPECT_NE(text, "");
    EXPECT_TRUE(printed("Gyro is :"));
    // It keeps running after the fall detector has let go.
    onFeet = true;
    for (int i = 0; i < 10; ++i) {
        restAt(10.40 + 0.02 * i);
        EXPECT_FALSE(printed("nnnnnnnnot falling")) << i;
        EXPECT_TRUE(printed("Gyro is :")) << i;
    }
}

TEST_F(GoalieCycle, AfterADiveTheGoalieLiesUntilItsTimerRunsOut) {
    ballStillAt(5.0, 0.0, 10.0);
    EXPECT_EQ(ballStillAt(0.5, 0.5, 10.02), kDiveLeft);
    see(5.0, 0.0);
    onFeet = false;
    std::string text;
    for (int i = 0; i < 20; ++i) text = restAt(10.04 + 0.02 * i);
    EXPECT_TRUE(printed("Goalie is fallen!!!\n"));
    EXPECT_EQ(running(), SKILL_NAO_STANDUP);
    EXPECT_EQ(text, "");
    EXPECT_FALSE(printed("Gyro is :"));
}

// ---- The alternative routine ---------------------------------------------------

class NaoGoalieRoutine : public GoalieCycle {
protected:
    // The ball's global position 0.1 s ago and now, and the goalie's place.
    std::string runWith(Point last, Point current, Point me) {
        Ball b = wm->getBall();
        b.setLastTimeSeenBall(10.0);
        wm->setBall(b);
        wm->setGlobalPosOfBall(last);
        wm->resetForUpdate();
        wm->setFRPCenterL(Point(0, -0.014, -0.01));
        wm->setFRPCenterR(Point(0, -0.014, -0.01));
        wm->setGlobalPosOfBall(current);
        wm->setTime(10.1f);
        wm->setDeltaTime();
        wm->setMyCartPos(me);
        NaoGoalie goalie;
        cc->reset();
        testing::internal::CaptureStdout();
        goalie.run();
        out = testing::internal::GetCapturedStdout();
        rest = goalie.getPredictedRest();
        crossing = goalie.getCrossing();
        return cc->getPreparedCommand();
    }
    Point rest, crossing;
};

TEST_F(NaoGoalieRoutine, DivesTowardWhereTheBallCrossesItsLine) {
    const Point me(-5.6, 0, 0.4);
    EXPECT_EQ(runWith(Point(-2.5, 0.3, 0), Point(-3.0, 0.3, 0), me), kDiveLeft);
    EXPECT_NEAR(rest.getX(), -3.0 - (0.91198 * 5.0 - 0.005713), 1e-4);
    EXPECT_NEAR(crossing.getY(), 0.3, 1e-9);
    EXPECT_TRUE(printed("================STATE1_2===============\n"));
    EXPECT_EQ(runWith(Point(-2.5, -0.3, 0), Point(-3.0, -0.3, 0), me), kDiveRight);
    EXPECT_TRUE(printed("===============STATE1_1==============\n"));

    // Straight at it, wide of the goal, out of the goal area, rolling away
    // or stopping short: no dive.
    EXPECT_EQ(runWith(Point(-2.5, 0.05, 0), Point(-3.0, 0.05, 0), me), "");
    EXPECT_TRUE(printed("==================STATE1==================\n"));
    EXPECT_EQ(runWith(Point(-2.5, 0.9, 0), Point(-3.0, 0.9, 0), me), "");
    EXPECT_EQ(runWith(Point(-2.5, 0.3, 0), Point(-3.0, 0.3, 0), Point(-5.0, 0, 0.4)), "");
    EXPECT_EQ(runWith(Point(-3.5, 0.3, 0), Point(-3.0, 0.3, 0), me), "");
    EXPECT_EQ(runWith(Point(-3.0, 0.3, 0), Point(-3.05, 0.3, 0), me), "");
    EXPECT_TRUE(printed("outreal.getX():"));

    // A ball at rest stays where it is.
    EXPECT_EQ(runWith(Point(-5.8, 0.3, 0), Point(-5.8, 0.3, 0), me), "");
    EXPECT_TRUE(std::isfinite(rest.getX()) && std::isfinite(rest.getY()));
    EXPECT_DOUBLE_EQ(rest.getY(), 0.3);
}

TEST_F(NaoGoalieRoutine, BeamsToTheMiddleOfTheGoal) {
    NaoGoalie goalie;
    cc->reset();
    goalie.beamPoint();
    EXPECT_STREQ(cc->getPreparedCommand(), "(beam -5.730000 0.000000 1.000000)");
}

}  // namespace
