#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "dmu/DMUtil.h"
#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "objects/UniversalJoint.h"
#include "support/ChildProcess.h"
#include "utils/CommandCreator.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

// Every case runs in its own process and its own working directory (the
// world model writes its log there, the networks are read from there).
class DMUtilTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        testing::internal::CaptureStdout();
        GameConf::getUniqueInstance()->init();
        testing::internal::GetCapturedStdout();
        wm = WorldModel::getUniqueInstance();
        du = DMUtil::getUniqueInstance();
        wm->setOurSide(SIDE_LEFT);
    }

    void tmt(int num, double x, double y, double z = 0.0) {
        wm->addTmt(Player(num, SIDE_OUR, Point(x, y, z)));
    }
    void opp(int num, double x, double y, double z = 0.0) {
        wm->addOpp(Player(num, SIDE_OPP, Point(x, y, z)));
    }
    void seeBall(double ro, double phi, double teta, double headTilt = 0.0) {
        Ball b = wm->getBall();
        b.setPolarPos(Point(ro, phi, teta));
        b.setLastStepSeenHeadTiltDegree(headTilt);
        wm->setBall(b);
    }
    // Hinge slot i reads `axis` (raw sensor angle).
    void joint(int i, float axis) {
        HingeJoint j;
        j.setAxis(axis);
        wm->setAHingeJoint(j, i);
    }
    // Captures what f writes on standard output.
    static std::string stdoutOf(const std::function<void()>& f) {
        testing::internal::CaptureStdout();
        f();
        return testing::internal::GetCapturedStdout();
    }

    TempDir dir;
    WorldModel* wm = nullptr;
    DMUtil* du = nullptr;
};

void expectPlayer(const Player& p, int num, Side side, Point pos) {
    EXPECT_EQ(p.getNum(), num);
    EXPECT_EQ(p.getSide(), side);
    EXPECT_EQ(p.getGlbPos(), pos) << p.getGlbPos();
}

const Point kAbsent(1000, 1000, 0.38);

}  // namespace

// ---- Closest players ---------------------------------------------------------

TEST_F(DMUtilTest, ClosestTiesGoToTheFirstListedAndNearerLaterOnesWin) {
    tmt(4, 1, 0);
    tmt(2, -1, 0);
    tmt(3, 0, 1.5);
    opp(9, 0, -2);
    opp(7, 2, 0);
    const Point o(0, 0, 0);
    EXPECT_EQ(du->getClosestTmt2Point(o).getNum(), 4);
    EXPECT_EQ(du->getClosestOpp2Point(o).getNum(), 9);
    EXPECT_EQ(du->getClosestTmt2Point(Point(-0.9, 0, 0)).getNum(), 2);
    EXPECT_EQ(du->getClosestOpp2Point(Point(1.5, 0, 0)).getNum(), 7);
    // Distances are 3-D.
    EXPECT_EQ(du->getClosestTmt2Point(Point(0, 1.5, 5)).getNum(), 3);
    EXPECT_EQ(du->getClosestTmt2Point(Point(0.5, 0.5, 0)).getNum(), 4);
}

TEST_F(DMUtilTest, ExclusionAndSecondClosest) {
    tmt(1, 0, 0);
    tmt(2, 1, 0);
    tmt(3, 3, 0);
    opp(5, 0.5, 0);
    opp(6, 4, 0);
    const Point p(0.2, 0, 0);
    EXPECT_EQ(du->getClosestTmtExcept(p, 1).getNum(), 2);
    EXPECT_EQ(du->getSecondClosestTmt2Point(p).getNum(), 2);
    EXPECT_EQ(du->getSecondClosestTmt2Point(Point(3, 0, 0)).getNum(), 2);
    EXPECT_EQ(du->getClosestOppExcept(p, 5).getNum(), 6);
    EXPECT_EQ(du->getSecondClosestOpp2Point(p).getNum(), 6);
    EXPECT_EQ(du->getClosestTmtExcept(p, -1).getNum(), 1);
}

TEST_F(DMUtilTest, ClosestPlayerExceptPrefersTheTeamMateOnATie) {
    tmt(2, 1, 0);
    opp(8, -1, 0);
    const Point o(0, 0, 0);
    expectPlayer(du->getClosestPlayerExcept(o, -1, -1), 2, SIDE_OUR, Point(1, 0, 0));
    EXPECT_EQ(du->getClosestPlayerExcept(Point(-0.1, 0, 0), -1, -1).getNum(), 8);
    EXPECT_EQ(du->getClosestPlayerExcept(o, 2, -1).getNum(), 8);
    EXPECT_EQ(du->getClosestPlayerExcept(Point(-0.1, 0, 0), -1, 8).getNum(), 2);
}

TEST_F(DMUtilTest, NegativeExclusionsExcludeNobody) {
    // A number of -1 may come from a damaged message; only ids >= 0 exclude.
    tmt(-1, 0.1, 0);
    opp(-1, 0.2, 0);
    tmt(3, 2, 0);
    EXPECT_EQ(du->getClosestPlayerExcept(Point(0, 0, 0), -1, -1).getGlbPos(), Point(0.1, 0, 0));
    opp(4, 0.05, 0);
    EXPECT_EQ(du->getClosestPlayerExcept(Point(0, 0, 0), -1, -1).getNum(), 4);
}

TEST_F(DMUtilTest, ClosestPlayerIgnoresPlaceholders) {
    wm->setMyNum(2);
    tmt(2, 3, 0);
    wm->addIllegalOppPlayer();
    const Point o(0, 0, 0);
    EXPECT_EQ(du->getClosestPlayer2Point(o).getNum(), 2);
    opp(6, 3, 0);  // same distance as the team-mate: the team-mate wins
    EXPECT_EQ(du->getClosestPlayer2Point(o).getSide(), SIDE_OUR);
    opp(7, 2.9, 0);
    expectPlayer(du->getClosestPlayer2Point(o), 7, SIDE_OPP, Point(2.9, 0, 0));
    // Second closest: the closest was an opponent, so that opponent is
    // skipped and the tie between the others goes to the team-mate.
    EXPECT_EQ(du->getSecondClosestPlayer2Point(o).getNum(), 2);
    EXPECT_EQ(du->getClosestPlayer2Ball().getNum(), 7);
}

TEST_F(DMUtilTest, SecondClosestPlayerSkipsAClosestTeamMate) {
    tmt(1, 1, 0);
    tmt(2, 3, 0);
    opp(5, 2, 0);
    const Point o(0, 0, 0);
    EXPECT_EQ(du->getClosestPlayer2Point(o).getNum(), 1);
    expectPlayer(du->getSecondClosestPlayer2Point(o), 5, SIDE_OPP, Point(2, 0, 0));
}

TEST_F(DMUtilTest, OnlyPlaceholdersGiveTheFirstTeamMateWithAMessage) {
    wm->addIllegalTmtPlayer();
    wm->addIllegalOppPlayer();
    Player r;
    const std::string out = stdoutOf([&] { r = du->getClosestPlayer2Point(Point(0, 0, 0)); });
    EXPECT_EQ(out, "!!!!!!!!!!!! getClosestPlayer2Point() -> ILLEGAL USE !!!!!!!!!!\n");
    EXPECT_EQ(r.getNum(), 0);
    EXPECT_EQ(r.getSide(), SIDE_OUR);
}

TEST_F(DMUtilTest, NoCandidateGivesTheFirstEntryAndAMessage) {
    // Farther than the running minimum's start: nobody qualifies.
    tmt(3, 20000, 0);
    tmt(4, 30000, 0);
    opp(6, 0, 20000);
    opp(5, 0, 30000);
    Player r;
    EXPECT_EQ(stdoutOf([&] { r = du->getClosestTmt2Point(Point(0, 0, 0)); }),
              "!!!!!!!! getClosestTmt2Point() -> ILLEGAL USE !!!!!!!\n");
    EXPECT_EQ(r.getNum(), 3);
    EXPECT_EQ(stdoutOf([&] { r = du->getClosestTmtExcept(Point(0, 0, 0), 3); }),
              "!!!!!!!! getClosestTmtExcept() -> ILLEGAL USE !!!!!!!\n");
    EXPECT_EQ(r.getNum(), 3);
    EXPECT_EQ(stdoutOf([&] { r = du->getClosestOpp2Point(Point(0, 0, 0)); }),
              "!!!!!! getClosestOpp2Point() -> ILLEGAL USE !!!!!!\n");
    EXPECT_EQ(r.getNum(), 6);
    EXPECT_EQ(stdoutOf([&] { r = du->getClosestOppExcept(Point(0, 0, 0), 6); }),
              "!!!!!!!! getClosestOppExcept() -> ILLEGAL USE !!!!!!!\n");
    EXPECT_EQ(r.getNum(), 6);
    // Both lists empty of candidates: the nearer first entry, the
    // team-mate on a tie (both first entries are 20000 away).
    EXPECT_EQ(stdoutOf([&] { r = du->getClosestPlayerExcept(Point(0, 0, 0), -1, -1); }),
              "!!!!!!!! getClosestPlayerExcept() -> ILLEGAL USE !!!!!!!!\n");
    EXPECT_EQ(r.getNum(), 3);
    stdoutOf([&] { r = du->getClosestPlayerExcept(Point(0, 1, 0), -1, -1); });
    EXPECT_EQ(r.getNum(), 6);
}

TEST_F(DMUtilTest, EmptyListsGivePlaceholdersFarOffTheField) {
    Player r;
    std::string out = stdoutOf([&] { r = du->getClosestTmt2Point(Point(0, 0, 0)); });
    EXPECT_EQ(out, "!!!!!!!! getClosestTmt2Point() -> ILLEGAL USE !!!!!!!\n");
    expectPlayer(r, 0, SIDE_OUR, kAbsent);
    stdoutOf([&] { r = du->getClosestOpp2Point(Point(0, 0, 0)); });
    expectPlayer(r, 0, SIDE_OPP, kAbsent);
    stdoutOf([&] { r = du->getClosestTmtExcept(Point(0, 0, 0), 2); });
    expectPlayer(r, 0, SIDE_OUR, kAbsent);
    stdoutOf([&] { r = du->getSecondClosestOpp2Point(Point(0, 0, 0)); });
    expectPlayer(r, 0, SIDE_OPP, kAbsent);
    stdoutOf([&] { r = du->getClosestPlayerExcept(Point(0, 0, 0), -1, -1); });
    expectPlayer(r, 0, SIDE_OUR, kAbsent);
    stdoutOf([&] { r = du->getClosestPlayer2Point(Point(0, 0, 0)); });
    expectPlayer(r, 0, SIDE_OUR, kAbsent);
    stdoutOf([&] { r = du->getSecondClosestPlayer2Point(Point(0, 0, 0)); });
    expectPlayer(r, 0, SIDE_OUR, kAbsent);
    stdoutOf([&] { r = du->getClosestPlayer2Ball(); });
    expectPlayer(r, 0, SIDE_OUR, kAbsent);

    // Only opponents seen: the closest-player query still finds one.
    opp(9, 1, 1);
    stdoutOf([&] { r = du->getClosestPlayerExcept(Point(0, 0, 0), -1, -1); });
    EXPECT_EQ(r.getNum(), 9);
}

TEST_F(DMUtilTest, FrontAndBehindTheBall) {
    wm->setGlobalPosOfBall(Point(1, 0, 0));
    double d = -1;
    expectPlayer(du->getClosestTmtFrontBall(d), 0, SIDE_OUR, Point(1000, 1000, 1000));
    EXPECT_EQ(d, 10000);
    expectPlayer(du->getClosestTmtBehindBall(d), 0, SIDE_OUR, Point(1000, 1000, 1000));
    EXPECT_EQ(d, 10000);

    tmt(2, 1, 2);       // level with the ball: counts as behind
    tmt(3, 1.001, 3);   // just in front
    tmt(4, -0.5, 0);    // behind, nearer than 2
    tmt(5, 4, 0);       // in front, nearer than 3
    EXPECT_EQ(du->getClosestTmtFrontBall(d).getNum(), 5);
    EXPECT_DOUBLE_EQ(d, 3);
    EXPECT_EQ(du->getClosestTmtBehindBall(d).getNum(), 4);
    EXPECT_DOUBLE_EQ(d, 1.5);
    wm->setGlobalPosOfBall(Point(1, 2.5, 0));
    EXPECT_EQ(du->getClosestTmtBehindBall(d).getNum(), 2);
    EXPECT_DOUBLE_EQ(d, 0.5);
}

TEST_F(DMUtilTest, GetPlayerByNumberAndUnknownNumbers) {
    tmt(1, -5, 0);
    tmt(2, -3, 1);
    opp(2, 3, -1);
    expectPlayer(du->getPlayer(2, SIDE_LEFT), 2, SIDE_OUR, Point(-3, 1, 0));
    expectPlayer(du->getPlayer(2, SIDE_RIGHT), 2, SIDE_OPP, Point(3, -1, 0));
    expectPlayer(du->getPlayer(2, SIDE_OPP), 2, SIDE_OPP, Point(3, -1, 0));
    // Numbers not in the list give the placeholder of that team.
    Player r;
    const std::string out = stdoutOf([&] { r = du->getPlayer(7, SIDE_LEFT); });
    EXPECT_NE(out.find("THIS ID FOR TEAMMATE IS INVALID !!!"), std::string::npos);
    expectPlayer(r, 0, SIDE_OUR, kAbsent);
    stdoutOf([&] { r = du->getPlayer(1, SIDE_RIGHT); });
    expectPlayer(r, 0, SIDE_OPP, kAbsent);
    stdoutOf([&] { r = du->getPlayer(-1, SIDE_LEFT); });
    expectPlayer(r, 0, SIDE_OUR, kAbsent);
    wm->resetOppAndTmtVec();
    stdoutOf([&] { r = du->getPlayer(1, SIDE_LEFT); });
    expectPlayer(r, 0, SIDE_OUR, kAbsent);
}

// ---- Ball and position -------------------------------------------------------

TEST_F(DMUtilTest, BallDirectionAtTheBorders) {
    const std::vector<std::pair<double, int>> cases = {
        {11, 2}, {-11, 1}, {10.9, 3}, {-10.9, 3}, {0, 3}, {90, 2}, {-179, 1}};
    for (const auto& c : cases) {
        seeBall(2, 0, c.first);
        EXPECT_EQ(du->getBallDir(), c.second) << c.first;
    }
}

TEST_F(DMUtilTest, AngleToPutTheBallBehind) {
    const std::vector<std::pair<double, double>> cases = {
        {10, 12}, {200, -158}, {180, -178}, {179.5, 181.5}, {-30, -28}, {0, 2}};
    for (const auto& c : cases) {
        seeBall(2, 0, c.first);
        EXPECT_DOUBLE_EQ(du->getAng2BallBack(), c.second) << c.first;
    }
}

TEST_F(DMUtilTest, LegDistanceUsesTheTiltAtTheSighting) {
    seeBall(2, -30, 0, -15);
    EXPECT_NEAR(du->calcLegDistToBall(), 2 * std::cos(-45 * M_PI / 180), 1e-7);
    joint(DOF_HEAD_TILT, 40);  // the tilt now does not count
    EXPECT_NEAR(du->calcLegDistToBall(), 2 * std::cos(-45 * M_PI / 180), 1e-7);
    seeBall(2, 100, 0, 50);  // no absolute value is taken
    EXPECT_NEAR(du->calcLegDistToBall(), 2 * std::cos(150 * M_PI / 180), 1e-7);
    EXPECT_LT(du->calcLegDistToBall(), 0);
}

TEST_F(DMUtilTest, PlaneDistanceAndRelativeBall) {
    wm->setMyCartPos(Point(1, 1, 0.5));
    wm->setGlobalPosOfBall(Point(4, 5, 0.04));
    seeBall(5.1, -6, 33);
    EXPECT_DOUBLE_EQ(du->get2DBallDist(), 5);
    EXPECT_EQ(du->get2DRelBallPolPos(), Point(5, 0, 33));
}

TEST_F(DMUtilTest, PointFromBallTowardsOurGoal) {
    wm->setGlobalPosOfBall(Point(0, 0, 0));
    EXPECT_EQ(du->getPointFromBall(1), Point(-1, 0, 0));
    wm->setGlobalPosOfBall(Point(-3, 4, 0));
    const Point p = du->getPointFromBall(2.5);
    EXPECT_NEAR(p.getX(), -4.5, 1e-12);
    EXPECT_NEAR(p.getY(), 2, 1e-12);
    // Ball on the goal centre: no direction, no NaN; the ball itself.
    wm->setGlobalPosOfBall(Point(-6, 0, 0));
    EXPECT_EQ(du->getPointFromBall(1), Point(-6, 0, 0));
}

TEST_F(DMUtilTest, SidesOfTheBallAreStrict) {
    wm->setGlobalPosOfBall(Point(1, 0, 0));
    EXPECT_TRUE(du->areInSameSideOfBall(Point(2, 5, 0), Point(1.5, -5, 0)));
    EXPECT_TRUE(du->areInSameSideOfBall(Point(0, 0, 0), Point(-5, 0, 0)));
    EXPECT_FALSE(du->areInSameSideOfBall(Point(0, 0, 0), Point(2, 0, 0)));
    EXPECT_FALSE(du->areInSameSideOfBall(Point(1, 0, 0), Point(2, 0, 0)));
    EXPECT_FALSE(du->areInSameSideOfBall(Point(1, 0, 0), Point(1, 3, 0)));
}

TEST_F(DMUtilTest, DistanceThresholdsOfTheSeenBall) {
    seeBall(4.49, 0, 0);
    EXPECT_TRUE(du->reachBallNear());
    seeBall(4.5, 0, 0);
    EXPECT_FALSE(du->reachBallNear());
    EXPECT_TRUE(du->reachBallToMiddle());
    seeBall(7, 0, 0);
    EXPECT_TRUE(du->reachBallToMiddle());
    seeBall(7.01, 0, 0);
    EXPECT_FALSE(du->reachBallToMiddle());
}

TEST_F(DMUtilTest, MiddleAndGoalieInPlace) {
    for (double x : {-2.0, 2.0, 5.0}) {
        wm->setMyCartPos(Point(x, 0, 0));
        EXPECT_FALSE(du->agentIsInMid()) << x;
    }
    for (double x : {-1.99, 0.0, 1.99}) {
        wm->setMyCartPos(Point(x, 0, 0));
        EXPECT_TRUE(du->agentIsInMid()) << x;
    }

    // No goalie in the list: not in place, and no stray read.
    stdoutOf([&] { EXPECT_FALSE(du->goalieIsInYourPlace()); });
    tmt(2, -5.5, 0);
    tmt(1, -5, 0.69);
    EXPECT_TRUE(du->goalieIsInYourPlace());
    wm->resetOppAndTmtVec();
    tmt(1, -4.99, 0);
    EXPECT_FALSE(du->goalieIsInYourPlace());
    wm->resetOppAndTmtVec();
    tmt(1, -5.5, -0.7);
    EXPECT_FALSE(du->goalieIsInYourPlace());
}

TEST_F(DMUtilTest, BallStoppedFromTheMoveSinceTheCycleStart) {
    // Last cycle: ball 2 m straight ahead, seen at 1.0 s.
    seeBall(2, 0, 10);
    Ball b = wm->getBall();
    b.setLastTimeSeenBall(1.0);
    wm->setBall(b);
    wm->resetForUpdate();
    ASSERT_EQ(wm->getLastPosOfBall(), Point(2, 0, 10));

    wm->setTime(1.02f);
    seeBall(2.01, 0, 10);
    EXPECT_TRUE(du->isBallStopped());  // 0.5 per second
    seeBall(2.02, 0, 10);
    EXPECT_FALSE(du->isBallStopped());  // 1.0 per second
    seeBall(2, 0, 10.016);
    EXPECT_FALSE(du->isBallStopped());  // the angle counts as stored

    // No time passed since the sighting: one cycle is assumed instead of a
    // division by zero (which would call a still ball moving).
    wm->setTime(1.0f);
    seeBall(2, 0, 10);
    EXPECT_TRUE(du->isBallStopped());
    seeBall(2.01, 0, 10);
    EXPECT_TRUE(du->isBallStopped());
    seeBall(2.1, 0, 10);
    EXPECT_FALSE(du->isBallStopped());
}

TEST_F(DMUtilTest, FieldZonesAtTheirBorders) {
    const std::vector<std::pair<double, int>> cases = {
        {-6.01, 5}, {-6, 1},  {-3.51, 1}, {-3.5, 1},  {-2.5, 1}, {-2.49, 2}, {-0.51, 2},
        {-0.5, 2},  {0, 2},   {0.5, 2},   {0.51, 3},  {3.49, 3}, {3.5, 4},   {6, 4},
        {6.01, 5},  {6.2, 5}, {-100, 5},  {100, 5}};
    for (const auto& c : cases) {
        wm->setMyCartPos(Point(c.first, 1, 0));
        EXPECT_EQ(du->partOfFieldAgent(), c.second) << "agent at " << c.first;
        wm->setGlobalPosOfBall(Point(c.first, -1, 0));
        EXPECT_EQ(du->partOfFieldBall(), c.second) << "ball at " << c.first;
    }
    EXPECT_EQ(du->getFastestToBall(), 1);
}

TEST(DMUtilUninitialised, FieldZonesUseTheStandardLengthBeforeSetUp) {
    TempDir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    WorldModel::getUniqueInstance()->setMyCartPos(Point(0.51, 0, 0));
    EXPECT_EQ(DMUtil::getUniqueInstance()->partOfFieldAgent(), 3);
    WorldModel::getUniqueInstance()->setMyCartPos(Point(-2.5, 0, 0));
    EXPECT_EQ(DMUtil::getUniqueInstance()->partOfFieldAgent(), 1);
}

// ---- Body --------------------------------------------------------------------

TEST_F(DMUtilTest, LegsInTheAirNeedCentreAndForceAtZero) {
    EXPECT_TRUE(du->areBothLegsInTheAir());
    wm->setFRPForceL(Point(0, 0, 1e-11));  // within the comparison's tolerance
    EXPECT_TRUE(du->isLeftLegInTheAir());
    wm->setFRPForceL(Point(0, 0, 2e-10));
    EXPECT_FALSE(du->isLeftLegInTheAir());
    EXPECT_TRUE(du->isRightLegInTheAir());
    EXPECT_FALSE(du->areBothLegsInTheAir());
    wm->setFRPCenterR(Point(0.01, 0, 0));
    EXPECT_FALSE(du->isRightLegInTheAir());
    wm->setFRPForceL(Point(0, 0, 0));
    EXPECT_TRUE(du->isLeftLegInTheAir());
}

TEST_F(DMUtilTest, FallDetectorNeverFiresWithBothCentresBelowZero) {
    wm->setFRPCenterL(Point(0, 0, -0.01));
    wm->setFRPCenterR(Point(0, 0, -0.01));
    for (int i = 1; i <= 25; ++i) {
        EXPECT_FALSE(du->isFallen()) << "call " << i;
    }
    // The window closed on call 25: a fresh window needs 20 calls again.
    wm->setFRPCenterL(Point(0, 0, 0));
    for (int i = 1; i <= 19; ++i) {
        EXPECT_FALSE(du->isFallen()) << "new window call " << i;
    }
    EXPECT_TRUE(du->isFallen());
}

TEST_F(DMUtilTest, FallDetectorFiresFromTheTwentiethCallAndResetsOnTheTwentyFifth) {
    wm->setFRPCenterL(Point(0, 0, 0));  // no contact counts as z = 0
    wm->setFRPCenterR(Point(0, 0, -0.01));
    for (int i = 1; i <= 19; ++i) {
        EXPECT_FALSE(du->isFallen()) << "call " << i;
    }
    for (int i = 20; i <= 25; ++i) {
        EXPECT_TRUE(du->isFallen()) << "call " << i;
    }
    EXPECT_FALSE(du->isFallen()) << "call 26 starts a fresh window";
    // The right foot alone counts as well.
    wm->setFRPCenterL(Point(0, 0, -0.01));
    wm->setFRPCenterR(Point(0, 0, 0.02));
    for (int i = 1; i <= 19; ++i) {
        EXPECT_FALSE(du->isFallen()) << "right foot call " << i;
    }
    EXPECT_TRUE(du->isFallen());
}

TEST_F(DMUtilTest, WatchingGroundFollowsTheWindow) {
    EXPECT_FALSE(du->isWatchingGround());
    wm->setFRPCenterL(Point(0, 0.01, -0.01));
    du->isFallen();
    EXPECT_TRUE(du->isWatchingGround());
    wm->setFRPCenterL(Point(0, 0, -0.01));  // y = 0 counts as not forward
    du->isFallen();
    EXPECT_FALSE(du->isWatchingGround());  // 1 against 1
    for (int i = 3; i <= 24; ++i) {
        wm->setFRPCenterL(Point(0, i % 3 == 0 ? -0.5 : 0.5, -0.01));
        du->isFallen();
    }
    EXPECT_TRUE(du->isWatchingGround());
    du->isFallen();  // call 25 closes the window
    EXPECT_FALSE(du->isWatchingGround());
}

TEST_F(DMUtilTest, StraightnessOverTheFirstJoints) {
    EXPECT_TRUE(du->isStright(5));
    joint(7, -5);
    EXPECT_TRUE(du->isStright(5));  // not exceeding
    joint(8, 60);                   // beyond the first eight: ignored
    EXPECT_TRUE(du->isStright(5));
    joint(7, -5.5);
    EXPECT_FALSE(du->isStright(5));
    joint(7, 0);

    UniversalJoint u;
    u.setExtraAxis(6);
    wm->setAnUniversalJoint(u, 6);  // beyond the first six: ignored
    EXPECT_TRUE(du->isStright(5));
    wm->setAnUniversalJoint(u, 5);
    EXPECT_FALSE(du->isStright(5));
    u.setExtraAxis(0);
    u.setAxis(-7);
    wm->setAnUniversalJoint(u, 5);
    EXPECT_FALSE(du->isStright(5));
}

TEST_F(DMUtilTest, StoodStraightAdvancesTheFallDetector) {
    wm->setFRPCenterL(Point(0, 0, 0));
    for (int i = 1; i <= 19; ++i) {
        EXPECT_TRUE(du->isStoodenStright(5)) << i;
    }
    EXPECT_FALSE(du->isStoodenStright(5));  // the 20th call finds a fall
    joint(0, 30);
    wm->setFRPCenterL(Point(0, 0, -1));
    wm->setFRPCenterR(Point(0, 0, -1));
    for (int i = 21; i <= 25; ++i) {
        du->isFallen();
    }
    EXPECT_FALSE(du->isStoodenStright(5));  // not fallen, but bent
}

TEST_F(DMUtilTest, LoweringTheArms) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    // Shoulder X angles read 90 degrees above the raw sensor value.
    joint(DOF_SHOULDER_LX, -80);  // 10 degrees up
    joint(DOF_SHOULDER_RX, -90);  // down
    cc->reset();
    EXPECT_FALSE(du->keepHandInBeside(2));
    EXPECT_STREQ(cc->getPreparedCommand(), "(lae1 -2.000000)(lae2 0.000000)");

    joint(DOF_SHOULDER_LX, -95);
    cc->reset();
    EXPECT_TRUE(du->keepHandInBeside(2));
    EXPECT_STREQ(cc->getPreparedCommand(),
                 "(rae1 0.000000)(rae2 0.000000)(lae1 0.000000)(lae2 0.000000)");

    joint(DOF_SHOULDER_RX, -89);
    cc->reset();
    EXPECT_FALSE(du->keepHandInBeside(1.5f));
    EXPECT_STREQ(cc->getPreparedCommand(), "(rae1 -1.500000)(rae2 0.000000)");
}

TEST_F(DMUtilTest, RaisingTheArms) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    joint(DOF_SHOULDER_LX, -90);  // 0: raise
    joint(DOF_SHOULDER_RX, -45);  // 45: already on its way, no new command
    cc->reset();
    EXPECT_FALSE(du->returnHandInOrgForm(3));
    EXPECT_STREQ(cc->getPreparedCommand(), "(lae1 3.000000)(lae2 0.000000)");

    joint(DOF_SHOULDER_LX, 0);   // 90
    joint(DOF_SHOULDER_RX, 10);  // 100
    cc->reset();
    EXPECT_TRUE(du->returnHandInOrgForm(3));
    EXPECT_STREQ(cc->getPreparedCommand(),
                 "(rae1 0.000000)(rae2 0.000000)(lae1 0.000000)(lae2 0.000000)");
}

// ---- Paths -------------------------------------------------------------------

TEST_F(DMUtilTest, PointInMyWay) {
    wm->setMyCartPos(Point(0, 0, 0.5));
    const Point target(4, 2, 0);
    EXPECT_TRUE(du->isAvoidPointInMyWay(Point(2, 1.3, 0), target, 0.5));
    EXPECT_FALSE(du->isAvoidPointInMyWay(Point(2, 1.3, 0), target, 0.2));
    EXPECT_FALSE(du->isAvoidPointInMyWay(Point(5, 2.5, 0), target, 0.5));   // beyond
    EXPECT_FALSE(du->isAvoidPointInMyWay(Point(-1, -0.5, 0), target, 0.5));  // behind
    // Me and target on one x or one y: the strict box leaves no room.
    EXPECT_FALSE(du->isAvoidPointInMyWay(Point(0, 2, 0), Point(0, 4, 0), 1));
    EXPECT_FALSE(du->isAvoidPointInMyWay(Point(2, 0, 0), Point(4, 0, 0), 1));
    EXPECT_FALSE(du->isAvoidPointInMyWay(Point(0, 0, 0), Point(0, 0, 0), 1));
}

TEST_F(DMUtilTest, AvoidancePointBesideTheObstacle) {
    const Point begin(-2, 0, 0);
    const Point avoid(0, 0, 0);
    Point p = du->calcAvoidancePoint(begin, avoid, Point(2, 1, 0), 1);
    EXPECT_NEAR(p.getX(), 0, 1e-6);
    EXPECT_NEAR(p.getY(), 1, 1e-6);
    p = du->calcAvoidancePoint(begin, avoid, Point(2, -1, 0), 1);
    EXPECT_NEAR(p.getY(), -1, 1e-6);
    // Both sides equally good: the one turned clockwise from the approach.
    p = du->calcAvoidancePoint(begin, avoid, Point(2, 0, 0), 1);
    EXPECT_NEAR(p.getY(), 1, 1e-6);
    p = du->calcAvoidancePoint(Point(1, 1, 0), Point(2, 2, 0), Point(4, 1, 0), std::sqrt(2.0));
    EXPECT_NEAR(p.getX(), 3, 1e-6);
    EXPECT_NEAR(p.getY(), 1, 1e-6);
    // Starting on the obstacle itself gives a defined point, not NaN.
    p = du->calcAvoidancePoint(avoid, avoid, Point(2, 1, 0), 1);
    EXPECT_TRUE(std::isfinite(p.getX()) && std::isfinite(p.getY()));
    EXPECT_NEAR(p.getDistanceTo(avoid), 1, 1e-6);
}

TEST_F(DMUtilTest, GoalieAttacksWhenTheAttackerIsClosest) {
    wm->setMyNum(1);
    tmt(1, -5, 0);
    tmt(2, -3, 0);
    wm->setGlobalPosOfBall(Point(-2.5, 0, 0));
    EXPECT_TRUE(du->shouldGoalieAttack2Ball(2, 0, 1));
    EXPECT_FALSE(du->shouldGoalieAttack2Ball(2, -2.5, 1));  // ball not short of ballX
    EXPECT_FALSE(du->shouldGoalieAttack2Ball(1, 0, 1));     // 1 is not closest, 2.5 m
    stdoutOf([&] { EXPECT_FALSE(du->shouldGoalieAttack2Ball(7, 0, 1)); });  // unknown
    wm->setGlobalPosOfBall(Point(0.1, 0, 0));
    EXPECT_FALSE(du->shouldGoalieAttack2Ball(2, 1, 1));  // closest but 3.1 m away
}

TEST_F(DMUtilTest, GoalieAttacksBehindTheBallWhenTheFrontIsFar) {
    tmt(2, -3.5, 0);
    tmt(3, 0, 0);
    wm->setGlobalPosOfBall(Point(-1, 0, 0));
    EXPECT_TRUE(du->shouldGoalieAttack2Ball(2, 0, 0.5));   // front 1 m > 0.5
    EXPECT_FALSE(du->shouldGoalieAttack2Ball(2, 0, 1.5));  // front 1 m not > 1.5
    EXPECT_TRUE(du->shouldGoalieAttack2Ball(3, 0, 1.5));   // 3 is closest
}

TEST_F(DMUtilTest, BehindTheFastestTeamMate) {
    wm->setMyNum(2);
    wm->setGlobalPosOfBall(Point(0, 0, 0));
    tmt(2, -1, 0);
    tmt(3, 0.5, 0);
    EXPECT_TRUE(du->amIBehidFastestTmt2Ball(0.6));   // 1 - 0.5 < 0.6
    EXPECT_FALSE(du->amIBehidFastestTmt2Ball(0.5));  // not strictly less
    wm->setMyNum(3);
    EXPECT_FALSE(du->amIBehidFastestTmt2Ball(10));  // 3 is in front
    wm->resetOppAndTmtVec();
    tmt(3, -0.5, 0);
    tmt(4, -2, 0);
    EXPECT_TRUE(du->amIBehidFastestTmt2Ball(0));  // I am both
    wm->resetOppAndTmtVec();
    tmt(4, -0.3, 0);
    tmt(3, -0.5, 0);
    EXPECT_FALSE(du->amIBehidFastestTmt2Ball(10));  // closest is behind, not me
}

TEST_F(DMUtilTest, ClearTheBallWhenAnOpponentComes) {
    wm->setMyCartPos(Point(0, 0, 0.5));
    wm->setGlobalPosOfBall(Point(1, 0, 0.04));
    seeBall(1, -20, 0);
    opp(7, 1.5, 0);
    EXPECT_TRUE(du->shouldClearBall());

    wm->resetOppAndTmtVec();
    opp(7, 0.9, 0);  // opponent already behind the ball
    EXPECT_FALSE(du->shouldClearBall());
    wm->resetOppAndTmtVec();
    opp(7, 3, 0);  // opponent 2 m from the ball, more than 1 + 0.5
    EXPECT_FALSE(du->shouldClearBall());
    wm->resetOppAndTmtVec();
    stdoutOf([&] { EXPECT_FALSE(du->shouldClearBall()); });  // nobody seen

    opp(7, 1.5, 0);
    wm->setGlobalPosOfBall(Point(3.01, 0, 0));
    EXPECT_FALSE(du->shouldClearBall());  // outside [-2, 3]
    wm->setGlobalPosOfBall(Point(-2.01, 0, 0));
    EXPECT_FALSE(du->shouldClearBall());

    // Ball close but seen far to the side.
    wm->resetOppAndTmtVec();
    opp(7, 0.9, 0);
    wm->setGlobalPosOfBall(Point(0.3, 0, 0));
    seeBall(0.3, -60, 60);
    EXPECT_FALSE(du->shouldClearBall());
    seeBall(0.3, -60, 50);
    EXPECT_TRUE(du->shouldClearBall());

    // Ball behind the agent: more than 115 degrees off.
    wm->setMyCartPos(Point(1, 0.1, 0.5));
    wm->setGlobalPosOfBall(Point(0, 0, 0));
    seeBall(1, -20, 170);
    EXPECT_FALSE(du->shouldClearBall());
}

// ---- Fitted formulas and roll-out --------------------------------------------

TEST_F(DMUtilTest, BallStopPositionAlongTheVelocity) {
    const Point p = du->BallStopPos(Point(1, 1, 0.04), Point(3, 4, 0));
    const double d = 0.809 * 5 - 0.1787;
    EXPECT_NEAR(p.getX(), 1 + 0.6 * d, 1e-12);
    EXPECT_NEAR(p.getY(), 1 + 0.8 * d, 1e-12);
    EXPECT_NEAR(p.getZ(), 0.04, 1e-12);
}

TEST_F(DMUtilTest, BallWithoutSpeedStaysPut) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(du->BallStopPos(Point(1, 2, 0.04), Point(0, 0, 0)), Point(1, 2, 0.04));
    EXPECT_EQ(du->BallStopPos(Point(1, 2, 0.04), Point(INFINITY, 0, 0)), Point(1, 2, 0.04));
    EXPECT_EQ(du->BallStopPos(Point(1, 2, 0.04), Point(NAN, 0, 0)), Point(1, 2, 0.04));
    EXPECT_EQ(du->BallStopPosZDir(Point(1, 2, 0.04), Point(0, 0, 0)), Point(1, 2, 0));
    EXPECT_EQ(du->BallStopPosZDir(Point(1, 2, 0.04), Point(0, NAN, 0)), Point(1, 2, 0));
    EXPECT_EQ(du->distanceToZeroDirect(Point(INFINITY, 0, 0)), 0);
    EXPECT_EQ(du->ballStopTraveallingTime(Point(0, -INFINITY, 0)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// ---- Roll-out networks -------------------------------------------------------

namespace {

// Weights exactly representable in single precision, so the file holds the
// very values the reference below computes with.
double w3(int i, int k) { return k == 0 ? (i % 5) * 0.25 - 0.5 : k == 1 ? (i % 3) * 0.5 - 0.5 : 0.125; }
double b3(int i) { return (i % 4) * 0.25 - 0.25; }
double w2(int k) { return (k % 2 == 0 ? 0.0625 : -0.03125); }

// A first network of 3 inputs and n neurons, a second of n inputs and one
// neuron (bias b).
void writeNetworks(const std::string& firstPath, const std::string& secondPath, int n,
                   int secondInputs, double b) {
    std::ofstream f(firstPath.c_str());
    f << "first stage\n3\n1\n" << n << "\n";
    for (int i = 0; i < n; ++i) {
        f << w3(i, 0) << " " << w3(i, 1) << " " << w3(i, 2) << "\n";
    }
    for (int i = 0; i < n; ++i) {
        f << b3(i) << " ";
    }
    std::ofstream s(secondPath.c_str());
    s << "second stage\n" << secondInputs << "\n1\n1\n";
    for (int k = 0; k < secondInputs; ++k) {
        s << w2(k) << " ";
    }
    s << "\n" << b << "\n";
}

double reference(Point v, int n, double (*f)(double), double b) {
    double sum = b;
    for (int i = 0; i < n; ++i) {
        const double h = f(w3(i, 0) * v.getX() + w3(i, 1) * v.getY() + w3(i, 2) * v.getZ() + b3(i));
        sum += w2(i) * h;
    }
    return sum;
}

double logistic(double x) { return 1 / (1 + std::exp(-x)); }
double tanhRef(double x) { return std::tanh(x); }

}  // namespace

TEST_F(DMUtilTest, RollOutDistanceFromTheNetworks) {
    ASSERT_EQ(mkdir("ann", 0755), 0);
    writeNetworks("ann/nn3.conf", "ann/nn4.conf", 100, 100, 0.5);
    const Point v(1, -2, 0.5);
    EXPECT_NEAR(du->distanceToZeroDirect(v), reference(v, 100, logistic, 0.5), 1e-9);

    // The stop point lies along the velocity at the network's distance.
    const Point start(1, 1, 0.04);
    const Point vel(0, 3, 0);
    const double d = reference(vel, 100, logistic, 0.5);
    const Point p = du->BallStopPosZDir(start, vel);
    EXPECT_NEAR(p.getX(), 1, 1e-12);
    EXPECT_NEAR(p.getY(), 1 + d, 1e-9);
    EXPECT_EQ(p.getZ(), 0);
}

TEST_F(DMUtilTest, RollOutDistanceUsesOnlyTheFirstHundredOutputs) {
    ASSERT_EQ(mkdir("ann", 0755), 0);
    writeNetworks("ann/nn3.conf", "ann/nn4.conf", 120, 100, 0.5);
    const Point v(0.5, 0.5, 0);
    EXPECT_NEAR(du->distanceToZeroDirect(v), reference(v, 100, logistic, 0.5), 1e-9);
}

TEST_F(DMUtilTest, RollOutTimeFromTheNetworksIsNeverNegative) {
    ASSERT_EQ(mkdir("ann", 0755), 0);
    writeNetworks("ann/nn.conf", "ann/nn1.conf", 10, 10, -3);
    const Point v(2, 1, 0);
    const double ref = reference(v, 10, tanhRef, -3);
    ASSERT_LT(ref, 0);
    EXPECT_NEAR(du->ballStopTraveallingTime(v), -ref, 1e-9);
}

TEST_F(DMUtilTest, UnusableNetworksFallBack) {
    const Point v(3, 4, 0);
    const double fit = 0.809 * 5 - 0.1787;
    // No directory at all.
    testing::internal::CaptureStderr();
    EXPECT_DOUBLE_EQ(du->distanceToZeroDirect(v), fit);
    EXPECT_EQ(du->ballStopTraveallingTime(v), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Could not open ann/nn3.conf file!"), std::string::npos) << err;
    EXPECT_NE(err.find("Could not open ann/nn.conf file!"), std::string::npos) << err;
    EXPECT_NE(err.find("using the linear fit"), std::string::npos) << err;

    ASSERT_EQ(mkdir("ann", 0755), 0);
    struct Case {
        int n;
        int secondInputs;
        const char* why;
    };
    // Too few outputs for the second stage; a second stage of the wrong width.
    for (const Case& c : {Case{50, 100, "fewer than 100 outputs"},
                          Case{100, 99, "does not take 100 inputs"}}) {
        writeNetworks("ann/nn3.conf", "ann/nn4.conf", c.n, c.secondInputs, 0.5);
        testing::internal::CaptureStderr();
        EXPECT_DOUBLE_EQ(du->distanceToZeroDirect(v), fit);
        err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.why), std::string::npos) << err;
    }
    // A first stage with the wrong number of inputs.
    {
        std::ofstream f("ann/nn.conf");
        f << "t\n2 1 10\n";
        for (int i = 0; i < 30; ++i) f << "0.5 ";
    }
    writeNetworks("ann/unused.conf", "ann/nn1.conf", 10, 10, 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(du->ballStopTraveallingTime(v), 0);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("does not take 3 inputs"), std::string::npos) << err;
    // Truncated second stage.
    writeNetworks("ann/nn.conf", "ann/nn1.conf", 10, 10, 1);
    {
        std::ofstream s("ann/nn1.conf");
        s << "t\n10 1 1\n0.5 0.5\n";
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(du->ballStopTraveallingTime(v), 0);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("is unusable"), std::string::npos) << err;
}
