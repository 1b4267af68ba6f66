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
#include "utils/CommandCreator.h"
#include "utils/TraceReader.h"
#include "utils/VisionComposer.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

class Perception : public ::testing::Test {
protected:
    void SetUp() override {
        GameConf::getUniqueInstance()->init();
        wm->setTeamName("VOR");
    }

    // Applies one message through a fresh updater, as the agent's cycle
    // does, from a buffer of exactly its size (so a read past the end shows
    // up under the address sanitizer); returns how far the cursor got.
    std::size_t apply(const std::string& text) {
        buffer.reset(new char[text.size() + 1]);
        std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
        char* cursor = buffer.get();
        WorldModelUpdater updater;
        updater.setMessage(&cursor);
        updater.parseMessage();
        return static_cast<std::size_t>(cursor - buffer.get());
    }

    static std::vector<std::string> capture(const char* name) {
        std::ifstream in(std::string(CAPTURE_DIR) + "/" + name);
        EXPECT_TRUE(in.good()) << name;
        TraceReader reader(in);
        std::vector<std::string> messages;
        for (std::string text; reader.next(text);) messages.push_back(text);
        return messages;
    }

    WorldModel* wm = WorldModel::getUniqueInstance();
    std::unique_ptr<char[]> buffer;
};

TEST_F(Perception, JointsRefillFromSlotZeroAndExtraJointsAreIgnored) {
    apply("(HJ (n a) (ax 1))(HJ (n b) (ax 2))(HJ (n c) (ax 3))");
    apply("(time (now 1.02))(HJ (n x) (ax -5.5))");
    EXPECT_STREQ(wm->getAHingeJoint(0).getName(), "x");
    EXPECT_STREQ(wm->getAHingeJoint(1).getName(), "b") << "not reported: the last reading stays";
    // A newer model reports 24 hinge joints; a damaged one any number of
    // universal joints.
    std::string many;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        many += "(HJ (n j) (ax " + n + "))(UJ (n u) (ax1 1) (ax2 -" + n + "))";
    }
    apply(many);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(21).getAxis(), 21.0f);
    const int lastU = WorldModel::kUniversalJointCount - 1;
    EXPECT_FLOAT_EQ(wm->getAnUniversalJoint(lastU).getExtraAxis(), static_cast<float>(-lastU));
}

TEST_F(Perception, GameStateAndSensors) {
    // The newer server's score parts are passed over.
    apply("(time (now 12.38))(GS (unum 3) (team right) (sl 2) (sr 0) (t 3.00) (pm corner_kick_right))"
          "(ACC (n torso) (a 0.12 -9.75 0.31))(FRP (n rf) (f 1 2 3) (c 4 5 6))");
    EXPECT_EQ(wm->getMyNum(), 3);
    EXPECT_EQ(wm->getOurSide(), SIDE_RIGHT);
    EXPECT_EQ(wm->getPlayMode(), PM_CORNER_KICK_RIGHT);
    EXPECT_EQ(wm->getAcc(), Point(0.12, -9.75, 0.31));
    EXPECT_EQ(wm->getFRPForceR(), Point(1, 2, 3));
    // No unum, team or play mode: the "team" of a player and the "pol" of the
    // vision behind it are not taken as side or play mode; the foot reads zero
    // and the accelerometer is absent without a report.
    apply("(GS (t 5.00) (pm NoSuchMode))(See (P (team left) (id 4) (head (pol 1 2 3))))(HJ (n hj1) (ax 7))");
    EXPECT_EQ(wm->getOurSide(), SIDE_RIGHT);
    EXPECT_EQ(wm->getPlayMode(), PM_UNKNOWN);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 7.0f);
    EXPECT_FALSE(wm->hasAcc());
    apply("(ACC (n torso) (a NaN 1 2))");
    EXPECT_FALSE(wm->hasAcc()) << "a reading the server could not give";
}

TEST_F(Perception, RealCaptureMessagesAndEveryPrefixOfOne) {
    const std::vector<std::string> messages = capture("real-12x8-standing.txt");
    ASSERT_EQ(messages.size(), 60u);
    for (const std::string& m : messages) EXPECT_EQ(apply(m), m.size());
    // The last one sees "(G1R (pol 6.514 0.093 2.134))".
    EXPECT_NEAR(wm->getAFlagByIndex(3).getPolarPos().getRo(), 6.5, 0.1);
    EXPECT_GT(wm->getAFlagByIndex(3).getLastTimeSeenFlag(3), 6.9);
    const std::string& m = messages.at(3);  // with vision and players
    for (std::size_t n = 0; n <= m.size(); ++n) EXPECT_LE(apply(m.substr(0, n)), n);
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
    apply("(hear 9.98 0 V_U_D_9.990000_" + std::string(5000, 'q') + ")(HJ (n hj1) (ax 3))");
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(0).getAxis(), 3.0f);
}

TEST_F(Perception, VisionWithTheHeadAnglesOfTheSighting) {
    apply("(time (now 3.00))(HJ (n hj1) (ax 30))(HJ (n hj2) (ax -10))"
          "(See (F1L (pol 7.9 50.1 -12.1)) (G2Rxyz (pol 6.5 -12 1.9))"
          " (P (team VOR) (id 2) (head (pol 5 10 1)) (lfoot (pol 5.2 11 -5)))"
          " (P (team Rival) (id 7) (rlowerarm (pol 3 -20 0)) (lhand (pol 3 -21 0)))"
          " (P (team VORX) (id 9) (rfoot (pol 8 40 -3))) (B (pol 1.89 -0.28 -58.08)))");
    // Distance, horizontal, vertical become Ro, Teta, Phi.
    EXPECT_EQ(wm->getAFlagByIndex(4).getPolarPos(), Point(7.9, -12.1, 50.1));
    EXPECT_STREQ(wm->getAFlagByIndex(2).getName(), "G2R");  // cut to three characters
    ASSERT_EQ(wm->getNumOfTmt(), 2);  // the seen team-mate and ourselves
    const std::vector<Player> opp = wm->getOpp();
    ASSERT_EQ(opp.size(), 2u);  // seen, so no placeholder; team names compared whole
    EXPECT_EQ(opp[0].getBoned(rLowerArm).getPolarPos(), Point(3, 0, -20));
    EXPECT_EQ(opp[0].getBoned(lLowerArm).getName(), "") << "an unknown part is stored nowhere";
    EXPECT_EQ(opp[1].getNum(), 9);
    // The next vision starts the lists afresh; with no opponent seen there is
    // one placeholder until the next vision.
    apply("(time (now 4.06))(See (P (team VOR) (id 2) (head (pol 5 10 1))))");
    ASSERT_EQ(wm->getNumOfOpp(), 1);
    EXPECT_EQ(wm->getOpp()[0].getGlbPos(), Point(1000, 1000, 0.38));
    // A vision cut short inside an entry takes no numbers from the joints
    // behind it, and the text is left intact.
    const std::string cut = "(See (F1L (pol 5)) (P (team VOR) (id 3) (head (pol 1))) (B (pol)))"
                            "(HJ (n hj1) (ax 45))(HJ (n hj2) (ax 9))";
    EXPECT_EQ(apply(cut), cut.size());
    EXPECT_EQ(std::string(buffer.get()), cut);
    EXPECT_FLOAT_EQ(wm->getAHingeJoint(1).getAxis(), 9.0f);
}

// The head sweeps: two flags in one message, two in the next, the ball in a
// third, each time with other pan and tilt angles. Each look places the robot
// on its own; a team on the right sees the field turned half a circle.
TEST_F(Perception, LocalisationFromFlagsSeenAtDifferentHeadAngles) {
    const compose::Pose pose{2.0, -2.5, 0.52, -120.0};  // field frame of a team on the left
    const compose::Vec ball{0.5, -3.0, 0.3};
    for (bool right : {false, true}) {
        SCOPED_TRACE(right ? "right" : "left");
        const std::string gs = compose::gameState(right ? "right" : "left");
        apply(compose::perception(1.00, gs, 40, -20, compose::see(pose, {"F1L", "F2L"}, 40, -20)));
        apply(compose::perception(1.02, gs, -35, 10, compose::see(pose, {"F1R", "F2R"}, -35, 10)));
        apply(compose::perception(1.04, gs, 70, -5, compose::see(pose, {}, 70, -5, &ball)));
        const double s = right ? -1.0 : 1.0;
        EXPECT_LT(wm->getMyCartPos().getDistanceTo(Point(s * pose.x, s * pose.y, pose.height)), 2e-3);
        EXPECT_LT(wm->getGlobalPosOfBall().getDistanceTo(Point(s * ball.x, s * ball.y, ball.z)), 3e-3);
        // Yaw grows clockwise; upright is a roll of half a circle.
        const double yaw = -pose.heading + (right ? 180.0 : 0.0);
        EXPECT_NEAR(Geometry::normalizeAngle(wm->getDir().getZ() - yaw), 0.0, 0.01);
        EXPECT_NEAR(wm->getDir().getY(), 0.0, 0.01);
        EXPECT_NEAR(Geometry::normalizeAngle(wm->getDir().getX() - 180.0), 0.0, 0.01);
    }
}

// The restricted view from (-2, 0) facing the opponent goal shows only the
// far corner flags and posts; our own goal line's flags never come into view.
// (Placed by the distances of all four corner flags, stale ones included,
// and turned by three of them, two on our own goal line, this robot used to
// believe its yaw -27 degrees.)
TEST_F(Perception, RestrictedViewFacingTheOpponentGoal) {
    const compose::Pose pose{-2.0, 0.0, 0.5, 0.0};
    const compose::Vec ball{-1.0, -0.4, 0.042};
    for (bool right : {false, true}) {
        SCOPED_TRACE(right ? "right" : "left");
        // The right team's robot stands at the mirror spot, facing the
        // left goal.
        const compose::Pose p = right ? compose::Pose{2.0, 0.0, 0.5, 180.0} : pose;
        const compose::Vec b = right ? compose::Vec{1.0, 0.4, 0.042} : ball;
        const std::vector<std::string> seen =
            right ? std::vector<std::string>{"F1L", "F2L", "G1L", "G2L"}
                  : std::vector<std::string>{"F1R", "F2R", "G1R", "G2R"};
        const std::string gs = compose::gameState(right ? "right" : "left");
        apply(compose::perception(2.00, gs, 0, 0, compose::see(p, seen, 0, 0, &b)));
        EXPECT_NEAR(wm->getMyCartPos().getX(), -2.0, 1e-3);
        EXPECT_NEAR(wm->getMyCartPos().getY(), 0.0, 1e-3);
        EXPECT_NEAR(Geometry::normalizeAngle(wm->getDir().getZ()), 0.0, 0.01);
        EXPECT_NEAR(wm->getGlobalPosOfBall().getX(), -1.0, 1e-3);
        EXPECT_NEAR(wm->getGlobalPosOfBall().getY(), -0.4, 1e-3);
        // A message without vision keeps the ball where it was seen.
        apply(compose::perception(2.02, gs, 0, 0, ""));
        EXPECT_NEAR(wm->getGlobalPosOfBall().getX(), -1.0, 1e-3);
    }
}

// Only what this message saw counts: flags seen earlier from another spot do
// not pull a later fix back, whatever their stored distances say.
TEST_F(Perception, OnlyTheCurrentLookPlacesTheRobot) {
    const std::string gs = compose::gameState("left");
    const compose::Pose first{-4.0, 2.0, 0.5, -30.0};
    apply(compose::perception(3.00, gs, 0, 0, compose::see(first, compose::kCorners, 0, 0)));
    EXPECT_NEAR(wm->getMyCartPos().getX(), -4.0, 1e-3);
    // Half a metre on, one flag in view.
    const compose::Pose second{-3.5, 2.0, 0.5, -30.0};
    apply(compose::perception(3.06, gs, 0, 0, compose::see(second, {"F2R"}, 0, 0)));
    EXPECT_NEAR(wm->getMyCartPos().getX(), -3.5, 1e-3);
    EXPECT_NEAR(wm->getMyCartPos().getY(), 2.0, 1e-3);
    // The ball was never seen here: it stays where it was.
    EXPECT_EQ(wm->getGlobalPosOfBall(), Point(0, 0, 0));
}

// Our own beam puts the belief where the robot lands, in the play modes in
// which the server carries it out.
TEST_F(Perception, OwnBeamIsBelievedBeforeKickOff) {
    const compose::Pose pose{-1.0, 2.0, 0.5, 10.0};
    apply(compose::perception(0.50, "(GS (unum 2) (team left) (t 0.00) (pm BeforeKickOff))", 0, 0,
                              compose::see(pose, compose::kCorners, 0, 0)));
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->beam(-4.0f, -1.0f, 30.0f);
    EXPECT_NEAR(wm->getMyCartPos().getX(), -4.0, 1e-6);
    EXPECT_NEAR(wm->getMyCartPos().getY(), -1.0, 1e-6);
    EXPECT_NEAR(wm->getDir().getZ(), -30.0, 1e-6) << "the yaw grows clockwise";
    // The next message, still showing the old place, changes nothing.
    apply(compose::perception(0.52, "(GS (t 0.00) (pm BeforeKickOff))", 0, 0,
                              compose::see(pose, compose::kCorners, 0, 0)));
    EXPECT_NEAR(wm->getMyCartPos().getX(), -4.0, 1e-6);
    // During play the server ignores a beam, and so does the belief; a beam
    // past the centre line is kept in our half.
    apply(compose::perception(0.60, "(GS (t 0.00) (pm PlayOn))", 0, 0, ""));
    cc->beam(-2.0f, 0.0f, 0.0f);
    EXPECT_NEAR(wm->getMyCartPos().getX(), -4.0, 1e-6);
    apply(compose::perception(0.62, "(GS (t 0.00) (pm Goal_Left))", 0, 0, ""));
    cc->beam(3.0f, 1.0f, 0.0f);
    EXPECT_NEAR(wm->getMyCartPos().getX(), 0.0, 1e-6);
}

TEST_F(Perception, SingularFlagMatrixStaysFinite) {
    apply("(time (now 0.02))(B (pol 1 0 0))");  // no flag seen yet: all zero
    EXPECT_TRUE(std::isfinite(wm->getDir().getZ()) && std::isfinite(wm->getMyCartPos().getX()));
    double m[3][3] = {{1, 2, 3}, {2, 4, 6}, {0, 1, 1}};
    WorldModelUpdater::inverseMatrix(m);
    EXPECT_DOUBLE_EQ(m[1][1], 4.0);  // singular: left as it was
}

}  // namespace
