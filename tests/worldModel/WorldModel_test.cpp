#include "worldModel/WorldModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "worldModel/GameConf.h"
#include "worldModel/WorldModelTestUtil.h"

TEST(GameConf, JointNamesAndPlayModeWords) {
    GameConf* gc = GameConf::getUniqueInstance();
    gc->init();
    // The landmark positions are checked by localisation from composed
    // messages; here only an index from bad data.
    EXPECT_EQ(gc->getFlagPos(8), Point(0, 0, 0));
    EXPECT_EQ(gc->getDOFid("rlj3"), DOF_LEG_RX);  // the hip numbering
    for (int i = PM_BEFORE_KICK_OFF; i <= PM_GAME_OVER; ++i) {
        const PlayMode pm = static_cast<PlayMode>(i);
        EXPECT_EQ(GameConf::getPlayModeByText(GameConf::getPlayModeText(pm)), pm) << i;
    }
    for (const char* word : {"playon", "PlayOnX", "", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(GameConf::getPlayModeByText(word), PM_UNKNOWN);
    }
}

TEST(WorldModelSides, RestartsAndLandmarksSwapRolesForATeamOnTheRight) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setPlayMode(PM_KICKOFF_LEFT);
    for (Side side : {SIDE_LEFT, SIDE_RIGHT, SIDE_UNKNOWN}) {
        wm->setOurSide(side);
        EXPECT_EQ(wm->isKickOffUs(), side == SIDE_LEFT) << side;
        EXPECT_EQ(wm->isKickOffThem(), side == SIDE_RIGHT) << side;
    }
    for (int i = 0; i < 8; ++i) {
        Flag f;  // each flag keeps its time in its own slot; other slots hold noise
        for (int k = 0; k < 8; ++k) f.setLastTimeSeenFlag(k == i ? 10 + i : 99, k);
        wm->setAFlag(f, i);
    }
    const auto indices = [wm] {
        return std::vector<int>{wm->getIndexOfOppGoalFlag1(), wm->getIndexOfOurGoalFlag1(),
                                wm->getIndexOfOppSideFlag1(), wm->getIndexOfOurSideFlag2()};
    };
    wm->setOurSide(SIDE_LEFT);
    EXPECT_EQ(indices(), (std::vector<int>{2, 1, 7, 5}));
    wm->setOurSide(SIDE_RIGHT);
    EXPECT_EQ(indices(), (std::vector<int>{1, 2, 4, 6}));
    EXPECT_EQ(wm->getOurGoalFlag1LastTimeSeen(), 12);
}

TEST(WorldModelBearings, SightingsTurnIntoTheBodyFrameWithTheirHeadAngles) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    // 30 degrees below the camera axis with the head tilted 30 degrees up:
    // level with the body; the 15 degrees of pan add to the azimuth.
    wm->setAFlag(wmtest::seenPolar<Flag>(10, -30, 20, 15, 30), 4);
    EXPECT_NEAR(wm->getBodyDirectionFromFlagByIndex(4)[0], 10, 1e-9);
    EXPECT_NEAR(wm->getBodyDirectionFromFlagByIndex(4)[1], 35, 1e-9);
    // On the centre spot facing the opponent goal; a ball on the goal's
    // middle gives no line: the point behind it is the ball itself, not NaN.
    wm->setOurSide(SIDE_LEFT);
    wm->setAFlag(wmtest::seenOnGround<Flag>(6, 0.7), 2);
    wm->setAFlag(wmtest::seenOnGround<Flag>(6, -0.7), 3);
    wm->setBall(wmtest::seenOnGround<Ball>(2, 0));
    EXPECT_NEAR(wm->calcPointBehindBall(0.7)[0], 1.3, 1e-9);
    wm->setBall(wmtest::seenOnGround<Ball>(6, 0));
    EXPECT_NEAR(wm->calcPointBehindBall(0.7)[0], 6, 1e-9);
    EXPECT_NEAR(wm->calcPointBehindBall(0.7)[1], 0, 1e-9);
}

// Messages without vision keep the lists; the agent must appear once, at its
// latest position, however many such messages arrive.
TEST(WorldModelPlayers, AgentItselfIsListedOnceBetweenVisions) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->addTmt(Player(7, SIDE_OUR, Point(1, 2, 0)));
    wm->setMyNum(2);
    for (int i = 0; i < 50; ++i) {
        wm->setMyCartPos(Point(i, 0, 0.5));
        wm->setMyInTmt();
    }
    ASSERT_EQ(wm->getNumOfTmt(), 2);
    EXPECT_EQ(wm->getTmt()[1].getGlbPos(), Point(49, 0, 0.5));
    // A new vision empties the lists; the agent is added afresh behind what it sees.
    wm->resetOppAndTmtVec();
    wm->addTmt(Player(5, SIDE_OUR, Point(3, 3, 0)));
    wm->setMyInTmt();
    wm->setMyInTmt();
    ASSERT_EQ(wm->getNumOfTmt(), 2);
    EXPECT_EQ(wm->getIndexTmt(2), 1);
}

TEST(WorldModelPlayers, UnknownNumbersAndStaleSightingsFallBack) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    testing::internal::CaptureStdout();
    EXPECT_EQ(wm->getIndexTmt(5), -1);
    EXPECT_EQ(wm->getIndexOpp(5), -1);
    testing::internal::GetCapturedStdout();
    // No opponent at all: far away, straight ahead.
    EXPECT_EQ(wm->getBodyDirectionFromOpp(5)[0], WorldModel::kNoOpponentDistance);
    wm->setTime(10.0f);
    EXPECT_EQ(wm->nearestopp(), -1);
    wm->addOpp(wmtest::opponent(4, 10.0, 5));
    wm->addOpp(wmtest::opponent(6, 9.9, 1));   // nearer but stale
    wm->addOpp(wmtest::opponent(7, 9.96, 3));  // seen three cycles ago
    EXPECT_EQ(wm->nearestopp(), 7);
    EXPECT_NEAR(wm->getBodyDirectionFromOpp(11)[0], 5, 1e-12) << "unknown: the first listed";
    // Points outside the field are pulled half a metre inside.
    EXPECT_FALSE(WorldModel::isPointInField(Point(6.01, 0, 0)));
    EXPECT_EQ(WorldModel::correctPoint(Point(-7, 5, 0.2)), Point(-5.5, 3.5, 0.2));
    EXPECT_EQ(WorldModel::correctPoint(Point(2, -5, 0)), Point(2, -3.5, 0));
}

TEST(WorldModelKinematics, AZeroStepDividesNothing) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->resetForUpdate();  // a message with the time of the one before
    Ball b = wm->getBall();
    b.setLastTimeSeenBall(wm->getTime());
    wm->setBall(b);
    wm->setMyCartPos(Point(2, 0, 0.5));
    wm->setGlobalPosOfBall(Point(3, 3, 0));
    wm->setDeltaTime();
    wm->setVelOfBall();
    wm->setVelOfAgent();
    wm->setAccerationOfBall();
    EXPECT_EQ(wm->getDeltaTime(), 0.0);
    EXPECT_EQ(wm->getVelOfBall(), Point(0, 0, 0));
    EXPECT_EQ(wm->getVelOfAgent(), Point(0, 0, 0));
    EXPECT_EQ(wm->getAccerationOfBall(), Point(0, 0, 0));
}

TEST(WorldModelBounds, SlotsNamesAndHomesFromBadNumbers) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    HingeJoint j;
    j.setAxis(-90.0f);
    for (int i : {-1, int(DOF_SHOULDER_LX), int(DOF_COUNT), 29}) wm->setAHingeJoint(j, i);
    EXPECT_DOUBLE_EQ(wm->getDOF(DOF_SHOULDER_LX), 0.0);  // sensed 90 degrees turned
    EXPECT_DOUBLE_EQ(wm->getAHingeJoint(DOF_COUNT).getAxis(), 0.0);
    wm->setAnUniversalJoint(UniversalJoint(), WorldModel::kUniversalJointCount);
    wm->setAFlag(Flag(), 8);

    wm->setTeamName(std::string(100, 'x'));
    EXPECT_EQ(wm->getTeamName(), std::string(63, 'x'));
    {
        // The perception update hands over a buffer it frees afterwards.
        std::unique_ptr<char[]> buf(new char[16]);
        std::strcpy(buf.get(), "hello123");
        wm->setMessageSay(buf.get());
    }
    EXPECT_STREQ(wm->getMessageSay(), "hello123");
    wm->setMessageSay(std::string(5000, 'm').c_str());
    EXPECT_EQ(std::string(wm->getMessageSay()), std::string(1023, 'm'));

    wm->setHomePos(Point(-1.5, 0, 1), 3);
    testing::internal::CaptureStderr();
    wm->setHomePos(Point(9, 9, 9), 0);
    wm->setHomePos(Point(9, 9, 9), 4);
    testing::internal::GetCapturedStderr();
    for (int unum : {3, 0, 4, -7}) EXPECT_EQ(wm->getHomePos(unum), Point(-1.5, 0, 1)) << unum;
}

// Once the robot knows where it stands, the goals and the point behind the
// ball come from its position and yaw and the ball's field position, not
// from sightings that may be old and taken from elsewhere.
TEST(WorldModelBearings, GoalsAndPointBehindBallFollowTheLocalisedPose) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setOurSide(SIDE_LEFT);
    wm->getLocaliser().setLandmark(2, Point(6, -0.7, 0.8));
    // A stale sighting of the opponent goal, straight behind the robot.
    wm->setAFlag(wmtest::seenOnGround<Flag>(-6, 0.7), 2);
    wm->setAFlag(wmtest::seenOnGround<Flag>(-6, -0.7), 3);
    // At (-2, -1) facing +y (beamed with a heading of 90 counter-clockwise:
    // a yaw of -90, as the yaw grows clockwise). In the body frame forward
    // is then +y and left is -x.
    wm->noteOwnBeam(-2.0, -1.0, 90.0);
    EXPECT_NEAR(wm->getDir().getZ(), -90.0, 1e-9);
    const auto body = [](double x, double y) { return std::array<double, 2>{y + 1.0, -(x + 2.0)}; };
    const std::array<double, 2> opp = wm->calcMidOfOppGoal();
    EXPECT_NEAR(opp[0], body(6, 0)[0], 1e-9);
    EXPECT_NEAR(opp[1], body(6, 0)[1], 1e-9);
    EXPECT_NEAR(wm->calcMidOfOurGoal()[1], body(-6, 0)[1], 1e-9);
    // The ball at (4, -1): the point 2 m behind it lies on the line from
    // the goal's middle (6, 0) through the ball.
    wm->setGlobalPosOfBall(Point(4.0, -1.0, 0.042));
    const double ux = -2.0 / std::sqrt(5.0), uy = -1.0 / std::sqrt(5.0);
    const std::array<double, 2> p = body(4.0 + 2.0 * ux, -1.0 + 2.0 * uy);
    const std::array<double, 2> behind = wm->calcPointBehindBall(2.0);
    EXPECT_NEAR(behind[0], std::hypot(p[0], p[1]), 1e-9);
    EXPECT_NEAR(behind[1], std::atan2(p[1], p[0]) * 57.29577951308232, 1e-6);
}
