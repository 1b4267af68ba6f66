#include "worldModel/WorldModel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "worldModel/WorldModelTestUtil.h"

namespace {

void expectNear(const Point& p, const Point& q, double tol = 1e-9) {
    EXPECT_LT(p.getDistanceTo(q), tol) << p << " vs " << q;
}

// One server message as the perception update applies it: the snapshot
// before parsing, the new readings, then the derived values in their order.
void applyMessage(WorldModel* wm, float now, bool ballSeen, Point ballGlb, Point me) {
    wm->resetForUpdate();
    wm->setTime(now);
    if (ballSeen) {
        Ball b = wm->getBall();
        b.setLastTimeSeenBall(now);
        wm->setBall(b);
    }
    wm->setMyCartPos(me);
    wm->setGlobalPosOfBall(ballGlb);
    wm->setDeltaTime();
    wm->setDeltaOfAgent();
    wm->setVelOfBall();
    wm->setVelOfAgent();
    wm->setAccerationOfBall();
}

}  // namespace

TEST(WorldModelKinematics, DerivedValuesFollowThePerMessageOrder) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    // Ball never seen before: the step is measured from time 0.
    applyMessage(wm, 1.0f, true, Point(1, 0, 0), Point(0, 0, 0.5));
    EXPECT_DOUBLE_EQ(wm->getDeltaTime(), 1.0);
    expectNear(wm->getVelOfBall(), Point(1, 0, 0));
    expectNear(wm->getVelOfAgent(), Point(0, 0, 0.5));
    expectNear(wm->getAccerationOfBall(), Point(1, 0, 0));

    // The next message is compared with the snapshot resetForUpdate took.
    applyMessage(wm, 1.02f, false, Point(1.1, 0, 0), Point(0.02, 0, 0.5));
    const double dt = 1.02f - 1.0f;
    EXPECT_DOUBLE_EQ(wm->getLastTime(), 1.0);
    EXPECT_DOUBLE_EQ(wm->getDeltaTime(), dt);
    expectNear(wm->getLastGlobalPosOfBall(), Point(1, 0, 0));
    expectNear(wm->getVelOfAgent(), Point(0.02 / dt, 0, 0), 1e-6);
    expectNear(wm->getAccerationOfBall(), Point((0.1 / dt - 1) / dt, 0, 0), 1e-3);


    // A zero step divides nothing and keeps every velocity.
    applyMessage(wm, 1.1f, true, Point(1, 1, 0), Point(1, 0, 0.5));
    const Point vBall = wm->getVelOfBall(), vMe = wm->getVelOfAgent();
    const Point acc = wm->getAccerationOfBall();
    testing::internal::CaptureStderr();
    applyMessage(wm, 1.1f, true, Point(3, 3, 0), Point(2, 0, 0.5));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(wm->getDeltaTime(), 0.0);
    EXPECT_EQ(wm->getVelOfBall(), vBall);
    EXPECT_EQ(wm->getVelOfAgent(), vMe);
    EXPECT_EQ(wm->getAccerationOfBall(), acc);
    expectNear(wm->getDeltaOfAgent(), Point(1, 0, 0));
}

TEST(WorldModelJoints, ShoulderXJointsAreShiftedByNinetyDegrees) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    for (int i = 0; i < DOF_COUNT; ++i) {
        HingeJoint j;
        j.setAxis(i == DOF_SHOULDER_LX ? -90.0f : i == DOF_HEAD_TILT ? 20.0f : 100.0f);
        wm->setAHingeJoint(j, i);
    }
    EXPECT_DOUBLE_EQ(wm->getDOF(DOF_SHOULDER_RX), -170.0);
    EXPECT_DOUBLE_EQ(wm->getDOF(DOF_SHOULDER_LX), 0.0);
    EXPECT_DOUBLE_EQ(wm->getDOF(DOF_COUNT), 0.0);
    EXPECT_DOUBLE_EQ(wm->getDOF(-1), 0.0);
}

TEST(WorldModelJoints, SlotsBeyondTheTablesAreIgnoredAndNamesFallBack) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    // A newer robot model reports more hinge joints than there are slots.
    for (int i = -1; i < 30; ++i) {
        HingeJoint j;
        j.setName(("j" + std::to_string(i)).c_str());
        wm->setAHingeJoint(j, i);
    }
    for (int i = 0; i < DOF_COUNT; ++i) {
        EXPECT_EQ(wm->getAHingeJoint(i).getName(), "j" + std::to_string(i));
    }
    EXPECT_STREQ(wm->getAHingeJoint(22).getName(), "");
    UniversalJoint u;
    u.setName("laj1_2");
    wm->setAnUniversalJoint(u, WorldModel::kUniversalJointCount);
    wm->setAnUniversalJoint(u, 0);
    for (int i = -1; i <= 8; ++i) {
        Flag f = wmtest::seenPolar<Flag>(i + 1, 0, 0);
        f.setName(("F" + std::to_string(i)).c_str());
        wm->setAFlag(f, i);
    }
    EXPECT_STREQ(wm->getAFlagByIndex(8).getName(), "");
    EXPECT_EQ(wm->getAFlagByName("F5").getPolarPos().getRo(), 6.0);
    EXPECT_EQ(wm->getAFlagByName("F9X").getPolarPos().getRo(), 1.0);
    EXPECT_EQ(wm->getAFlagByName(nullptr).getPolarPos().getRo(), 1.0);
}

TEST(WorldModelNames, TeamNameAndHeardMessageStayWithinTheirAreas) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setTeamName(std::string(100, 'x'));
    EXPECT_EQ(wm->getTeamName(), std::string(63, 'x'));
    EXPECT_STREQ(wm->getMessageSay(), "");
    {
        // The perception update hands over a buffer it frees afterwards.
        std::unique_ptr<char[]> buf(new char[16]);
        std::strcpy(buf.get(), "hello123");
        wm->setMessageSay(buf.get());
    }
    EXPECT_STREQ(wm->getMessageSay(), "hello123");
    wm->setMessageSay(std::string(5000, 'm').c_str());
    EXPECT_EQ(std::string(wm->getMessageSay()), std::string(1023, 'm'));
}

TEST(WorldModelHome, OutOfRangeNumbersUseTheLastFieldPlayersPlace) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setHomePos(Point(-5.73, 0, 1), WorldModel::getGoalieId());
    wm->setHomePos(Point(-3.6, 0, 1), 2);
    wm->setHomePos(Point(-1.5, 0, 1), 3);
    testing::internal::CaptureStderr();
    wm->setHomePos(Point(9, 9, 9), 0);
    wm->setHomePos(Point(9, 9, 9), 4);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(wm->getHomePos(1), Point(-5.73, 0, 1));
    EXPECT_EQ(wm->getHomePos(2), Point(-3.6, 0, 1));
    for (int unum : {3, 0, 4, -7}) EXPECT_EQ(wm->getHomePos(unum), Point(-1.5, 0, 1)) << unum;
}

TEST(WorldModelLog, EachRunStartsAnEmptyLogAndRecordsAreAppended) {
    ASSERT_TRUE(wmtest::enterScratchDir());
    std::ofstream("WMLog.txt") << "left over from the last run\n";
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setTime(1.5f);
    Flag f = wmtest::seenPolar<Flag>(10, -5, 20);
    f.setName("G1L");
    f.setLastTimeSeenFlag(1.5, 0);
    wm->setAFlag(f, 0);
    wm->printJoints();
    wm->printJoints();
    std::ifstream in("WMLog.txt");
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(log.rfind("Time :1.5 ->\n\tFlags :\n\tG1L :", 0), 0u) << log;
    EXPECT_NE(log.find(",\n\nTime :1.5 ->"), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 3), ",\n\n");
}
