#include "utils/CommandCreator.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "geometry/Point.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "worldModel/WorldModel.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

CommandCreator* fresh() {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    cc->reset();
    return cc;
}

std::string text() { return CommandCreator::getUniqueInstance()->getPreparedCommand(); }

// Sets the angle the world model reports for a joint; shoulder X joints are
// sensed 90 degrees off their raw reading.
void setAngle(int id, float angle) {
    HingeJoint joint;
    joint.setAxis((id == DOF_SHOULDER_RX || id == DOF_SHOULDER_LX) ? angle - 90.0f : angle);
    WorldModel::getUniqueInstance()->setAHingeJoint(joint, id);
}

void setAllAngles(float angle) {
    for (int i = 0; i < DOF_COUNT; ++i) setAngle(i, angle);
}

TEST(CommandCreatorJoints, EachOperationAppendsItsEffectorWithSixDecimals) {
    using Op = void (CommandCreator::*)(float);
    const std::vector<std::pair<Op, const char*>> ops = {
        {&CommandCreator::moveHeadAx1, "he1"},       {&CommandCreator::moveHeadAx2, "he2"},
        {&CommandCreator::moveRShoulderAx1, "rae1"}, {&CommandCreator::moveRShoulderAx2, "rae2"},
        {&CommandCreator::rotateRShoulder, "rae3"},  {&CommandCreator::moveRElbow, "rae4"},
        {&CommandCreator::moveLShoulderAx1, "lae1"}, {&CommandCreator::moveLShoulderAx2, "lae2"},
        {&CommandCreator::rotateLShoulder, "lae3"},  {&CommandCreator::moveLElbow, "lae4"},
        {&CommandCreator::rotateRLeg, "rle1"},       {&CommandCreator::moveRLegAx1, "rle3"},
        {&CommandCreator::moveRLegAx2, "rle2"},      {&CommandCreator::moveRKnee, "rle4"},
        {&CommandCreator::moveRAnkleAx1, "rle5"},    {&CommandCreator::moveRAnkleAx2, "rle6"},
        {&CommandCreator::rotateLLeg, "lle1"},       {&CommandCreator::moveLLegAx1, "lle3"},
        {&CommandCreator::moveLLegAx2, "lle2"},      {&CommandCreator::moveLKnee, "lle4"},
        {&CommandCreator::moveLAnkleAx1, "lle5"},    {&CommandCreator::moveLAnkleAx2, "lle6"},
        {&CommandCreator::moveRLegAx2_1, "rle3"},    {&CommandCreator::moveRLegAx1_2, "rle2"},
        {&CommandCreator::moveLLegAx2_1, "lle3"},    {&CommandCreator::moveLLegAx1_2, "lle2"},
        {&CommandCreator::moveRightKnee, "rle4"},    {&CommandCreator::moveLeftKnee, "lle4"},
        {&CommandCreator::rotateRightLeg, "rle1"},   {&CommandCreator::rotateLeftLeg, "lle1"},
        {&CommandCreator::moveRightElbow, "rae4"},   {&CommandCreator::moveLeftElbow, "lae4"},
        {&CommandCreator::rotateRightHand, "rae3"},  {&CommandCreator::rotateLeftHand, "lae3"}};
    for (const auto& [op, name] : ops) {
        CommandCreator* cc = fresh();
        (cc->*op)(0.25f);
        EXPECT_EQ(text(), std::string("(") + name + " 0.250000)") << name;
    }

    CommandCreator* cc = fresh();
    cc->moveHeadAx1(1.5f);
    cc->moveLKnee(-2);
    cc->moveRKnee(-12.345678f);
    cc->moveRKnee(123456.7f);
    EXPECT_EQ(text(), "(he1 1.500000)(lle4 -2.000000)(rle4 -12.345678)(rle4 123456.703125)");
    // The widest float (46 characters) comes out whole; non-numbers become 0.
    fresh()->moveLKnee(-FLT_MAX);
    cc->moveHeadAx1(kNaN);
    cc->moveRightLeg(-kInf, kInf);
    EXPECT_EQ(text(),
              "(lle4 -340282346638528859811704183484516925440.000000)"
              "(he1 0.000000)(rle3 0.000000)(rle2 0.000000)");
    cc->reset();
    EXPECT_EQ(text(), "");
}

TEST(CommandCreatorJoints, PairsAndIndexedAccess) {
    CommandCreator* cc = fresh();
    cc->moveRightLeg(1, 2);
    cc->moveLeftLeg(3, 4);
    cc->moveRightAnkle(5, 6);
    cc->moveLeftAnkle(7, 8);
    cc->moveRightShoulder(9, 10);
    cc->moveLeftShoulder(11, 12);
    EXPECT_EQ(text(),
              "(rle3 1.000000)(rle2 2.000000)(lle3 3.000000)(lle2 4.000000)"
              "(rle5 5.000000)(rle6 6.000000)(lle5 7.000000)(lle6 8.000000)"
              "(rae1 9.000000)(rae2 10.000000)(lae1 11.000000)(lae2 12.000000)");

    // Slot i is the i-th joint the server reports, so the hip slots drive
    // the same effectors as the controllers (12 -> rle3, 11 -> rle2).
    fresh();
    for (int i = -1; i <= DOF_COUNT; ++i) cc->moveHingJoint(i, static_cast<float>(i));
    EXPECT_EQ(text(),
              "(he1 0.000000)(he2 1.000000)(rae1 2.000000)(rae2 3.000000)(rae3 4.000000)"
              "(rae4 5.000000)(lae1 6.000000)(lae2 7.000000)(lae3 8.000000)(lae4 9.000000)"
              "(rle1 10.000000)(rle2 11.000000)(rle3 12.000000)(rle4 13.000000)"
              "(rle5 14.000000)(rle6 15.000000)(lle1 16.000000)(lle2 17.000000)"
              "(lle3 18.000000)(lle4 19.000000)(lle5 20.000000)(lle6 21.000000)");

    fresh();
    ::testing::internal::CaptureStderr();
    for (int i = -1; i <= 6; ++i) cc->moveUniversalJoint(i, 1, 2);
    const std::string complaint =
        "!!!This index is not available in universaljoint number!!!\n"
        " you should select number between (0 -> 5)\n";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), complaint + complaint);
    EXPECT_EQ(text(),
              "(lae1 1.000000)(lae2 2.000000)(rae1 1.000000)(rae2 2.000000)"
              "(lle3 1.000000)(lle2 2.000000)(rle3 1.000000)(rle2 2.000000)"
              "(lle5 1.000000)(lle6 2.000000)(rle5 1.000000)(rle6 2.000000)");
}

TEST(CommandCreatorCommands, WholeTextCommands) {
    CommandCreator* cc = fresh();
    cc->moveHeadAx1(1);
    cc->stopAllJoints();
    const std::string zero =
        "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
        "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
        "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";
    ASSERT_EQ(zero.size(), 218u);
    EXPECT_EQ(text(), zero);
    cc->moveHeadAx1(1);
    EXPECT_EQ(text(), zero + "(he1 1.000000)");

    char team[] = "VOR";
    cc->init(7, team);
    EXPECT_EQ(text(), "(init (unum 7)(teamname VOR))");
    cc->beam(-0.5f, 4.0f, 0.6f);
    EXPECT_EQ(text(), "(beam -0.500000 4.000000 0.600000)");
    cc->moveHeadAx1(1);
    EXPECT_EQ(text(), "(beam -0.500000 4.000000 0.600000)(he1 1.000000)");
    cc->beam(Point(-3.25, 1.5, 90));
    EXPECT_EQ(text(), "(beam -3.250000 1.500000 90.000000)");
    // A beam to a place that is not a number is refused; the text stays.
    ::testing::internal::CaptureStderr();
    cc->beam(kNaN, 0, 0);
    cc->beam(Point(0, 1e300, 0));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(text(), "(beam -3.250000 1.500000 90.000000)");

    // An overlong team name is cut so that the brackets still close.
    cc->init(11, std::string(5000, 't').c_str());
    const std::string init = text();
    EXPECT_EQ(init.size(), CommandCreator::kCommandSize - 1);
    EXPECT_EQ(init.rfind("(init (unum 11)(teamname ttt", 0), 0u);
    EXPECT_EQ(init.substr(init.size() - 3), "t))");
}

TEST(CommandCreatorCommands, SayComposesPrefixTimeAndTextWithinItsArea) {
    WorldModel* wm = WorldModel::getUniqueInstance();
    CommandCreator* cc = fresh();
    wm->setTime(12.34);
    cc->moveHeadAx1(1);
    char word[] = "hello";
    cc->say(word);
    EXPECT_EQ(text(), "(say V_U_D_12.340000_hello)");
    wm->setTime(12345.5f);
    cc->say("abcdefghijklmn");  // the longest word the hearing side takes
    EXPECT_EQ(text(), "(say V_U_D_12345.500000_abcdefghijklmn)");

    wm->setTime(kNaN);
    cc->say("x");
    EXPECT_EQ(text(), "(say V_U_D_0.000000_x)");
    wm->setTime(1.0);
    const std::string inner = "V_U_D_1.000000_" + std::string(1000, 'w');
    cc->say(inner.c_str() + 15);
    EXPECT_EQ(text(), "(say " + inner.substr(0, CommandCreator::kSaySize - 1) + ")");
    wm->setTime(FLT_MAX);  // the widest time stamp still leaves the word whole
    cc->say("abcdefghijklmn");
    EXPECT_EQ(text(), "(say V_U_D_340282346638528859811704183484516925440.000000_abcdefghijklmn)");
}

TEST(CommandCreatorBound, TheTextStopsShortOf2048BytesWithWholeExpressions) {
    CommandCreator* cc = fresh();
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 200; ++i) cc->moveHeadAx1(1.5f);
    std::string full;
    while (full.size() + 14 <= CommandCreator::kCommandSize - 1) full += "(he1 1.500000)";
    EXPECT_EQ(text(), full);  // 146 expressions, 3 bytes left
    cc->pushCmd("abcd");
    EXPECT_EQ(text(), full);
    cc->pushCmd("abc");
    cc->pushCmd("x");
    cc->moveLKnee(1);
    EXPECT_EQ(text(), full + "abc");

    fresh()->pushCmd(std::string(3000, 'p').c_str());
    cc->pushCmd(nullptr);
    EXPECT_EQ(text(), "");
    const std::string exact(CommandCreator::kCommandSize - 1, 'q');
    cc->pushCmd(exact.c_str());
    EXPECT_EQ(text(), exact);
    cc->stopAllJoints();  // replaces, so it always fits
    EXPECT_EQ(text().size(), 218u);
    ::testing::internal::GetCapturedStderr();
}

const char kLegZeros[] =
    "(lle3 0.000000)(lle2 0.000000)(rle3 0.000000)(rle2 0.000000)(lle4 0.000000)"
    "(rle4 0.000000)(lle5 0.000000)(lle6 0.000000)(rle5 0.000000)(rle6 0.000000)";

TEST(CommandCreatorControllers, LegsGetProportionalSpeedsAndFarGroupsAreListed) {
    setAllAngles(10.0f);
    CommandCreator* cc = fresh();
    EXPECT_EQ(cc->SetLegsAngle(10, 10, 10, 10, 10, 10, 10, 10, 10, 10), "");
    EXPECT_EQ(text(), kLegZeros);

    setAllAngles(0.0f);
    setAngle(DOF_KNEE_L, 3.0f);
    fresh();
    EXPECT_EQ(cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, 0, 0, 0), "lknee,");
    EXPECT_EQ(text(),
              "(lle3 0.000000)(lle2 0.000000)(rle3 0.000000)(rle2 0.000000)(lle4 -0.300000)"
              "(rle4 0.000000)(lle5 0.000000)(lle6 0.000000)(rle5 0.000000)(rle6 0.000000)");

    // The sensed hip X (slot 12) drives rle3, the hip Y (slot 11) rle2.
    setAllAngles(0.0f);
    setAngle(DOF_LEG_RX, 5.0f);
    setAngle(DOF_LEG_RY, -20.0f);
    fresh();
    EXPECT_EQ(cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, -10, 0, 0), "rleg,");
    EXPECT_NE(text().find("(rle3 -0.500000)(rle2 1.000000)"), std::string::npos) << text();

    setAllAngles(30.0f);
    fresh();
    EXPECT_EQ(cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, 0, 0, 0), "lleg,rleg,lknee,rknee,lfoot,rfoot,");
    EXPECT_EQ(text(),
              "(lle3 -3.000000)(lle2 -3.000000)(rle3 -3.000000)(rle2 -3.000000)(lle4 -3.000000)"
              "(rle4 -3.000000)(lle5 -3.000000)(lle6 -3.000000)(rle5 -3.000000)(rle6 -3.000000)");
}

TEST(CommandCreatorControllers, LegThresholdsAreInclusive) {
    CommandCreator* cc = CommandCreator::getUniqueInstance();
    const auto legs = [cc](float x, float y) {
        setAngle(DOF_ANKLE_LX, x);
        setAngle(DOF_ANKLE_LY, y);
        cc->reset();
        return cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    };
    setAllAngles(0.0f);
    EXPECT_EQ(legs(0.5f, -0.5f), "");  // within tolerance: zero speeds
    EXPECT_EQ(text(), kLegZeros);
    EXPECT_EQ(legs(0.75f, 2.0f), "");  // moving, but within reach
    EXPECT_NE(text().find("(lle5 -0.075000)(lle6 -0.200000)"), std::string::npos);
    EXPECT_EQ(legs(0.0f, -2.5f), "lfoot,");  // one axis out of reach is enough
    EXPECT_NE(text().find("(lle5 -0.000000)(lle6 0.250000)"), std::string::npos);
}

TEST(CommandCreatorControllers, ArmsReportWhetherAllAreReached) {
    setAllAngles(0.0f);
    CommandCreator* cc = fresh();
    EXPECT_TRUE(cc->SetArmsAngle(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(text(),
              "(lae1 0.000000)(lae2 0.000000)(rae1 0.000000)(rae2 0.000000)"
              "(lae4 0.000000)(rae4 0.000000)");

    setAngle(DOF_SHOULDER_LX, 5.0f);
    setAngle(DOF_ELBOW_R, -1.0f);
    fresh();
    EXPECT_FALSE(cc->SetArmsAngle(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(text(),
              "(lae1 -0.500000)(lae2 -0.000000)(rae1 0.000000)(rae2 0.000000)"
              "(lae4 0.000000)(rae4 0.100000)");

    setAllAngles(0.0f);
    setAngle(DOF_SHOULDER_RY, 0.5f);
    EXPECT_TRUE(fresh()->SetArmsAngle(0, 0, 0, 0, 0, 0));
}

TEST(CommandCreatorControllers, BrokenReadingsNeverCountAsReached) {
    setAllAngles(0.0f);
    setAngle(DOF_KNEE_R, kNaN);
    setAngle(DOF_ELBOW_L, kInf);
    CommandCreator* cc = fresh();
    EXPECT_EQ(cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, 0, 0, 0), "rknee,");
    EXPECT_FALSE(cc->SetArmsAngle(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(text().find("nan"), std::string::npos);
    EXPECT_EQ(text().find("inf"), std::string::npos);
    EXPECT_NE(text().find("(rle4 0.000000)"), std::string::npos);
    EXPECT_NE(text().find("(lae4 0.000000)"), std::string::npos);
}

}  // namespace
