#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "dmu/DMUtil.h"
#include "objects/Ball.h"
#include "objects/HingeJoint.h"
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

}  // namespace

// ---- Closest players ---------------------------------------------------------

TEST_F(DMUtilTest, ClosestTiesExclusionsAndSecondClosest) {
    tmt(4, 1, 0);
    tmt(2, -1, 0);
    tmt(3, 0, 1.5);
    opp(9, 0, -2);
    opp(7, 2, 0);
    const Point o(0, 0, 0);
    // Ties go to the first listed; distances are 3-D.
    EXPECT_EQ(du->getClosestTmt2Point(o).getNum(), 4);
    EXPECT_EQ(du->getClosestOpp2Point(o).getNum(), 9);
    EXPECT_EQ(du->getClosestTmt2Point(Point(0, 1.5, 5)).getNum(), 3);
    EXPECT_EQ(du->getClosestTmtExcept(o, 4).getNum(), 2);
    EXPECT_EQ(du->getSecondClosestTmt2Point(o).getNum(), 2);
    EXPECT_EQ(du->getClosestOppExcept(o, 9).getNum(), 7);
    EXPECT_EQ(du->getSecondClosestOpp2Point(o).getNum(), 7);
    // Across teams the team-mate wins a tie.
    wm->resetOppAndTmtVec();
    tmt(2, 1, 0);
    opp(8, -1, 0);
    expectPlayer(du->getClosestPlayerExcept(o, -1, -1), 2, SIDE_OUR, Point(1, 0, 0));
    EXPECT_EQ(du->getClosestPlayerExcept(o, 2, -1).getNum(), 8);
    EXPECT_EQ(du->getClosestPlayerExcept(Point(-0.1, 0, 0), -1, 8).getNum(), 2);
}

TEST_F(DMUtilTest, NegativeExclusionsExcludeNobody) {
    // A number of -1 may come from a damaged message; only ids >= 0 exclude.
    tmt(-1, 0.1, 0);
    opp(-1, 0.2, 0);
    tmt(3, 2, 0);
    EXPECT_EQ(du->getClosestPlayerExcept(Point(0, 0, 0), -1, -1).getGlbPos(), Point(0.1, 0, 0));
}

TEST_F(DMUtilTest, NoCandidateGivesTheFirstEntryAndAMessage) {
    // Farther than the running minimum's start: nobody qualifies.
    tmt(3, 20000, 0);
    opp(6, 0, 20000);
    Player r;
    EXPECT_EQ(stdoutOf([&] { r = du->getClosestTmt2Point(Point(0, 0, 0)); }),
              "!!!!!!!! getClosestTmt2Point() -> ILLEGAL USE !!!!!!!\n");
    EXPECT_EQ(r.getNum(), 3);
    stdoutOf([&] { r = du->getClosestOppExcept(Point(0, 0, 0), 6); });
    EXPECT_EQ(r.getNum(), 6);
    stdoutOf([&] { r = du->getClosestPlayerExcept(Point(0, 1, 0), -1, -1); });
    EXPECT_EQ(r.getNum(), 6);
    // Only placeholders: the first team-mate.
    wm->resetOppAndTmtVec();
    wm->addIllegalTmtPlayer();
    wm->addIllegalOppPlayer();
    EXPECT_NE(stdoutOf([&] { r = du->getClosestPlayer2Point(Point(0, 0, 0)); }), "");
    EXPECT_EQ(r.getSide(), SIDE_OUR);
}

// ---- Ball and position -------------------------------------------------------

TEST_F(DMUtilTest, BallDirectionAndAngleBehindAtTheBorders) {
    for (auto c : std::vector<std::pair<double, int>>{{11, 2}, {-11, 1}, {10.9, 3}, {-10.9, 3}}) {
        seeBall(2, 0, c.first);
        EXPECT_EQ(du->getBallDir(), c.second) << c.first;
    }
    for (auto c : std::vector<std::pair<double, double>>{{180, -178}, {179.5, 181.5}, {-30, -28}}) {
        seeBall(2, 0, c.first);
        EXPECT_DOUBLE_EQ(du->getAng2BallBack(), c.second) << c.first;
    }
}

TEST_F(DMUtilTest, PlaneDistanceAndPointFromBall) {
    wm->setMyCartPos(Point(1, 1, 0.5));
    wm->setGlobalPosOfBall(Point(4, 5, 0.04));
    seeBall(5.1, -6, 33);
    EXPECT_DOUBLE_EQ(du->get2DBallDist(), 5);
    wm->setGlobalPosOfBall(Point(-3, 4, 0));
    const Point p = du->getPointFromBall(2.5);
    EXPECT_NEAR(p.getX(), -4.5, 1e-12);
    EXPECT_NEAR(p.getY(), 2, 1e-12);
    // Ball on the goal centre: no direction, no NaN; the ball itself.
    wm->setGlobalPosOfBall(Point(-6, 0, 0));
    EXPECT_EQ(du->getPointFromBall(1), Point(-6, 0, 0));
}

TEST_F(DMUtilTest, DistanceThresholdsOfTheSeenBall) {
    seeBall(4.49, 0, 0);
    EXPECT_TRUE(du->reachBallNear());
    seeBall(4.5, 0, 0);
    EXPECT_FALSE(du->reachBallNear());
    seeBall(7, 0, 0);
    EXPECT_TRUE(du->reachBallToMiddle());
    seeBall(7.01, 0, 0);
    EXPECT_FALSE(du->reachBallToMiddle());
}

TEST_F(DMUtilTest, GoalieInPlace) {
    // No goalie in the list: not in place, and no stray read.
    stdoutOf([&] { EXPECT_FALSE(du->goalieIsInYourPlace()); });
    tmt(2, -5.5, 0);
    tmt(1, -5, 0.69);
    EXPECT_TRUE(du->goalieIsInYourPlace());
    wm->resetOppAndTmtVec();
    tmt(1, -4.99, 0);
    EXPECT_FALSE(du->goalieIsInYourPlace());
}

TEST_F(DMUtilTest, BallStoppedFromTheMoveSinceTheCycleStart) {
    // Last cycle: ball 2 m straight ahead, seen at 1.0 s.
    seeBall(2, 0, 10);
    Ball b = wm->getBall();
    b.setLastTimeSeenBall(1.0);
    wm->setBall(b);
    wm->resetForUpdate();
    wm->setTime(1.02f);
    seeBall(2.01, 0, 10);
    EXPECT_TRUE(du->isBallStopped());  // 0.5 per second
    seeBall(2.02, 0, 10);
    EXPECT_FALSE(du->isBallStopped());  // 1.0 per second
    // No time passed since the sighting: one cycle is assumed instead of a
    // division by zero (which would call a still ball moving).
    wm->setTime(1.0f);
    seeBall(2, 0, 10);
    EXPECT_TRUE(du->isBallStopped());
    seeBall(2.1, 0, 10);
    EXPECT_FALSE(du->isBallStopped());
}

TEST_F(DMUtilTest, FieldZonesAtTheirBorders) {
    const std::vector<std::pair<double, int>> cases = {
        {-6.01, 5}, {-6, 1}, {-2.5, 1}, {-2.49, 2}, {0.5, 2}, {0.51, 3},
        {3.49, 3},  {3.5, 4}, {6, 4},   {6.01, 5}};
    for (const auto& c : cases) {
        wm->setMyCartPos(Point(c.first, 1, 0));
        EXPECT_EQ(du->partOfFieldAgent(), c.second) << "agent at " << c.first;
        wm->setGlobalPosOfBall(Point(c.first, -1, 0));
        EXPECT_EQ(du->partOfFieldBall(), c.second) << "ball at " << c.first;
    }
}

// ---- Body --------------------------------------------------------------------

TEST_F(DMUtilTest, LegsInTheAirNeedCentreAndForceAtZero) {
    EXPECT_TRUE(du->areBothLegsInTheAir());
    wm->setFRPForceL(Point(0, 0, 1e-11));  // within the comparison's tolerance
    EXPECT_TRUE(du->isLeftLegInTheAir());
    wm->setFRPForceL(Point(0, 0, 2e-10));
    EXPECT_FALSE(du->isLeftLegInTheAir());
    EXPECT_FALSE(du->areBothLegsInTheAir());
    wm->setFRPCenterR(Point(0.01, 0, 0));
    EXPECT_FALSE(du->isRightLegInTheAir());
}

TEST_F(DMUtilTest, FallDetectorFiresFromTheTwentiethCallAndResetsOnTheTwentyFifth) {
    // Both centres below zero: never fallen, and the window closes on call 25.
    wm->setFRPCenterL(Point(0, 0, -0.01));
    wm->setFRPCenterR(Point(0, 0, -0.01));
    for (int i = 1; i <= 25; ++i) ASSERT_FALSE(du->isFallen()) << "call " << i;
    wm->setFRPCenterL(Point(0, 0, 0));  // no contact counts as z = 0
    for (int i = 1; i <= 19; ++i) ASSERT_FALSE(du->isFallen()) << "call " << i;
    for (int i = 20; i <= 25; ++i) EXPECT_TRUE(du->isFallen()) << "call " << i;
    EXPECT_FALSE(du->isFallen()) << "call 26 starts a fresh window";
    // The right foot alone counts as well.
    wm->setFRPCenterL(Point(0, 0, -0.01));
    wm->setFRPCenterR(Point(0, 0, 0.02));
    for (int i = 2; i <= 19; ++i) du->isFallen();
    EXPECT_TRUE(du->isFallen());
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
}

// ---- Paths -------------------------------------------------------------------

TEST_F(DMUtilTest, AvoidancePointBesideTheObstacle) {
    const Point begin(-2, 0, 0);
    const Point avoid(0, 0, 0);
    Point p = du->calcAvoidancePoint(begin, avoid, Point(2, -1, 0), 1);
    EXPECT_NEAR(p.getX(), 0, 1e-6);
    EXPECT_NEAR(p.getY(), -1, 1e-6);
    // Both sides equally good: the one turned clockwise from the approach.
    p = du->calcAvoidancePoint(begin, avoid, Point(2, 0, 0), 1);
    EXPECT_NEAR(p.getY(), 1, 1e-6);
    // Starting on the obstacle itself gives a defined point, not NaN.
    p = du->calcAvoidancePoint(avoid, avoid, Point(2, 1, 0), 1);
    EXPECT_TRUE(std::isfinite(p.getX()) && std::isfinite(p.getY()));
    EXPECT_NEAR(p.getDistanceTo(avoid), 1, 1e-6);
}

TEST_F(DMUtilTest, GoalieAttacksWhenClosestOrWhenTheFrontIsFar) {
    wm->setMyNum(1);
    tmt(1, -5, 0);
    tmt(2, -3, 0);
    wm->setGlobalPosOfBall(Point(-2.5, 0, 0));
    EXPECT_TRUE(du->shouldGoalieAttack2Ball(2, 0, 1));
    EXPECT_FALSE(du->shouldGoalieAttack2Ball(2, -2.5, 1));  // ball not short of ballX
    EXPECT_FALSE(du->shouldGoalieAttack2Ball(1, 0, 1));     // 1 is not closest, 2.5 m
    stdoutOf([&] { EXPECT_FALSE(du->shouldGoalieAttack2Ball(7, 0, 1)); });  // unknown
    wm->resetOppAndTmtVec();
    tmt(2, -3.5, 0);
    tmt(3, 0, 0);
    wm->setGlobalPosOfBall(Point(-1, 0, 0));
    EXPECT_TRUE(du->shouldGoalieAttack2Ball(2, 0, 0.5));   // front 1 m > 0.5
    EXPECT_FALSE(du->shouldGoalieAttack2Ball(2, 0, 1.5));  // front 1 m not > 1.5
}

TEST_F(DMUtilTest, ClearTheBallWhenAnOpponentComes) {
    wm->setMyCartPos(Point(0, 0, 0.5));
    wm->setGlobalPosOfBall(Point(1, 0, 0.04));
    seeBall(1, -20, 0);
    opp(7, 1.5, 0);
    EXPECT_TRUE(du->shouldClearBall());
    wm->setGlobalPosOfBall(Point(3.01, 0, 0));
    EXPECT_FALSE(du->shouldClearBall());  // outside [-2, 3]
    wm->setGlobalPosOfBall(Point(1, 0, 0.04));
    wm->resetOppAndTmtVec();
    opp(7, 3, 0);  // opponent 2 m from the ball, more than 1 + 0.5
    EXPECT_FALSE(du->shouldClearBall());
    wm->resetOppAndTmtVec();
    stdoutOf([&] { EXPECT_FALSE(du->shouldClearBall()); });  // nobody seen
}

// ---- Fitted formulas and roll-out networks ----------------------------------

TEST_F(DMUtilTest, BallStopPositionAlongTheVelocityAndNeverNaN) {
    const Point p = du->BallStopPos(Point(1, 1, 0.04), Point(3, 4, 0));
    const double d = 0.809 * 5 - 0.1787;
    EXPECT_NEAR(p.getX(), 1 + 0.6 * d, 1e-12);
    EXPECT_NEAR(p.getY(), 1 + 0.8 * d, 1e-12);
    testing::internal::CaptureStderr();
    EXPECT_EQ(du->BallStopPos(Point(1, 2, 0.04), Point(0, 0, 0)), Point(1, 2, 0.04));
    EXPECT_EQ(du->BallStopPos(Point(1, 2, 0.04), Point(NAN, 0, 0)), Point(1, 2, 0.04));
    EXPECT_EQ(du->BallStopPosZDir(Point(1, 2, 0.04), Point(0, NAN, 0)), Point(1, 2, 0));
    EXPECT_EQ(du->distanceToZeroDirect(Point(INFINITY, 0, 0)), 0);
    EXPECT_EQ(du->ballStopTraveallingTime(Point(0, -INFINITY, 0)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

namespace {

// Weights exactly representable in single precision, so the file holds the
// very values the reference below computes with.
double w3(int i, int k) { return k == 0 ? (i % 5) * 0.25 - 0.5 : k == 1 ? (i % 3) * 0.5 - 0.5 : 0.125; }
double b3(int i) { return (i % 4) * 0.25 - 0.25; }
double w2(int k) { return (k % 2 == 0 ? 0.0625 : -0.03125); }

// A first network of 3 inputs and n neurons, a second of m inputs and one
// neuron (bias b).
void writeNetworks(const char* first, const char* second, int n, int m, double b) {
    std::ofstream f(first);
    f << "first stage\n3\n1\n" << n << "\n";
    for (int i = 0; i < n; ++i) f << w3(i, 0) << " " << w3(i, 1) << " " << w3(i, 2) << "\n";
    for (int i = 0; i < n; ++i) f << b3(i) << " ";
    std::ofstream s(second);
    s << "second stage\n" << m << "\n1\n1\n";
    for (int k = 0; k < m; ++k) s << w2(k) << " ";
    s << "\n" << b << "\n";
}

double reference(Point v, int n, double (*f)(double), double b) {
    double sum = b;
    for (int i = 0; i < n; ++i) {
        sum += w2(i) * f(w3(i, 0) * v.getX() + w3(i, 1) * v.getY() + w3(i, 2) * v.getZ() + b3(i));
    }
    return sum;
}

double logistic(double x) { return 1 / (1 + std::exp(-x)); }
double tanhRef(double x) { return std::tanh(x); }

}  // namespace

TEST_F(DMUtilTest, RollOutFromTheNetworks) {
    ASSERT_EQ(mkdir("ann", 0755), 0);
    // Only the first hundred of 120 outputs feed the second stage.
    writeNetworks("ann/nn3.conf", "ann/nn4.conf", 120, 100, 0.5);
    const Point vel(0, 3, 0);
    const double d = reference(vel, 100, logistic, 0.5);
    EXPECT_NEAR(du->distanceToZeroDirect(vel), d, 1e-9);
    const Point p = du->BallStopPosZDir(Point(1, 1, 0.04), vel);
    EXPECT_NEAR(p.getX(), 1, 1e-12);
    EXPECT_NEAR(p.getY(), 1 + d, 1e-9);
    EXPECT_EQ(p.getZ(), 0);
    // The travel time is never negative.
    writeNetworks("ann/nn.conf", "ann/nn1.conf", 10, 10, -3);
    const Point v(2, 1, 0);
    const double ref = reference(v, 10, tanhRef, -3);
    ASSERT_LT(ref, 0);
    EXPECT_NEAR(du->ballStopTraveallingTime(v), -ref, 1e-9);
}

TEST_F(DMUtilTest, UnusableNetworksFallBack) {
    const Point v(3, 4, 0);
    const double fit = 0.809 * 5 - 0.1787;
    testing::internal::CaptureStderr();
    EXPECT_DOUBLE_EQ(du->distanceToZeroDirect(v), fit);  // no directory at all
    EXPECT_EQ(du->ballStopTraveallingTime(v), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Could not open ann/nn3.conf file!"), std::string::npos) << err;

    ASSERT_EQ(mkdir("ann", 0755), 0);
    writeNetworks("ann/nn3.conf", "ann/nn4.conf", 50, 100, 0.5);
    testing::internal::CaptureStderr();
    EXPECT_DOUBLE_EQ(du->distanceToZeroDirect(v), fit);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("fewer than 100 outputs"), std::string::npos) << err;
    // Truncated second stage.
    writeNetworks("ann/nn.conf", "ann/nn1.conf", 10, 10, 1);
    std::ofstream("ann/nn1.conf") << "t\n10 1 1\n0.5 0.5\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(du->ballStopTraveallingTime(v), 0);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("is unusable"), std::string::npos) << err;
}
