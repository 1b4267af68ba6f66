// The decision queries at the edges that catch real faults: closest-player
// ties and placeholders, unknown numbers, ball direction and zones at their
// borders, the fall detector's window, divisions by zero, roll-out networks
// that are missing or broken.
#include "dmu/DMUtil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <string>

#include "objects/Ball.h"
#include "support/ChildProcess.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

const Point kAbsent(1000, 1000, 0.38);

// Every case runs in its own working directory (the world model writes its
// log there, the networks are read from there); console lines are dropped.
class DMUtilTest : public testing::Test {
protected:
    void SetUp() override {
        testing::internal::CaptureStdout();
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        GameConf::getUniqueInstance()->init();
        wm = WorldModel::getUniqueInstance();
        du = DMUtil::getUniqueInstance();
        wm->setOurSide(SIDE_LEFT);
    }
    void TearDown() override { testing::internal::GetCapturedStdout(); }
    void tmt(int num, double x, double y) { wm->addTmt(Player(num, SIDE_OUR, Point(x, y, 0))); }
    void opp(int num, double x, double y) { wm->addOpp(Player(num, SIDE_OPP, Point(x, y, 0))); }
    void seeBall(double ro, double teta, double phi = 0) {
        Ball b = wm->getBall();
        b.setPolarPos(Point(ro, phi, teta));
        wm->setBall(b);
    }
    void feet(double zLeft, double zRight) {
        wm->setFRPCenterL(Point(0, 0, zLeft));
        wm->setFRPCenterR(Point(0, 0, zRight));
    }
    // Calls the fall detector n times; how many of them said fallen.
    int fallenCount(int n) {
        int fallen = 0;
        for (int i = 0; i < n; ++i) fallen += du->isFallen() ? 1 : 0;
        return fallen;
    }

    TempDir dir;
    WorldModel* wm = nullptr;
    DMUtil* du = nullptr;
};

void expectAbsent(const Player& p, Side side) {
    EXPECT_EQ(p.getNum(), 0);
    EXPECT_EQ(p.getSide(), side);
    EXPECT_EQ(p.getGlbPos(), kAbsent);
}

TEST_F(DMUtilTest, ClosestPlayersTiesExclusionsAndPlaceholders) {
    tmt(4, 1, 0);
    tmt(2, -1, 0);
    tmt(3, 0, 1.5);
    opp(9, 0, -2);
    opp(7, 2, 0);
    const Point o(0, 0, 0);
    EXPECT_EQ(du->getClosestTmt2Point(o).getNum(), 4);                 // a tie: the first listed
    EXPECT_EQ(du->getClosestTmt2Point(Point(0, 1.5, 5)).getNum(), 3);  // distances are 3-D
    EXPECT_EQ(du->getClosestTmtExcept(o, 4).getNum(), 2);
    EXPECT_EQ(du->getSecondClosestOpp2Point(o).getNum(), 7);

    wm->resetOppAndTmtVec();
    tmt(2, 3, 0);
    wm->addIllegalOppPlayer();
    EXPECT_EQ(du->getClosestPlayer2Point(o).getNum(), 2);  // the placeholder is no one
    opp(6, 3, 0);
    EXPECT_EQ(du->getClosestPlayer2Point(o).getSide(), SIDE_OUR);  // a tie: the team-mate
    opp(7, 2.9, 0);
    EXPECT_EQ(du->getSecondClosestPlayer2Point(o).getNum(), 2);
    tmt(-1, 0.1, 0);  // a damaged number: negative exclusions exclude nobody
    EXPECT_EQ(du->getClosestPlayerExcept(o, -1, -1).getGlbPos(), Point(0.1, 0, 0));
}

TEST_F(DMUtilTest, EmptyListsAndUnknownNumbersGivePlaceholdersFarOffTheField) {
    const Point o(0, 0, 0);
    expectAbsent(du->getClosestTmt2Point(o), SIDE_OUR);
    expectAbsent(du->getClosestOppExcept(o, 2), SIDE_OPP);
    expectAbsent(du->getClosestPlayerExcept(o, -1, -1), SIDE_OUR);
    expectAbsent(du->getClosestPlayer2Ball(), SIDE_OUR);
    EXPECT_FALSE(du->goalieIsInYourPlace());
    EXPECT_FALSE(du->shouldClearBall());

    tmt(2, -3, 1);
    opp(2, 3, -1);
    EXPECT_EQ(du->getPlayer(2, SIDE_RIGHT).getGlbPos(), Point(3, -1, 0));
    for (int num : {7, -1}) expectAbsent(du->getPlayer(num, SIDE_LEFT), SIDE_OUR);
    expectAbsent(du->getPlayer(1, SIDE_RIGHT), SIDE_OPP);
    EXPECT_FALSE(du->shouldGoalieAttack2Ball(7, 0, 1));
}

TEST_F(DMUtilTest, BallDirectionAngleBehindAndZonesAtTheirBorders) {
    const double dirs[][3] = {// teta, getBallDir, getAng2BallBack
                              {11, 2, 13},      {-11, 1, -9},   {10.9, 3, 12.9},
                              {-10.9, 3, -8.9}, {180, 2, -178}, {179.5, 2, 181.5}};
    for (const auto& d : dirs) {
        seeBall(2, d[0]);
        EXPECT_EQ(du->getBallDir(), d[1]) << d[0];
        EXPECT_DOUBLE_EQ(du->getAng2BallBack(), d[2]) << d[0];
    }
    const double zones[][2] = {{-6.01, 5}, {-6, 1},   {-2.5, 1}, {-2.49, 2}, {0.5, 2},
                               {0.51, 3},  {3.49, 3}, {3.5, 4},  {6, 4},     {6.01, 5}};
    for (const auto& z : zones) {
        wm->setMyCartPos(Point(z[0], 1, 0));
        EXPECT_EQ(du->partOfFieldAgent(), z[1]) << "agent at " << z[0];
        wm->setGlobalPosOfBall(Point(z[0], -1, 0));
        EXPECT_EQ(du->partOfFieldBall(), z[1]) << "ball at " << z[0];
    }
}

TEST_F(DMUtilTest, FallDetectorWindowAndFrontOrBack) {
    feet(-0.01, -0.01);  // both centres below zero: never a fall
    EXPECT_EQ(fallenCount(25), 0);
    wm->setFRPCenterL(Point(0, 0.01, 0));  // no contact counts as z = 0
    EXPECT_EQ(fallenCount(19), 0);
    EXPECT_TRUE(du->isWatchingGround());
    EXPECT_EQ(fallenCount(6), 6) << "from the 20th call to the 25th";
    EXPECT_FALSE(du->isWatchingGround()) << "the 25th call closes the window";
    EXPECT_FALSE(du->isFallen());
    feet(-0.01, 0.02);  // the right foot alone counts as well
    EXPECT_EQ(fallenCount(19), 0);
    EXPECT_TRUE(du->isFallen());
}

TEST_F(DMUtilTest, TenLyingAccelerometerReadingsInARowAreAFallWhateverTheFeetSay) {
    feet(-0.01, -0.01);                // the feet show nothing (heels down on the back)
    wm->setAcc(Point(0.0, 9.8, 0.4));  // gravity along the torso's forward axis
    EXPECT_EQ(fallenCount(9), 0) << "an impact's jolt is no fall";
    EXPECT_EQ(fallenCount(3), 3);
    wm->setAcc(Point(6.0, -5.0, 3.9));  // on the front, turned: 7.8 across
    EXPECT_EQ(fallenCount(1), 1);
    wm->setAcc(Point(0.0, 9.8, 4.1));  // sitting up: too much along the torso
    EXPECT_EQ(fallenCount(1), 0);
    wm->setAcc(Point(0.0, 9.8, 0.4));
    EXPECT_EQ(fallenCount(9), 0) << "the count started again";
    wm->setAcc(Point(0.0, NAN, 0.4));  // no number: no reading
    EXPECT_EQ(fallenCount(1), 0);
    wm->setAcc(Point(0.0, 0.3, 9.8));  // upright
    EXPECT_EQ(fallenCount(25), 0);
    // A message without a reading starts the count again too.
    wm->setAcc(Point(0.0, -9.8, 0.4));
    EXPECT_EQ(fallenCount(9), 0);
    wm->resetForUpdate();
    ASSERT_FALSE(wm->hasAcc());
    EXPECT_EQ(fallenCount(1), 0);
}

TEST_F(DMUtilTest, NoDivisionByZeroOrNaNFromDegenerateGeometry) {
    // The ball stopped: 0.5 m/s is, 1.0 m/s is not; with no time passed
    // since the last sighting one cycle is assumed.
    seeBall(2, 10);
    Ball b = wm->getBall();
    b.setLastTimeSeenBall(1.0);
    wm->setBall(b);
    wm->resetForUpdate();
    wm->setTime(1.02f);
    seeBall(2.01, 10);
    EXPECT_TRUE(du->isBallStopped());
    seeBall(2.02, 10);
    EXPECT_FALSE(du->isBallStopped());
    wm->setTime(1.0f);
    seeBall(2.01, 10);
    EXPECT_TRUE(du->isBallStopped());

    wm->setGlobalPosOfBall(Point(-6, 0, 0));  // on the goal centre: the ball itself
    EXPECT_EQ(du->getPointFromBall(1), Point(-6, 0, 0));
    const Point on(0, 0, 0);  // starting on the obstacle itself
    const Point p = du->calcAvoidancePoint(on, on, Point(2, 1, 0), 1);
    EXPECT_NEAR(p.getDistanceTo(on), 1, 1e-6);
    EXPECT_NEAR(du->calcAvoidancePoint(Point(-2, 0, 0), on, Point(2, 0, 0), 1).getY(), 1, 1e-6);

    testing::internal::CaptureStderr();  // a ball without speed stays put
    const Point at(1, 2, 0.04);
    EXPECT_EQ(du->BallStopPos(at, Point(0, 0, 0)), at);
    EXPECT_EQ(du->BallStopPos(at, Point(NAN, 0, 0)), at);
    EXPECT_EQ(du->BallStopPosZDir(at, Point(0, INFINITY, 0)), Point(1, 2, 0));
    EXPECT_EQ(du->ballStopTraveallingTime(Point(0, -INFINITY, 0)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A first network of 3 inputs and n neurons, all weights 0 (each output is
// the logistic of 0, a half); a second of m inputs weighted 1/16, bias 0.5.
void writeNetworks(int n, int m) {
    std::ofstream f("ann/nn3.conf"), s("ann/nn4.conf");
    f << "first\n3\n1\n" << n << "\n";
    for (int i = 0; i < 4 * n; ++i) f << "0 ";
    s << "second\n" << m << "\n1\n1\n";
    for (int i = 0; i < m; ++i) s << "0.0625 ";
    s << "\n0.5\n";
}

TEST_F(DMUtilTest, RollOutNetworksAndTheirFallbackToTheLinearFit) {
    const Point v(3, 4, 0);
    const double fit = 0.809 * 5 - 0.1787;
    testing::internal::CaptureStderr();
    EXPECT_DOUBLE_EQ(du->distanceToZeroDirect(v), fit);  // no directory
    EXPECT_EQ(du->ballStopTraveallingTime(v), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Could not open ann/nn3.conf file!"), std::string::npos) << err;

    ASSERT_EQ(mkdir("ann", 0755), 0);
    writeNetworks(120, 100);  // only the first hundred outputs are used
    EXPECT_DOUBLE_EQ(du->distanceToZeroDirect(v), 0.5 + 100 * 0.0625 * 0.5);
    for (int n : {50, 100}) {  // too few outputs; a second stage of the wrong width
        writeNetworks(n, n == 50 ? 100 : 99);
        testing::internal::CaptureStderr();
        EXPECT_DOUBLE_EQ(du->distanceToZeroDirect(v), fit) << n;
        testing::internal::GetCapturedStderr();
    }
}

}  // namespace
