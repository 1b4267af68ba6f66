#include "utils/WorldModelUpdater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
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

TEST_F(Perception, JointsFillSlotsInOrderAndExtraJointsAreIgnored) {
    apply("(time (now 1.00))" + joints(3, 10));
    apply("(time (now 1.02))(HJ (n a) (ax -5.5))(HJ (n b) (ax 7.25))");
    EXPECT_STREQ(wm->getAHingeJoint(0).getName(), "a");
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(1).getAxis(), 7.25f);
    EXPECT_STREQ(wm->getAHingeJoint(2).getName(), "j3") << "not reported: the last reading stays";

    // A newer model reports 24 hinge joints; a damaged one any number of
    // universal joints.
    std::string uj;
    for (int i = 0; i < 30; ++i) uj += "(UJ (n u) (ax1 1) (ax2 " + std::to_string(-i) + "))";
    apply("(time (now 1.04))" + joints(40, 0) + uj);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(21).getAxis(), 21.0f);
    const int lastU = WorldModel::kUniversalJointCount - 1;
    EXPECT_FLOAT_EQ(wm->getAnUniversalJoint(lastU).getExtraAxis(), static_cast<float>(-lastU));
}

TEST_F(Perception, GameStateReadsOnlyItsOwnParts) {
    // The newer server's score parts are passed over.
    apply("(time (now 12.38))(GS (unum 3) (team right) (sl 2) (sr 0) (t 3.00) (pm corner_kick_right))");
    EXPECT_FLOAT_EQ(wm->getTime(), 12.38f);
    EXPECT_EQ(wm->getMyNum(), 3);
    EXPECT_EQ(wm->getOurSide(), SIDE_RIGHT);
    EXPECT_FLOAT_EQ(wm->getGSTime(), 3.0f);
    EXPECT_EQ(wm->getPlayMode(), PM_CORNER_KICK_RIGHT);
    // No play mode in the game state: the "team" of a player and the "pol"
    // of the vision behind it must not be taken as side or play mode.
    apply("(GS (t 5.00))(See (P (team left) (id 4) (head (pol 1 2 3))))(HJ (n hj1) (ax 7))");
    EXPECT_EQ(wm->getOurSide(), SIDE_RIGHT);
    EXPECT_EQ(wm->getPlayMode(), PM_CORNER_KICK_RIGHT);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 7.0f);
}

TEST_F(Perception, InertialAndFootSensors) {
    apply("(GYR (n torso) (rt 0.01 0.07 0.46))(ACC (n torso) (a 0.12 -9.75 0.31))"
          "(FRP (n rf) (f 1 2 3) (c 4 5 6))");  // parts in the other order
    EXPECT_EQ(wm->getGyro().getRate(), Point(0.01, 0.07, 0.46));
    EXPECT_EQ(wm->getAcc(), Point(0.12, -9.75, 0.31));
    EXPECT_EQ(wm->getFRPForceR(), Point(1, 2, 3));
    EXPECT_EQ(wm->getFRPCenterR(), Point(4, 5, 6));
    // Without a report in the next message: the foot reads zero and the
    // accelerometer is absent; a reading the server could not give is not kept.
    apply("(FRP (n lf) (c 1 1 1) (f 2 2 2))");
    EXPECT_EQ(wm->getFRPForceR(), Point(0, 0, 0));
    EXPECT_FALSE(wm->hasAcc());
    apply("(time (now 1.04))(ACC (n torso) (a NaN 1 2))");
    EXPECT_FALSE(wm->hasAcc());
}

TEST_F(Perception, RealCaptureMessages) {
    const std::vector<std::string> messages = capture("real-12x8-standing.txt");
    ASSERT_EQ(messages.size(), 60u);
    for (const std::string& m : messages) EXPECT_EQ(apply(m), m.size());
    EXPECT_EQ(wm->getPlayMode(), PM_BEFORE_KICK_OFF);
    const Flag g1r = wm->getAFlagByIndex(3);  // "(G1R (pol 6.514 0.093 2.134))"
    EXPECT_NEAR(g1r.getPolarPos().getRo(), 6.5, 0.1);
    EXPECT_GT(g1r.getLastTimeSeenFlag(3), 6.9);
    // The robot's own lower arms are reported as a player of our team with
    // our number; the world model keeps them as a team-mate entry.
    EXPECT_EQ(seenTeammates(), 1);
}

TEST_F(Perception, EveryPrefixOfARealMessageIsApplied) {
    // Each prefix sits in a buffer of exactly its size, so a read past the
    // end shows up under the address sanitizer.
    const std::string m = capture("real-12x8-standing.txt").at(3);  // with vision and players
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

TEST_F(Perception, HeardMessages) {
    for (const std::string& m : capture("real-hear.txt")) apply(m);  // own say echoed
    apply("(time (now 10.00))(hear 10.00 self V_U_D_9.990000_mine)");
    apply("(time (now 10.00))(hear 9.98 -30.5 V_U_D_9.950000_stale)");
    EXPECT_STREQ(wm->getMessageSay(), "");
    // The newer server names the team before the time; texts are cut to 14.
    apply("(time (now 11.00))(hear VOR 10.98 12.5 V_U_D_10.980000_abcdefghijklmnopqrstuvwxyz)");
    EXPECT_STREQ(wm->getMessageSay(), "abcdefghijklmn");
    // A word far beyond the 1024-character working area.
    const std::string huge = "V_U_D_9.990000_" + std::string(5000, 'q');
    apply("(time (now 10.00))(hear 9.98 0 " + huge + ")(HJ (n hj1) (ax 3))");
    EXPECT_STREQ(wm->getMessageSay(), "qqqqqqqqqqqqqq");
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 3.0f);
}

TEST_F(Perception, FlagsBallAndPlayersWithTheHeadAnglesOfTheSighting) {
    apply("(time (now 3.00))(HJ (n hj1) (ax 30))(HJ (n hj2) (ax -10))"
          "(See (F1L (pol 7.9 50.1 -12.1)) (G2Rxyz (pol 6.5 -12 1.9))"
          " (P (team VOR) (id 2) (head (pol 5 10 1)) (lfoot (pol 5.2 11 -5)))"
          " (P (team Rival) (id 7) (rlowerarm (pol 3 -20 0)) (lhand (pol 3 -21 0)))"
          " (P (team Rival) (id 9) (rfoot (pol 8 40 -3))) (B (pol 1.89 -0.28 -58.08)))");
    const Flag f1l = wm->getAFlagByIndex(4);
    // Distance, horizontal, vertical become Ro, Teta, Phi.
    EXPECT_EQ(f1l.getPolarPos(), Point(7.9, -12.1, 50.1));
    EXPECT_DOUBLE_EQ(f1l.getLastStepSeenHeadTiltDegree(), -10.0);
    EXPECT_STREQ(wm->getAFlagByIndex(2).getName(), "G2R");  // cut to three characters
    EXPECT_EQ(wm->getBall().getPolarPos(), Point(1.89, -58.08, -0.28));
    EXPECT_DOUBLE_EQ(wm->getBall().getLastStepSeenHeadPanDegree(), 30.0);

    const std::vector<Player> tmt = wm->getTmt();
    ASSERT_EQ(tmt.size(), 2u);  // the seen team-mate and ourselves
    EXPECT_EQ(tmt[0].getNum(), 2);
    EXPECT_EQ(tmt[0].getBoned(lFoot).getPolarPos(), Point(5.2, -5, 11));
    const std::vector<Player> opp = wm->getOpp();
    ASSERT_EQ(opp.size(), 2u);  // seen, so no placeholder
    EXPECT_EQ(opp[0].getBoned(rLowerArm).getPolarPos(), Point(3, 0, -20));
    EXPECT_EQ(opp[0].getBoned(lLowerArm).getName(), "") << "an unknown part is stored nowhere";
    EXPECT_EQ(opp[1].getNum(), 9);

    // The next vision starts the lists afresh; with no opponent seen there
    // is one placeholder until the next vision.
    apply("(time (now 4.06))(See (P (team VOR) (id 2) (head (pol 5 10 1))))");
    ASSERT_EQ(wm->getNumOfOpp(), 1);
    EXPECT_EQ(wm->getOpp()[0].getGlbPos(), Point(1000, 1000, 0.38));
    apply("(time (now 4.08))");
    EXPECT_EQ(wm->getNumOfOpp(), 1);
}

TEST_F(Perception, TeamNamesAreComparedWhole) {
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
}

}  // namespace
