#include "utils/WorldModelUpdater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "objects/Ball.h"
#include "objects/Flag.h"
#include "objects/Player.h"
#include "utils/TraceReader.h"
#include "utils/VisionComposer.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

class Perception : public ::testing::Test {
protected:
    void SetUp() override {
        GameConf::getUniqueInstance()->init();
        wm = WorldModel::getUniqueInstance();
        wm->setTeamName("VOR");
    }

    // Applies one message through a fresh updater, as the agent's cycle
    // does; returns how far the cursor got.
    std::size_t apply(const std::string& text) {
        buffer.assign(text.begin(), text.end());
        buffer.push_back('\0');
        char* cursor = buffer.data();
        WorldModelUpdater updater;
        updater.setMessage(&cursor);
        updater.parseMessage();
        return static_cast<std::size_t>(cursor - buffer.data());
    }

    std::vector<std::string> capture(const char* name) {
        std::ifstream in(std::string(CAPTURE_DIR) + "/" + name);
        EXPECT_TRUE(in.good()) << name;
        TraceReader reader(in);
        std::vector<std::string> messages;
        std::string text;
        while (reader.next(text)) messages.push_back(text);
        return messages;
    }

    int seenTeammates() const {
        int n = 0;
        for (const Player& p : wm->getTmt()) n += p.getLastTimeSeenPlayer() > 0 ? 1 : 0;
        return n;
    }

    WorldModel* wm = nullptr;
    std::vector<char> buffer;
};

std::string joints(int count, double first) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char one[64];
        std::snprintf(one, sizeof one, "(HJ (n j%d) (ax %.2f))", i + 1, first + i);
        text += one;
    }
    return text;
}

// ---------------------------------------------------------------------------
// Message grammar: time, game state, joints, gyro, foot forces

TEST_F(Perception, JointsFillSlotsInOrderOfArrivalAndRefillFromSlotZero) {
    apply("(time (now 1.00))" + joints(3, 10));
    EXPECT_STREQ(wm->getAHingeJoint(0).getName(), "j1");
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 10.0f);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(2).getAxis(), 12.0f);

    apply("(time (now 1.02))(HJ (n a) (ax -5.5))(HJ (n b) (ax 7.25))");
    EXPECT_STREQ(wm->getAHingeJoint(0).getName(), "a");
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), -5.5f);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(1).getAxis(), 7.25f);
    // Not reported this time: the last reading stays.
    EXPECT_STREQ(wm->getAHingeJoint(2).getName(), "j3");
}

TEST_F(Perception, JointsBeyondTheTablesAreIgnored) {
    // A newer robot model with toe joints reports 24 hinge joints; a
    // damaged one might report any number of universal joints.
    std::string uj;
    for (int i = 0; i < 30; ++i) {
        uj += "(UJ (n u" + std::to_string(i) + ") (ax1 " + std::to_string(i) + ") (ax2 " +
              std::to_string(-i) + "))";
    }
    apply("(time (now 1.00))" + joints(40, 0) + uj);
    EXPECT_STREQ(wm->getAHingeJoint(21).getName(), "j22");
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(21).getAxis(), 21.0f);
    const int lastU = WorldModel::kUniversalJointCount - 1;
    EXPECT_STREQ(wm->getAnUniversalJoint(lastU).getName(), ("u" + std::to_string(lastU)).c_str());
    EXPECT_FLOAT_EQ(wm->getAnUniversalJoint(lastU).getAxis(), static_cast<float>(lastU));
    EXPECT_FLOAT_EQ(wm->getAnUniversalJoint(lastU).getExtraAxis(), static_cast<float>(-lastU));
}

TEST_F(Perception, GameStateParts) {
    apply("(time (now 12.34))(GS (unum 3) (team right) (t 45.60) (pm KickOff_Left))");
    EXPECT_FLOAT_EQ(wm->getTime(), 12.34f);
    EXPECT_EQ(wm->getMyNum(), 3);
    EXPECT_EQ(wm->getOurSide(), SIDE_RIGHT);
    EXPECT_FLOAT_EQ(wm->getGSTime(), 45.6f);
    EXPECT_EQ(wm->getPlayMode(), PM_KICKOFF_LEFT);

    // Without number and team only time and play mode change.
    apply("(time (now 12.36))(GS (t 0.00) (pm PlayOn))");
    EXPECT_EQ(wm->getMyNum(), 3);
    EXPECT_EQ(wm->getOurSide(), SIDE_RIGHT);
    EXPECT_FLOAT_EQ(wm->getGSTime(), 0.0f);
    EXPECT_EQ(wm->getPlayMode(), PM_PLAY_ON);

    // The newer server's score parts are passed over.
    apply("(time (now 12.38))(GS (unum 1) (team left) (sl 2) (sr 0) (t 3.00) (pm corner_kick_right))");
    EXPECT_EQ(wm->getMyNum(), 1);
    EXPECT_EQ(wm->getOurSide(), SIDE_LEFT);
    EXPECT_FLOAT_EQ(wm->getGSTime(), 3.0f);
    EXPECT_EQ(wm->getPlayMode(), PM_CORNER_KICK_RIGHT);
}

TEST_F(Perception, UnknownPlayModeWords) {
    apply("(GS (t 1.00) (pm PlayOn))");
    apply("(GS (t 1.00) (pm Penalty))");
    EXPECT_EQ(wm->getPlayMode(), PM_UNKNOWN);
    apply("(GS (t 1.00) (pm playon))");
    EXPECT_EQ(wm->getPlayMode(), PM_UNKNOWN);
    // A long word is cut to the word area and still matches nothing.
    apply("(GS (t 1.00) (pm corner_kick_right_and_much_more))");
    EXPECT_EQ(wm->getPlayMode(), PM_UNKNOWN);
}

TEST_F(Perception, GameStateReadsOnlyItsOwnParts) {
    apply("(GS (unum 2) (team left) (t 0.00) (pm PlayOn))");
    // No play mode in the game state: the "team" of a player and the "pol"
    // of the vision behind it must not be taken as side or play mode.
    apply("(GS (t 5.00))(See (P (team right) (id 4) (head (pol 1 2 3))))(HJ (n hj1) (ax 7))");
    EXPECT_EQ(wm->getOurSide(), SIDE_LEFT);
    EXPECT_EQ(wm->getPlayMode(), PM_PLAY_ON);
    EXPECT_FLOAT_EQ(wm->getGSTime(), 5.0f);
    EXPECT_EQ(wm->getNumOfOpp(), 1);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 7.0f);

    // Parts some servers add behind the play mode are the game state's own.
    apply("(time (now 8.00))(GS (t 6.00) (pm PlayOn) (k left) (ti (x 1) (y 2)))(HJ (n hj1) (ax 3))");
    EXPECT_FLOAT_EQ(wm->getTime(), 8.0f);
    EXPECT_FLOAT_EQ(wm->getGSTime(), 6.0f);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 3.0f);
}

TEST_F(Perception, GyroAndFootForces) {
    apply("(GYR (n torso) (rt 0.01 0.07 0.46))"
          "(FRP (n lf) (c 0.01 0.02 -0.02) (f -0.1 0.2 22.3))"
          "(FRP (n rf) (f 1 2 3) (c 4 5 6))");
    EXPECT_STREQ(wm->getGyro().getName(), "torso");
    EXPECT_EQ(wm->getGyro().getRate(), Point(0.01, 0.07, 0.46));
    EXPECT_EQ(wm->getFRPCenterL(), Point(0.01, 0.02, -0.02));
    EXPECT_EQ(wm->getFRPForceL(), Point(-0.1, 0.2, 22.3));
    // Parts in the other order still land where they belong.
    EXPECT_EQ(wm->getFRPForceR(), Point(1, 2, 3));
    EXPECT_EQ(wm->getFRPCenterR(), Point(4, 5, 6));

    // A foot without a report in the next message reads zero.
    apply("(FRP (n lf) (c 1 1 1) (f 2 2 2))");
    EXPECT_EQ(wm->getFRPForceL(), Point(2, 2, 2));
    EXPECT_EQ(wm->getFRPForceR(), Point(0, 0, 0));
    EXPECT_EQ(wm->getFRPCenterR(), Point(0, 0, 0));
}

// The accelerometer counts only for the message that carried it.
TEST_F(Perception, AccelerometerOfTheCurrentMessage) {
    apply("(time (now 1.00))(GYR (n torso) (rt 0 0 0))(ACC (n torso) (a 0.12 -9.75 0.31))"
          "(HJ (n hj1) (ax 0.00))");
    EXPECT_TRUE(wm->hasAcc());
    EXPECT_EQ(wm->getAcc(), Point(0.12, -9.75, 0.31));
    EXPECT_NEAR(wm->getDOF(DOF_HEAD_PAN), 0, 1e-9);
    apply("(time (now 1.02))(GYR (n torso) (rt 0 0 0))");
    EXPECT_FALSE(wm->hasAcc());
    apply("(time (now 1.04))(ACC (n torso) (a NaN 1 2))");
    EXPECT_FALSE(wm->hasAcc()) << "a reading the server could not give is not kept";
}

TEST_F(Perception, RealCaptureMessages) {
    const std::vector<std::string> messages = capture("real-12x8-standing.txt");
    ASSERT_EQ(messages.size(), 60u);
    for (const std::string& m : messages) EXPECT_EQ(apply(m), m.size());
    EXPECT_EQ(wm->getMyNum(), 1);
    EXPECT_EQ(wm->getOurSide(), SIDE_LEFT);
    EXPECT_EQ(wm->getPlayMode(), PM_BEFORE_KICK_OFF);
    EXPECT_NEAR(wm->getTime(), 6.98, 1e-4);
    EXPECT_STREQ(wm->getAHingeJoint(0).getName(), "hj1");
    EXPECT_STREQ(wm->getAHingeJoint(2).getName(), "raj1");
    EXPECT_STREQ(wm->getAHingeJoint(21).getName(), "llj6");
    EXPECT_STREQ(wm->getGyro().getName(), "torso");
    // The last vision of the capture: "(G1R (pol 6.514 0.093 2.134))" and
    // the like, stored by slot with the last-seen time of that message.
    const Flag g1r = wm->getAFlagByIndex(3);
    EXPECT_STREQ(g1r.getName(), "G1R");
    EXPECT_NEAR(g1r.getPolarPos().getRo(), 6.5, 0.1);
    EXPECT_GT(g1r.getLastTimeSeenFlag(3), 6.9);
    EXPECT_GT(wm->getBall().getLastTimeSeenBall(), 6.9);
    // The robot's own lower arms are reported as a player of our team with
    // our number; the world model keeps them as a team-mate entry.
    EXPECT_EQ(seenTeammates(), 1);
}

TEST_F(Perception, EveryPrefixOfARealMessageIsApplied) {
    // A message cut anywhere (a broken link, a damaged trace) is read up to
    // its end and no further: each prefix sits in a buffer of exactly its
    // size, so a read past the end shows up under the address sanitizer.
    const std::vector<std::string> messages = capture("real-12x8-standing.txt");
    ASSERT_GT(messages.size(), 4u);
    const std::string& m = messages[3];  // with vision, players and the rest
    for (std::size_t n = 0; n <= m.size(); ++n) {
        std::unique_ptr<char[]> text(new char[n + 1]);
        std::memcpy(text.get(), m.data(), n);
        text[n] = '\0';
        char* cursor = text.get();
        WorldModelUpdater updater;
        updater.setMessage(&cursor);
        updater.parseMessage();
        EXPECT_LE(cursor, text.get() + n);
    }
}

// ---------------------------------------------------------------------------
// Heard messages

TEST_F(Perception, HeardMessages) {
    apply("(time (now 10.00))(hear 10.00 self V_U_D_9.990000_mine)");
    EXPECT_STREQ(wm->getMessageSay(), "");
    apply("(time (now 10.00))(hear 9.98 -30.5 hello_V_U_D_9.990000_x)");
    EXPECT_STREQ(wm->getMessageSay(), "");
    apply("(time (now 10.00))(hear 9.98 -30.5 V_U_D_9.950000_stale)");
    EXPECT_STREQ(wm->getMessageSay(), "");
    apply("(time (now 10.00))(hear 9.98 -30.5 V_U_D_9.980000_fresh)");
    EXPECT_STREQ(wm->getMessageSay(), "fresh");
    // The newer server names the team before the time.
    apply("(time (now 11.00))(hear VOR 10.98 12.5 V_U_D_10.980000_again)");
    EXPECT_STREQ(wm->getMessageSay(), "again");
    apply("(time (now 12.00))(hear VOR 12.000 self V_U_D_12.000000_mine)");
    EXPECT_STREQ(wm->getMessageSay(), "again");
}

TEST_F(Perception, HeardTextsAreCutToTheirAreas) {
    apply("(time (now 10.00))(hear 9.98 0 V_U_D_9.990000_abcdefghijklmnopqrstuvwxyz)");
    EXPECT_STREQ(wm->getMessageSay(), "abcdefghijklmn");  // 14 characters
    // A word far beyond the 1024-character working area.
    const std::string huge = "V_U_D_9.990000_" + std::string(5000, 'q');
    apply("(time (now 10.00))(hear 9.98 0 " + huge + ")(HJ (n hj1) (ax 3))");
    EXPECT_STREQ(wm->getMessageSay(), "qqqqqqqqqqqqqq");
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 3.0f);
}

TEST_F(Perception, RealCaptureWithOwnSayEcho) {
    bool sawEcho = false;
    for (const std::string& m : capture("real-hear.txt")) {
        sawEcho = sawEcho || m.find("self hello123") != std::string::npos;
        apply(m);
    }
    EXPECT_TRUE(sawEcho);
    EXPECT_STREQ(wm->getMessageSay(), "");
}

// ---------------------------------------------------------------------------
// Vision

TEST_F(Perception, FlagsAndBallAreStoredWithTheHeadAnglesOfTheSighting) {
    apply("(time (now 3.00))(HJ (n hj1) (ax 30))(HJ (n hj2) (ax -10))"
          "(See (F1L (pol 7.9 50.1 -12.1)) (G2Rxyz (pol 6.5 -12 1.9)) (F3L (pol 1 2 3))"
          " (B (pol 1.89 -0.28 -58.08)))");
    const Flag f1l = wm->getAFlagByIndex(4);
    EXPECT_STREQ(f1l.getName(), "F1L");
    // Distance, horizontal, vertical become Ro, Teta, Phi.
    EXPECT_EQ(f1l.getPolarPos(), Point(7.9, -12.1, 50.1));
    const Point expected = Geometry::convertPolToCart(Point(7.9, -12.1, 50.1));
    EXPECT_EQ(f1l.getCartesianPos(), expected);
    EXPECT_DOUBLE_EQ(f1l.getLastStepSeenHeadPanDegree(), 30.0);
    EXPECT_DOUBLE_EQ(f1l.getLastStepSeenHeadTiltDegree(), -10.0);
    EXPECT_DOUBLE_EQ(f1l.getLastTimeSeenFlag(4), 3.0);
    // The name is cut to three characters.
    EXPECT_STREQ(wm->getAFlagByIndex(2).getName(), "G2R");
    for (int slot = 0; slot < 8; ++slot) {
        EXPECT_STRNE(wm->getAFlagByIndex(slot).getName(), "F3L");
    }
    const Ball ball = wm->getBall();
    EXPECT_EQ(ball.getPolarPos(), Point(1.89, -58.08, -0.28));
    EXPECT_DOUBLE_EQ(ball.getLastTimeSeenBall(), 3.0);
    EXPECT_DOUBLE_EQ(ball.getLastStepSeenHeadPanDegree(), 30.0);
}

TEST_F(Perception, PlayersWithTheirParts) {
    apply("(time (now 4.00))(HJ (n hj1) (ax 15))"
          "(See (P (team VOR) (id 2) (head (pol 5 10 1)) (lfoot (pol 5.2 11 -5)))"
          " (P (team Rival) (id 7) (rlowerarm (pol 3 -20 0)) (lhand (pol 3 -21 0)))"
          " (P (team Rival) (id 9) (rfoot (pol 8 40 -3)))"
          " (F1R (pol 9 10 -3)) (B (pol 2 0 -10)))");
    const std::vector<Player> tmt = wm->getTmt();
    ASSERT_EQ(tmt.size(), 2u);  // the seen team-mate and ourselves
    EXPECT_EQ(tmt[0].getNum(), 2);
    EXPECT_EQ(tmt[0].getSide(), SIDE_OUR);
    EXPECT_EQ(tmt[0].getBoned(head).getPolarPos(), Point(5, 1, 10));
    EXPECT_EQ(tmt[0].getBoned(head).getName(), "head");
    EXPECT_EQ(tmt[0].getBoned(lFoot).getID(), lFoot);
    EXPECT_EQ(tmt[0].getBoned(lFoot).getPolarPos(), Point(5.2, -5, 11));
    EXPECT_DOUBLE_EQ(tmt[0].getBoned(lFoot).getLastTimeSeenBoned(), 4.0);
    EXPECT_DOUBLE_EQ(tmt[0].getLastTimeSeenPlayer(), 4.0);
    EXPECT_DOUBLE_EQ(tmt[0].getLastStepSeenHeadPanDegree(), 15.0);
    // No position of its own from the vision.
    EXPECT_EQ(tmt[0].getGlbPos(), Point(0, 0, 0));

    const std::vector<Player> opp = wm->getOpp();
    ASSERT_EQ(opp.size(), 2u);  // seen, so no placeholder
    EXPECT_EQ(opp[0].getNum(), 7);
    EXPECT_EQ(opp[0].getSide(), SIDE_OPP);
    EXPECT_EQ(opp[0].getBoned(rLowerArm).getPolarPos(), Point(3, 0, -20));
    // An unknown part is not stored in any slot.
    EXPECT_EQ(opp[0].getBoned(lLowerArm).getName(), "");
    EXPECT_EQ(opp[1].getNum(), 9);
    // Flag and ball after the last player are still read.
    EXPECT_DOUBLE_EQ(wm->getAFlagByIndex(6).getPolarPos().getRo(), 9.0);
    EXPECT_DOUBLE_EQ(wm->getBall().getPolarPos().getRo(), 2.0);

    // The next vision starts the lists afresh.
    apply("(time (now 4.06))(See (P (team Rival) (id 3) (head (pol 1 1 1))))");
    EXPECT_EQ(wm->getNumOfOpp(), 1);
    EXPECT_EQ(wm->getOpp()[0].getNum(), 3);
    EXPECT_EQ(seenTeammates(), 0);
}

TEST_F(Perception, VisionEndingInsideAPlayerEntry) {
    apply("(time (now 5.00))(See (F1L (pol 7 1 2)) (P (team Rival) (id 7) (head (pol 3 4 5");
    ASSERT_EQ(wm->getNumOfOpp(), 1);
    EXPECT_EQ(wm->getOpp()[0].getNum(), 7);
    EXPECT_EQ(wm->getOpp()[0].getBoned(head).getPolarPos(), Point(3, 5, 4));
}

TEST_F(Perception, PlaceholderOpponentWhenNoneWasSeen) {
    apply("(time (now 6.00))(See (P (team VOR) (id 2) (head (pol 5 10 1))))");
    ASSERT_EQ(wm->getNumOfOpp(), 1);
    EXPECT_EQ(wm->getOpp()[0].getNum(), 0);
    EXPECT_EQ(wm->getOpp()[0].getSide(), SIDE_OPP);
    EXPECT_EQ(wm->getOpp()[0].getGlbPos(), Point(1000, 1000, 0.38));
    // The placeholder stays one until the next vision.
    apply("(time (now 6.02))");
    EXPECT_EQ(wm->getNumOfOpp(), 1);
}

TEST_F(Perception, TeamNamesAreComparedWhole) {
    const std::string longName(80, 'T');
    wm->setTeamName(longName);  // kept as 63 characters
    apply("(time (now 1.00))(See (P (team " + longName + ") (id 4) (head (pol 1 1 1))))");
    EXPECT_EQ(seenTeammates(), 1);

    // A name that starts with digits is not a word; it is still the name.
    wm->setTeamName("3Bots");
    apply("(time (now 1.02))(See (P (team 3Bots) (id 4) (head (pol 1 1 1))) (P (team Bots) (id 5) (head (pol 1 1 1))))");
    EXPECT_EQ(seenTeammates(), 1);
    ASSERT_EQ(wm->getNumOfOpp(), 1);
    EXPECT_EQ(wm->getOpp()[0].getNum(), 5);
}

TEST_F(Perception, VisionIsReadOnItsOwnAndTheTextIsLeftIntact) {
    // A triple cut short must not take numbers from the joints behind it.
    const std::string text =
        "(time (now 7.00))(See (F1L (pol 5)) (B (pol)))(HJ (n hj1) (ax 45))(HJ (n hj2) (ax 9))";
    EXPECT_EQ(apply(text), text.size());
    EXPECT_EQ(std::string(buffer.data()), text);
    EXPECT_EQ(wm->getAFlagByIndex(4).getPolarPos(), Point(5, 0, 0));
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 45.0f);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(1).getAxis(), 9.0f);
}

// ---------------------------------------------------------------------------
// Localisation from composed messages of a known pose

struct Expected {
    compose::Pose pose;  // field frame of a team on the left
    compose::Vec ball;
};

void expectPose(const WorldModel& wm, const compose::Pose& pose, const compose::Vec& ball,
                bool right) {
    const double s = right ? -1.0 : 1.0;
    const Point me = wm.getMyCartPos();
    EXPECT_NEAR(me.getX(), s * pose.x, 1e-3);
    EXPECT_NEAR(me.getY(), s * pose.y, 1e-3);
    EXPECT_NEAR(me.getZ(), pose.height, 1e-3);
    // Yaw grows clockwise; our own team's frame is turned half a circle
    // for a team on the right.
    const double yaw = -pose.heading + (right ? 180.0 : 0.0);
    EXPECT_NEAR(Geometry::normalizeAngle(wm.getDir().getZ() - yaw), 0.0, 0.01);
    EXPECT_NEAR(wm.getDir().getY(), 0.0, 0.01);
    // Upright is a roll of half a circle in this convention.
    EXPECT_NEAR(Geometry::normalizeAngle(wm.getDir().getX() - 180.0), 0.0, 0.01);
    const Point b = wm.getGlobalPosOfBall();
    EXPECT_NEAR(b.getX(), s * ball.x, 2e-3);
    EXPECT_NEAR(b.getY(), s * ball.y, 2e-3);
    EXPECT_NEAR(b.getZ(), ball.z, 2e-3);
}

const Expected kPoses[] = {
    {{-3.0, 1.5, 0.48, 30.0}, {-1.0, 0.5, 0.042}},
    {{2.0, -2.5, 0.52, -120.0}, {0.5, -3.0, 0.042}},
    {{0.3, 0.2, 0.45, 180.0}, {-2.0, 1.0, 0.042}},
    {{4.5, 3.0, 0.50, 75.0}, {5.0, 2.0, 0.3}},
};

TEST_F(Perception, LocalisesFromTheCornerFlagsWithTheHeadCentred) {
    double time = 1.0;
    for (const Expected& e : kPoses) {
        SCOPED_TRACE(e.pose.heading);
        apply(compose::perception(time, compose::gameState("left"), 0, 0,
                                  compose::see(e.pose, compose::kCorners, 0, 0, &e.ball)));
        expectPose(*wm, e.pose, e.ball, false);
        time += 0.02;
    }
}

TEST_F(Perception, TeamOnTheRightIsMirrored) {
    double time = 1.0;
    for (const Expected& e : kPoses) {
        SCOPED_TRACE(e.pose.heading);
        apply(compose::perception(time, compose::gameState("right"), 0, 0,
                                  compose::see(e.pose, compose::kCorners, 0, 0, &e.ball)));
        EXPECT_EQ(wm->getOurSide(), SIDE_RIGHT);
        expectPose(*wm, e.pose, e.ball, true);
        time += 0.02;
    }
}

TEST_F(Perception, FlagsSeenAtDifferentHeadAnglesWithinOneLocalisation) {
    // The head sweeps: two flags in one message, two in the next, the ball
    // in a third, each time with other pan and tilt angles. Localisation
    // uses all four flags together.
    for (bool right : {false, true}) {
        SCOPED_TRACE(right ? "right" : "left");
        const char* team = right ? "right" : "left";
        for (const Expected& e : kPoses) {
            SCOPED_TRACE(e.pose.heading);
            apply(compose::perception(1.00, compose::gameState(team), 40, -20,
                                      compose::see(e.pose, {"F1L", "F2L"}, 40, -20)));
            apply(compose::perception(1.02, compose::gameState(team), -35, 10,
                                      compose::see(e.pose, {"F1R", "F2R"}, -35, 10)));
            apply(compose::perception(1.04, compose::gameState(team), 70, -5,
                                      compose::see(e.pose, {}, 70, -5, &e.ball)));
            expectPose(*wm, e.pose, e.ball, right);
        }
    }
}

TEST_F(Perception, HeadAnglesOfASightingTurnItIntoTheBodyFrame) {
    Flag seen;
    const Point polar(5.0, -10.0, 20.0);
    seen.setPolarPos(polar);
    seen.setCartesianPos(Point(1, 2, 3));  // whatever was stored
    // Head centred: exactly what was stored.
    EXPECT_EQ(WorldModelUpdater::seenInBodyFrame(seen), Point(1, 2, 3));
    seen.setLastStepSeenHeadPanDegree(30.0);
    seen.setLastStepSeenHeadTiltDegree(-5.0);
    EXPECT_EQ(WorldModelUpdater::seenInBodyFrame(seen),
              Geometry::convertPolToCart(Point(5.0, -15.0, 50.0)));
}

TEST_F(Perception, CandidateHeights) {
    // Distances from above the centre spot, all corners equally far apart,
    // with the F2R distance a little off so that the four flag triples
    // disagree on the height.
    auto setDistances = [this](double d4, double d5, double d6, double d7) {
        const double d[4] = {d4, d5, d6, d7};
        for (int i = 0; i < 4; ++i) {
            Flag f;
            f.setPolarPos(Point(std::sqrt(d[i]), 0, 0));
            wm->setAFlag(f, 4 + i);
        }
    };
    WorldModelUpdater updater;
    // Candidate heights about 0.2, 0.2, 0.141, 0.141: all low, so the mean.
    setDistances(52.04, 52.04, 52.04, 52.00);
    EXPECT_NEAR(updater.calcMyGlobalCartesianPos().getZ(), 0.1707, 1e-3);
    EXPECT_NEAR(updater.getMyGlobalCartesianPos().getZ(), 0.1707, 1e-3);
    // About 0.5, 0.4997, 0.353, 0.353: the first, as none is higher.
    setDistances(52.25, 52.25, 52.25, 52.00);
    EXPECT_NEAR(updater.calcMyGlobalCartesianPos().getZ(), 0.5, 1e-3);
}

TEST_F(Perception, SingularFlagMatrixStaysFinite) {
    // Before any flag is seen every distance and seen position is zero.
    apply("(time (now 0.02))(B (pol 1 0 0))");
    const Point dir = wm->getDir();
    EXPECT_TRUE(std::isfinite(dir.getX()) && std::isfinite(dir.getY()) && std::isfinite(dir.getZ()));
    const Point me = wm->getMyCartPos();
    EXPECT_TRUE(std::isfinite(me.getX()) && std::isfinite(me.getY()) && std::isfinite(me.getZ()));
    double m[3][3] = {{1, 2, 3}, {2, 4, 6}, {0, 1, 1}};
    WorldModelUpdater::inverseMatrix(m);
    EXPECT_DOUBLE_EQ(m[1][1], 4.0);  // singular: left as it was
    double r[3][3] = {{2, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    WorldModelUpdater::inverseMatrix(r);
    EXPECT_DOUBLE_EQ(r[0][0], 0.5);
    EXPECT_DOUBLE_EQ(r[1][2], 1.0);
    EXPECT_DOUBLE_EQ(r[2][1], -1.0);
}

}  // namespace
