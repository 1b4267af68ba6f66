// The agent's side of the wire: framing, the scene/init/beam rules, effector
// handling and the perception's order and number forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "FieldsimTestKit.h"
#include "net/FrameDecoder.h"
#include "robot/NaoModel.h"

TEST(Framing, FramesArriveWholeWhateverThePiecesUpToSixtyFourKiB) {
    const std::string stream = frame("(scene a/nao.rsg)") + frame("") + frame("(syn)");
    for (size_t piece : {size_t{1}, stream.size()}) {
        FrameDecoder decoder;
        std::vector<std::string> frames;
        for (size_t at = 0; at < stream.size(); at += piece) {
            ASSERT_TRUE(decoder.feed(stream.data() + at, std::min(piece, stream.size() - at), frames));
        }
        EXPECT_EQ(frames, (std::vector<std::string>{"(scene a/nao.rsg)", "", "(syn)"})) << "piece size " << piece;
        EXPECT_EQ(decoder.pending(), 0u);
    }
    FrameDecoder ok, refused;
    std::vector<std::string> frames;
    const std::string big = frame(std::string(FrameDecoder::kMaxFrame, 'x'));
    EXPECT_TRUE(ok.feed(big.data(), big.size(), frames));
    EXPECT_FALSE(refused.feed("\x00\x01\x00\x01", 4, frames));  // 65537
    EXPECT_FALSE(refused.feed("(syn)", 5, frames)) << "a broken stream stays refused";
    EXPECT_EQ(frames.size(), 1u);
}

TEST(SceneAndInit, PerceptionsFollowTheSceneAndTheNumberIsToldOnce) {
    SimHarness h;
    h.sim().clientConnected(1, "t");
    h.sim().receive(1, "(scene rsg/agent/nao/soccerbot.rsg)");
    EXPECT_EQ(h.step(1), "") << "no perception without a known scene";
    h.sim().receive(1, "(scene /usr/local/share/simulator/rsg/agent/nao/nao.rsg)");
    // As on the real server, the new robot's first perception comes after
    // its second step (it has fallen twice from where it was built).
    EXPECT_EQ(h.step(1), "") << "a perception in the cycle that built the robot";
    EXPECT_EQ(expression(h.step(1), "(GS"), "(GS (sl 0) (sr 0) (t 0.000) (pm BeforeKickOff))");
    h.sim().receive(1, "(init (unum 1)(teamname VOR))");
    EXPECT_EQ(expression(h.step(1), "(GS"), "(GS (unum 1) (team left) (sl 0) (sr 0) (t 0.000) (pm BeforeKickOff))");
    EXPECT_EQ(expression(h.step(1), "(GS"), "(GS (sl 0) (sr 0) (t 0.000) (pm BeforeKickOff))");
}

TEST(SceneAndInit, TeamsTakeSidesInOrderNumbersAreUniqueAndBounded) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 7));
    ASSERT_TRUE(h.join(2, "OPP", 7)) << "the same number in the other team is fine";
    EXPECT_EQ(h.robot(1).side, TeamSide::Left);
    EXPECT_EQ(h.robot(2).side, TeamSide::Right);
    EXPECT_FALSE(h.join(3, "THIRD", 3)) << "a third team";
    EXPECT_FALSE(h.join(4, "VOR", 7)) << "number taken";
    EXPECT_FALSE(h.join(5, "VOR", 12));
    ASSERT_TRUE(h.join(6, "VOR", 0));
    EXPECT_EQ(h.robot(6).unum, 1) << "unum 0 takes the lowest free number";
    for (int id = 10; id < 19; ++id) EXPECT_TRUE(h.join(id, "VOR", 0));
    EXPECT_FALSE(h.join(30, "VOR", 0)) << "a full team refuses";
    h.sim().clientLeft(1, "test");
    EXPECT_TRUE(h.join(31, "VOR", 7)) << "a freed number can be taken again";
}

TEST(Beam, PlacesTheRobotInItsTeamFrameOnlyBeforeKickOffAndAfterGoals) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "OPP", 1));
    h.sim().receive(1, "(beam -2.5 1.5 30)");
    h.sim().receive(2, "(beam -2 1 90)");
    h.step(1);
    auto pose = [](const RobotBody& b) {
        char s[80];
        std::snprintf(s, sizeof s, "%.4f %.4f %.4f %.4f", b.torso().pos.x, b.torso().pos.y, b.torso().pos.z, b.heading());
        return std::string(s);
    };
    const RobotBody& left = h.body(1);
    EXPECT_EQ(pose(left), "-2.5000 1.5000 0.3850 30.0000") << "standing on its soles";
    EXPECT_EQ(pose(h.body(2)), "2.0000 -1.0000 0.3850 -90.0000") << "mirrored for the right team";

    h.sim().rules().setPlayMode(PlayMode::PlayOn, 0.0);
    h.sim().receive(1, "(beam -1 -1 0)");
    h.step(1);
    EXPECT_NEAR(left.torso().pos.x, -2.5, 1e-9) << "ignored in PlayOn";
    h.sim().rules().setPlayMode(PlayMode::GoalRight, 0.0);
    h.sim().receive(1, "(beam -1 -1 0)");
    h.step(1);
    EXPECT_NEAR(left.torso().pos.x, -1.0, 1e-9) << "allowed after a goal";
}

TEST(Effectors, SpeedsAreClampedAndJointsStopAtTheirLimits) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.step(1);
    h.sim().receive(1, "(he1 1.0)(he2 100)");
    std::string m = h.step(1);
    EXPECT_NEAR(jointAngle(m, "hj1"), 1.146, 0.0011);
    EXPECT_NEAR(jointAngle(m, "hj2"), 6.13954 * 0.02 * 180.0 / M_PI, 0.0011) << "at most the maximum speed";
    EXPECT_NEAR(jointAngle(h.step(1), "hj1"), 2.292, 0.0011) << "the velocity stays in force";
    h.sim().receive(1, "(he1 6)(rle4 6)");
    for (int i = 0; i < 40; ++i) m = h.step(1);
    // Pushed against its limit a joint reads a few degrees past it, varying
    // from cycle to cycle, as on the real server.
    double lowest = 1e9, highest = -1e9;
    for (int i = 0; i < 20; ++i) {
        m = h.step(1);
        lowest = std::min(lowest, jointAngle(m, "hj1"));
        highest = std::max(highest, jointAngle(m, "hj1"));
        EXPECT_GE(jointAngle(m, "rlj4"), 0.5 - 1e-9);
        EXPECT_LE(jointAngle(m, "rlj4"), 7.5 + 1e-9);
    }
    EXPECT_GE(lowest, 119.5 - 1e-9);
    EXPECT_LE(highest, 126.5 + 1e-9);
    EXPECT_GT(highest - lowest, 1.0);
    EXPECT_NEAR(h.sim().world().robots().begin()->second.body().angle(NaoModel::HJ1) * 180.0 / M_PI, 120.0, 1e-9)
        << "the joint itself stays at its limit";
    h.sim().receive(1, "(he1 -1)");
    EXPECT_LT(jointAngle(h.step(1), "hj1"), 120.0) << "a joint at its limit moves back when told";
}

TEST(Effectors, BadValuesAreCountedBoundedInTheLogAndLeaveTheJointAlone) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.sim().receive(1, "(he1 1.0)");
    h.step(1);
    h.sim().receive(1, "(he1 nan)(he1 inf)(he1 1e999)(he1 1.0x)(he1 1 2)(init (unum 2.5)(teamname A))(zz9 1)(he2");
    h.sim().receive(1, std::string(10000, '(') + std::string(10000, ')'));
    EXPECT_NEAR(jointAngle(h.step(1), "hj1"), 2.292, 0.0011);
    EXPECT_EQ(h.sim().stats().malformed, 8) << "six bad values, one unbalanced expression, one too deep";
    EXPECT_EQ(h.sim().stats().unknown, 1);
    std::string flood;
    for (int i = 0; i < 500; ++i) flood += "(he1 x)";
    h.sim().receive(1, flood);
    const std::string log = h.console();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3 + Simulation::kMaxProblemLines + 1)
        << "connect, scene and join lines, the first problems, one closing note";
    std::string many;
    for (size_t i = 0; i < Robot::kMaxQueuedActions + 10; ++i) many += "(he2 0.1)";
    h.sim().receive(1, many);
    EXPECT_EQ(h.robot(1).pending.size(), Robot::kMaxQueuedActions) << "the queue of waiting commands is bounded";
}

TEST(Perception, OrderIsTheRealServersVisionEveryThirdCycleThreeDecimals) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "OPP", 1));
    h.stepAll();  // the robots' first step, before their first perception
    h.sim().receive(1, "(beam -1 0.3 10)(he1 0.3)(say hello)");
    std::vector<std::string> m;
    std::string pattern;
    for (int i = 0; i < 7; ++i) {
        m.push_back(h.step(1));
        pattern += m.back().find("(See") != std::string::npos ? 'V' : '-';
    }
    EXPECT_EQ(pattern, "V--V--V");
    EXPECT_EQ(expression(m[4], "(FRP (n rf)"), "(FRP (n rf) (c 0.000 -0.009 -0.010) (f 0.000 0.001 22.598))");
    // A message with vision and both feet on the ground, recorded from the real server.
    std::ifstream capture(std::string(CAPTURE_DIR) + "/real-12x8-standing.txt");
    std::string real;
    while (std::getline(capture, real) &&
           (real.find("(See") == std::string::npos || real.find("(FRP (n lf)") == std::string::npos)) {
    }
    ASSERT_FALSE(real.empty());
    std::vector<std::string> expected = labels(real);
    EXPECT_EQ(labels(m[3]), expected);
    expected.erase(std::find(expected.begin(), expected.end(), "See"));
    EXPECT_EQ(labels(m[4]), expected);

    // Integers only in unum, sl, sr and id; every other number has three decimals.
    std::string text = m[1] + m[3];
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '(' || c == ')'; }, ' ');
    std::istringstream words(text);
    int count = 0;
    for (std::string w, previous; words >> w; previous = w) {
        if (w.find_first_not_of("-0123456789.") != std::string::npos || previous == "unum" || previous == "sl" ||
            previous == "sr" || previous == "id")
            continue;
        const size_t dot = w.find('.');
        EXPECT_TRUE(dot != std::string::npos && dot > 0 && dot + 4 == w.size()) << w;
        ++count;
    }
    EXPECT_GT(count, 100);
}
