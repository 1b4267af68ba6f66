// The agent's side of the wire: framing, the scene/init/beam rules, effector
// handling and the perception's order and number forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <cctype>
#include <sstream>

#include "CommandDecoder.h"
#include "FieldsimTestKit.h"
#include "FrameDecoder.h"
#include "MessageParser.h"
#include "NaoModel.h"

namespace {

constexpr double kDegPerCycleAtMaxSpeed = 6.13954 * 0.02 * 180.0 / M_PI;  // 7.035

}  // namespace

// ---------------------------------------------------------------- framing

TEST(Framing, FramesArriveWholeWhateverThePieces) {
    const std::string stream = frame("(scene a/nao.rsg)") + frame("") + frame("(syn)");
    for (size_t piece : {size_t{1}, stream.size()}) {
        FrameDecoder decoder;
        std::vector<std::string> frames;
        for (size_t at = 0; at < stream.size(); at += piece) {
            ASSERT_TRUE(decoder.feed(stream.data() + at, std::min(piece, stream.size() - at), frames));
        }
        ASSERT_EQ(frames.size(), 3u) << "piece size " << piece;
        EXPECT_EQ(frames[0], "(scene a/nao.rsg)");
        EXPECT_EQ(frames[1], "");
        EXPECT_EQ(frames[2], "(syn)");
        EXPECT_EQ(decoder.pending(), 0u);
    }
}

TEST(Framing, EncodesTheLengthBigEndian) {
    const std::string f = FrameDecoder::encode("(init (unum 1)(teamname VOR))");
    ASSERT_EQ(f.size(), 33u);
    EXPECT_EQ(f.substr(0, 4), std::string("\x00\x00\x00\x1d", 4));
}

TEST(Framing, SixtyFourKiBIsTheLimit) {
    FrameDecoder ok;
    std::vector<std::string> frames;
    const std::string big(FrameDecoder::kMaxFrame, 'x');
    EXPECT_TRUE(ok.feed(frame(big).data(), big.size() + 4, frames));
    ASSERT_EQ(frames.size(), 1u);

    FrameDecoder refused;
    const std::string header("\x00\x01\x00\x01", 4);  // 65537
    EXPECT_FALSE(refused.feed(header.data(), 4, frames));
    EXPECT_TRUE(refused.failed());
    EXPECT_EQ(refused.refusedLength(), 65537u);
    EXPECT_FALSE(refused.feed("(syn)", 5, frames)) << "a broken stream stays refused";
}

// ------------------------------------------------------------- expressions

TEST(MessageParsing, SplitsExpressionsAndCountsBrokenOnes) {
    ParsedMessage m = MessageParser::parse("(he1 1)(init (unum 2)(teamname X)) (he2 -1)");
    ASSERT_EQ(m.expressions.size(), 3u);
    EXPECT_EQ(m.malformed, 0);
    EXPECT_EQ(m.expressions[1].head(), "init");

    m = MessageParser::parse("(he1 1)(he2 2");
    EXPECT_EQ(m.expressions.size(), 1u) << "complete expressions before the break still count";
    EXPECT_EQ(m.malformed, 1);

    m = MessageParser::parse("garbage)(he1 1)");
    EXPECT_EQ(m.expressions.size(), 1u);
    EXPECT_EQ(m.malformed, 1);

    const std::string deep = std::string(10000, '(') + std::string(10000, ')');
    m = MessageParser::parse(deep);
    EXPECT_TRUE(m.expressions.empty());
    EXPECT_EQ(m.malformed, 1);
}

TEST(MessageParsing, EffectorValuesMustBeFiniteNumbers) {
    auto kind = [](const std::string& text) {
        return CommandDecoder::decode(MessageParser::parse(text).expressions.at(0)).kind;
    };
    using K = DecodedCommand::Kind;
    EXPECT_EQ(kind("(rle3 -2.5)"), K::Action);
    EXPECT_EQ(kind("(he1 nan)"), K::Malformed);
    for (const char* bad : {"(he1 1e999)", "(he1 1.0x)", "(he1 1 2)", "(beam 1 2)", "(init (unum 2.5)(teamname A))"})
        EXPECT_EQ(kind(bad), K::Malformed) << bad;
    EXPECT_EQ(kind("(hx7 1)"), K::Unknown);
    EXPECT_EQ(kind("(syn)"), K::Sync);
}

// ------------------------------------------------------- scene, init, teams

TEST(SceneAndInit, PerceptionsStartInTheCycleAfterTheScene) {
    SimHarness h;
    h.sim().clientConnected(1, "t");
    EXPECT_EQ(h.step(1), "") << "no perception before the scene";
    h.sim().receive(1, "(scene /usr/local/share/simulator/rsg/agent/nao/nao.rsg)");
    const std::string first = h.step(1);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(expression(first, "(GS"), "(GS (sl 0) (sr 0) (t 0.000) (pm BeforeKickOff))")
        << "no number or team before init";
    EXPECT_NE(first.find("(See"), std::string::npos) << "vision in the first perception";

    h.sim().receive(1, "(init (unum 1)(teamname VOR))");
    EXPECT_EQ(expression(h.step(1), "(GS"),
              "(GS (unum 1) (team left) (sl 0) (sr 0) (t 0.000) (pm BeforeKickOff))");
    EXPECT_EQ(expression(h.step(1), "(GS"), "(GS (sl 0) (sr 0) (t 0.000) (pm BeforeKickOff))")
        << "number and team only once";
}

TEST(SceneAndInit, UnknownSceneGetsNoAnswer) {
    SimHarness h;
    h.sim().clientConnected(1, "t");
    EXPECT_TRUE(h.sim().receive(1, "(scene rsg/agent/nao/soccerbot.rsg)"));
    EXPECT_EQ(h.step(1), "");
    EXPECT_TRUE(h.sim().receive(1, "(scene rsg/agent/nao/nao.rsg)")) << "a later good scene still works";
    EXPECT_NE(h.step(1), "");
}

TEST(SceneAndInit, TeamsTakeSidesInOrderAndAThirdIsRefused) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 0));
    ASSERT_TRUE(h.join(2, "OPP", 0));
    ASSERT_TRUE(h.join(3, "VOR", 0));
    EXPECT_EQ(h.robot(1).side, TeamSide::Left);
    EXPECT_EQ(h.robot(2).side, TeamSide::Right);
    EXPECT_EQ(h.robot(3).unum, 2) << "unum 0 takes the lowest free number";
    EXPECT_FALSE(h.join(4, "THIRD", 3));
    EXPECT_EQ(h.sim().world().robot(4), nullptr);
    EXPECT_NE(h.console().find("third team"), std::string::npos);
}

TEST(SceneAndInit, NumbersAreUniqueWithinATeamAndAtMostEleven) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 7));
    EXPECT_FALSE(h.join(2, "VOR", 7)) << "number taken";
    EXPECT_TRUE(h.join(3, "OPP", 7)) << "the same number in the other team is fine";
    EXPECT_FALSE(h.join(4, "VOR", 12));
    for (int id = 10; id < 20; ++id) EXPECT_TRUE(h.join(id, "VOR", 0));
    EXPECT_FALSE(h.join(30, "VOR", 0)) << "a full team refuses";
    EXPECT_EQ(h.sim().stats().refused, 3);
    // A freed number can be taken again.
    h.sim().clientLeft(1, "test");
    EXPECT_TRUE(h.join(31, "VOR", 7));
}

// -------------------------------------------------------------------- beam

TEST(Beam, PlacesTheRobotInItsTeamFrame) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "OPP", 1));
    h.sim().receive(1, "(beam -2.5 1.5 30)");
    h.sim().receive(2, "(beam -2 1 90)");
    h.step(1);
    const RobotBody& left = h.robot(1).body;
    EXPECT_NEAR(left.torso().pos.x, -2.5, 1e-9);
    EXPECT_NEAR(left.torso().pos.y, 1.5, 1e-9);
    EXPECT_NEAR(left.heading(), 30.0, 1e-9);
    EXPECT_NEAR(left.torso().pos.z, 0.385, 1e-9) << "standing on its soles";
    const RobotBody& right = h.robot(2).body;
    EXPECT_NEAR(right.torso().pos.x, 2.0, 1e-9) << "mirrored for the right team";
    EXPECT_NEAR(right.torso().pos.y, -1.0, 1e-9);
    EXPECT_NEAR(right.heading(), -90.0, 1e-9) << "90 + 180, facing -y";
}

TEST(Beam, OnlyBeforeKickOffAndAfterGoals) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.sim().rules().setPlayMode(PlayMode::PlayOn, 0.0);
    h.sim().receive(1, "(beam -1 -1 0)");
    h.step(1);
    EXPECT_NEAR(h.robot(1).body.torso().pos.x, -0.5, 1e-9) << "ignored in PlayOn";
    h.sim().rules().setPlayMode(PlayMode::GoalRight, 0.0);
    h.sim().receive(1, "(beam -1 -1 0)");
    h.step(1);
    EXPECT_NEAR(h.robot(1).body.torso().pos.x, -1.0, 1e-9) << "allowed after a goal";
}

// -------------------------------------------------------------- effectors

TEST(Effectors, VelocityPerCycleIsClampedToTheMaximumSpeed) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.step(1);
    h.sim().receive(1, "(he1 1.0)");
    EXPECT_NEAR(jointAngle(h.step(1), "hj1"), 1.146, 0.0011);
    EXPECT_NEAR(jointAngle(h.step(1), "hj1"), 2.292, 0.0011) << "the velocity stays in force";
    h.sim().receive(1, "(he1 100)(he2 -6.0)");
    const std::string m = h.step(1);
    EXPECT_NEAR(jointAngle(m, "hj1"), 2.292 + kDegPerCycleAtMaxSpeed, 0.0011);
    EXPECT_NEAR(jointAngle(m, "hj2"), -6.0 * 0.02 * 180.0 / M_PI, 0.0011);
}

TEST(Effectors, AnglesStayWithinTheJointLimits) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.sim().receive(1, "(he1 6)(rle4 6)(lle4 -6)(rae2 -6)(lle6 6)");
    std::string m;
    for (int i = 0; i < 60; ++i) m = h.step(1);
    EXPECT_EQ(expression(m, "(HJ (n hj1)"), "(HJ (n hj1) (ax 120.000))");
    EXPECT_EQ(expression(m, "(HJ (n rlj4)"), "(HJ (n rlj4) (ax 1.000))");
    h.sim().receive(1, "(he1 -1)");
    EXPECT_LT(jointAngle(h.step(1), "hj1"), 120.0) << "a joint at its limit moves back when told";
}

TEST(Effectors, BadValuesAreCountedAndLeaveTheJointAlone) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.sim().receive(1, "(he1 1.0)");
    h.step(1);
    h.sim().receive(1, "(he1 nan)(he1 inf)(he1 x)(zz9 1)(he2");
    const std::string m = h.step(1);
    EXPECT_NEAR(jointAngle(m, "hj1"), 2.292, 0.0011);
    EXPECT_EQ(h.sim().stats().malformed, 4) << "three bad values and one unbalanced expression";
    EXPECT_EQ(h.sim().stats().unknown, 1);
    for (int j = 0; j < NaoModel::kJointCount; ++j) EXPECT_TRUE(std::isfinite(h.robot(1).body.angle(j)));
}

TEST(Effectors, LatencyDelaysTheEffect) {
    SimOptions o = testOptions();
    o.latency = 3;
    SimHarness h(o);
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.step(1);  // perception n
    h.sim().receive(1, "(he1 1.0)");
    h.step(1);
    EXPECT_EQ(jointAngle(h.step(1), "hj1"), 0.0);  // n+2
    EXPECT_NEAR(jointAngle(h.step(1), "hj1"), 1.146, 0.0011);  // n+3
}

// -------------------------------------------------------------- perception

TEST(Perception, OrderIsTheRealServers) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "VOR", 2));
    h.sim().receive(1, "(beam -1 0 0)(say hello)");
    h.step(1);
    h.step(1);
    std::string m;
    for (int i = 0; i < 3 && m.find("(See") == std::string::npos; ++i) m = h.step(1);
    // A message with vision and both feet on the ground, recorded from the real server.
    std::ifstream capture(std::string(CAPTURE_DIR) + "/real-12x8-standing.txt");
    std::string line, real;
    while (std::getline(capture, line)) {
        if (line.find("(See") != std::string::npos && line.find("(FRP (n lf)") != std::string::npos) {
            real = line;
            break;
        }
    }
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(labels(m), labels(real));

    const std::vector<std::string> withoutVision = labels(h.step(1));
    std::vector<std::string> expected = labels(real);
    expected.erase(std::find(expected.begin(), expected.end(), "See"));
    EXPECT_EQ(withoutVision, expected);
}

TEST(Perception, NumbersHaveThreeDecimals) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "OPP", 1));
    h.sim().receive(1, "(beam -1 0.3 10)(he1 0.3)");
    h.step(1);
    const std::string m = h.step(1) + h.step(1) + h.step(1);
    // Integers only in unum, sl, sr and id; every other number is fixed point with three decimals.
    auto threeDecimals = [](const std::string& w) {
        size_t i = w[0] == '-' ? 1 : 0;
        const size_t digits = i;
        while (i < w.size() && std::isdigit(static_cast<unsigned char>(w[i]))) ++i;
        if (i == digits || i + 4 != w.size() || w[i] != '.') return false;
        return std::all_of(w.begin() + static_cast<long>(i) + 1, w.end(),
                           [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    };
    int count = 0;
    std::string previous, word;
    for (char c : m + " ") {
        if (c != ' ' && c != '(' && c != ')') {
            word += c;
            continue;
        }
        if (!word.empty()) {
            const bool numeric = std::isdigit(static_cast<unsigned char>(word.back())) &&
                                 (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '-');
            if (numeric && previous != "unum" && previous != "sl" && previous != "sr" && previous != "id") {
                EXPECT_TRUE(threeDecimals(word)) << word;
                ++count;
            }
            previous = word;
            word.clear();
        }
    }
    EXPECT_GT(count, 100);
}

TEST(Perception, StandingRobotReadsLikeTheRealOne) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.step(1);
    const std::string m = h.step(1);
    EXPECT_EQ(expression(m, "(ACC"), "(ACC (n torso) (a 0.000 0.000 9.810))");
    EXPECT_EQ(expression(m, "(GYR"), "(GYR (n torso) (rt 0.000 0.000 0.000))");
    EXPECT_EQ(expression(m, "(FRP (n rf)"), "(FRP (n rf) (c 0.000 -0.009 -0.010) (f 0.000 0.001 22.598))");
}

TEST(Perception, ClassicGameStateAndHear) {
    SimOptions o = testOptions();
    o.gsClassic = true;
    SimHarness h(o);
    ASSERT_TRUE(h.join(1, "VOR", 3));
    h.sim().receive(1, "(say hi)");
    std::string m = h.step(1);
    EXPECT_EQ(expression(m, "(GS"), "(GS (unum 3) (team left) (t 0.000) (pm BeforeKickOff))");
    EXPECT_NE(m.find("(hear 0.000 self hi)"), std::string::npos);
    EXPECT_EQ(expression(h.step(1), "(GS"), "(GS (t 0.000) (pm BeforeKickOff))");
}

// -------------------------------------------------------------- say / hear

TEST(SayHear, OthersHearTheDirectionInTheirTeamFrame) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "VOR", 2));
    ASSERT_TRUE(h.join(3, "OPP", 1));
    h.sim().receive(1, "(beam -1 -1 0)");
    h.sim().receive(2, "(beam -2 -2 0)");
    h.sim().receive(3, "(beam -1 -1 0)");  // world (1, 1)
    h.step(1);
    h.sim().receive(1, "(say go)");
    std::string forTeamMate, forOpponent;
    for (Outgoing& o : h.stepAll()) {
        if (o.clientId == 2) forTeamMate = o.text;
        if (o.clientId == 3) forOpponent = o.text;
    }
    EXPECT_NE(forTeamMate.find("(hear VOR 0.000 45.000 go)"), std::string::npos) << forTeamMate;
    // Speaker at (-1,-1), listener at (1,1): toward -x,-y in the world, which
    // is toward +x,+y in the right team's frame.
    EXPECT_NE(forOpponent.find("(hear VOR 0.000 45.000 go)"), std::string::npos) << forOpponent;
}

TEST(SayHear, LimitsOfLengthCharactersRangeAndRate) {
    SimOptions o = testOptions();
    o.fieldLength = 120;
    o.fieldWidth = 80;
    o.sayLimit = 20;
    SimHarness h(o);
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "VOR", 2));
    ASSERT_TRUE(h.join(3, "VOR", 3));
    h.sim().receive(1, "(beam -1 0 0)");
    h.sim().receive(2, "(beam -2 0 0)");
    h.sim().receive(3, "(beam -59 0 0)");  // 58 m away from the speaker
    h.step(1);
    h.sim().receive(1, "(say abcdefghijklmnopqrstu)");  // 21 characters
    EXPECT_EQ(h.step(1).find("(hear"), std::string::npos);
    EXPECT_EQ(h.sim().stats().saysDropped, 1);

    int heardBy2 = 0, heardBy3 = 0;
    for (int i = 0; i < 10; ++i) {
        h.sim().receive(1, "(say x" + std::to_string(i) + ")");
        for (Outgoing& out : h.stepAll()) {
            if (out.clientId == 2 && out.text.find("(hear VOR") != std::string::npos) ++heardBy2;
            if (out.clientId == 3 && out.text.find("(hear VOR") != std::string::npos) ++heardBy3;
        }
    }
    EXPECT_EQ(heardBy2, 5) << "one team-mate message per two cycles";
    EXPECT_EQ(heardBy3, 0) << "beyond 50 m";
}

TEST(Effectors, AFloodOfBadInputIsCountedButNotAllShown) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    std::string flood;
    for (int i = 0; i < 500; ++i) flood += "(he1 x)";
    h.sim().receive(1, flood);
    EXPECT_EQ(h.sim().stats().malformed, 500);
    const std::string log = h.console();
    EXPECT_EQ(static_cast<int>(std::count(log.begin(), log.end(), '\n')), 3 + Simulation::kMaxProblemLines + 1)
        << "connect, scene and join lines, the first problems, one closing note";

    std::string many;
    for (size_t i = 0; i < Robot::kMaxQueuedActions + 10; ++i) many += "(he2 0.1)";
    h.sim().receive(1, many);
    EXPECT_EQ(h.robot(1).pending.size(), Robot::kMaxQueuedActions) << "the queue of waiting commands is bounded";
    h.step(1);
    EXPECT_TRUE(h.robot(1).pending.empty());
}
