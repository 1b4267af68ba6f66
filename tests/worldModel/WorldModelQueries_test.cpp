#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "worldModel/WorldModel.h"
#include "worldModel/WorldModelTestUtil.h"

namespace {
using Pred = bool (WorldModel::*)() const;
}  // namespace

TEST(WorldModelSides, RestartPredicatesDependOnOurSide) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    const struct {
        PlayMode left, right;
        Pred us, them;
    } pairs[] = {
        {PM_KICKOFF_LEFT, PM_KICKOFF_RIGHT, &WorldModel::isKickOffUs, &WorldModel::isKickOffThem},
        {PM_GOAL_LEFT, PM_GOAL_RIGHT, &WorldModel::isGoalUs, &WorldModel::isGoalThem},
    };
    for (const auto& mp : pairs) {
        for (Side side : {SIDE_LEFT, SIDE_RIGHT, SIDE_UNKNOWN}) {
            wm->setOurSide(side);
            wm->setPlayMode(mp.left);
            EXPECT_EQ((wm->*mp.us)(), side == SIDE_LEFT) << mp.left << " " << side;
            EXPECT_EQ((wm->*mp.them)(), side == SIDE_RIGHT) << mp.left << " " << side;
            wm->setPlayMode(mp.right);
            EXPECT_EQ((wm->*mp.us)(), side == SIDE_RIGHT) << mp.right << " " << side;
            EXPECT_EQ((wm->*mp.them)(), side == SIDE_LEFT) << mp.right << " " << side;
        }
        // Free kicks have no predicate.
        wm->setPlayMode(PM_FREE_KICK_LEFT);
        EXPECT_FALSE((wm->*mp.us)() || (wm->*mp.them)());
    }
}

TEST(WorldModelSides, LandmarksSwapRolesForATeamOnTheRight) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    for (int i = 0; i < 8; ++i) {
        Flag f;
        f.setName(std::to_string(i).c_str());
        // Each flag keeps its time in its own slot; other slots hold noise.
        for (int k = 0; k < 8; ++k) f.setLastTimeSeenFlag(k == i ? 10 + i : 99, k);
        wm->setAFlag(f, i);
    }
    auto indices = [wm] {
        return std::vector<int>{wm->getIndexOfOppGoalFlag1(), wm->getIndexOfOppGoalFlag2(),
                                wm->getIndexOfOurGoalFlag1(), wm->getIndexOfOurGoalFlag2(),
                                wm->getIndexOfOppSideFlag1(), wm->getIndexOfOppSideFlag2(),
                                wm->getIndexOfOurSideFlag1(), wm->getIndexOfOurSideFlag2()};
    };
    wm->setOurSide(SIDE_LEFT);
    EXPECT_EQ(indices(), (std::vector<int>{2, 3, 1, 0, 7, 6, 4, 5}));
    wm->setOurSide(SIDE_RIGHT);
    EXPECT_EQ(indices(), (std::vector<int>{1, 0, 2, 3, 4, 5, 7, 6}));
    EXPECT_EQ(wm->getOurGoalFlag1LastTimeSeen(), 12);
}

TEST(WorldModelBearings, SightingsTurnIntoTheBodyFrameWithTheirHeadAngles) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    // 30 degrees below the camera axis with the head tilted 30 degrees up:
    // level with the body; the 15 degrees of pan add to the azimuth.
    wm->setAFlag(wmtest::seenPolar<Flag>(10, -30, 20, 15, 30), 4);
    auto pair = wm->getBodyDirectionFromFlagByIndex(4);
    EXPECT_NEAR(pair[0], 10, 1e-9);
    EXPECT_NEAR(pair[1], 35, 1e-9);
}

TEST(WorldModelBearings, GoalMiddlesAndThePointBehindTheBall) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setOurSide(SIDE_LEFT);
    // Standing on the centre spot, facing the opponent goal.
    wm->setAFlag(wmtest::seenOnGround<Flag>(6, 0.7), 2);
    wm->setAFlag(wmtest::seenOnGround<Flag>(6, -0.7), 3);
    wm->setAFlag(wmtest::seenOnGround<Flag>(-6, -0.7), 1);
    wm->setAFlag(wmtest::seenOnGround<Flag>(-6, 0.7), 0);
    EXPECT_NEAR(wm->calcMidOfOppGoal()[0], 6, 1e-9);
    EXPECT_NEAR(wm->calcMidOfOppGoal()[1], 0, 1e-9);

    wm->setBall(wmtest::seenOnGround<Ball>(2, 0));
    EXPECT_NEAR(wm->calcPointBehindBall(0.7)[0], 1.3, 1e-9);
    // A ball on the goal's middle gives no line: the ball itself, not NaN.
    wm->setBall(wmtest::seenOnGround<Ball>(6, 0));
    EXPECT_NEAR(wm->calcPointBehindBall(0.7)[0], 6, 1e-9);
    EXPECT_NEAR(wm->calcPointBehindBall(0.7)[1], 0, 1e-9);
    // From the right the same posts belong to the other goal.
    wm->setOurSide(SIDE_RIGHT);
    EXPECT_NEAR(wm->calcMidOfOppGoal()[0], -6, 1e-9);
}

TEST(WorldModelPlayers, ListsKeepOrderAndPlaceholders) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    EXPECT_TRUE(wm->tmtVecIsEmpty() && wm->oppVecIsEmpty());
    wm->addTmt(Player(7, SIDE_OUR, Point(1, 2, 0)));
    wm->addOpp(Player(9, SIDE_OPP, Point(5, 6, 0)));
    wm->setMyNum(2);
    wm->setMyCartPos(Point(-1, -2, 0.5));
    wm->setMyInTmt();
    wm->addIllegalOppPlayer();
    wm->addIllegalTmtPlayer();
    EXPECT_EQ(wm->getNumOfTmt(), 3);
    EXPECT_EQ(wm->getNumOfAllPlayer(), 5);
    EXPECT_EQ(wm->getIndexTmt(2), 1);
    EXPECT_EQ(wm->getIndexOpp(0), 1);
    EXPECT_EQ(wm->getTmt()[1].getGlbPos(), Point(-1, -2, 0.5));
    EXPECT_EQ(wm->getTmt()[2].getGlbPos(), Point(1000, 1000, 0.38));
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
    wm->addTmt(Player(6, SIDE_OUR, Point(4, 4, 0)));
    wm->setMyInTmt();
    wm->setMyInTmt();
    ASSERT_EQ(wm->getNumOfTmt(), 3);
    EXPECT_EQ(wm->getIndexTmt(2), 2);
}

TEST(WorldModelPlayers, UnknownNumbersAreReportedAndFallBack) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    testing::internal::CaptureStdout();
    EXPECT_EQ(wm->getIndexTmt(5), -1);
    EXPECT_EQ(wm->getIndexOpp(5), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "THIS ID FOR TEAMMATE IS INVALID !!!\nTHIS ID FOR OPPENENT IS INVALID !!!");
    // No opponent at all: far away, straight ahead.
    auto pair = wm->getBodyDirectionFromOpp(5);
    EXPECT_EQ(pair[0], WorldModel::kNoOpponentDistance);
    EXPECT_EQ(pair[1], 0);
    Player first = wmtest::opponent(4, 0, 3);
    first.setLastStepSeenHeadPanDegree(12);
    wm->addOpp(first);
    wm->addOpp(wmtest::opponent(8, 0, 6));
    EXPECT_NEAR(wm->getBodyDirectionFromOpp(8)[0], 6, 1e-12);
    pair = wm->getBodyDirectionFromOpp(11);
    EXPECT_NEAR(pair[0], 3, 1e-12);
    EXPECT_NEAR(pair[1], 12, 1e-12);
}

TEST(WorldModelPlayers, NearestOpponentOnlyCountsRecentSightings) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setTime(10.0f);
    EXPECT_EQ(wm->nearestopp(), -1);
    wm->addOpp(wmtest::opponent(4, 10.0, 5));
    wm->addOpp(wmtest::opponent(6, 9.9, 1));   // nearer but stale
    wm->addOpp(wmtest::opponent(7, 9.96, 3));  // seen three cycles ago
    wm->addOpp(wmtest::opponent(9, 10.0, 4));
    EXPECT_EQ(wm->nearestopp(), 7);
}

TEST(WorldModelField, PointsOutsideArePulledHalfAMetreInside) {
    EXPECT_TRUE(WorldModel::isPointInField(Point(6, 4, 0)));
    EXPECT_TRUE(WorldModel::isPointInField(Point(-6, -4, 3)));
    EXPECT_FALSE(WorldModel::isPointInField(Point(6.01, 0, 0)));
    const Point rows[][2] = {
        {Point(2, 3, 0.1), Point(2, 3, 0.1)},   {Point(7, 5, 0.2), Point(5.5, 3.5, 0.2)},
        {Point(-7, 5, 0), Point(-5.5, 3.5, 0)}, {Point(8, 1, 0.3), Point(5.5, 1, 0.3)},
        {Point(2, -5, 0), Point(2, -3.5, 0)},
    };
    for (const auto& r : rows) EXPECT_EQ(WorldModel::correctPoint(r[0]), r[1]) << r[0];
}
