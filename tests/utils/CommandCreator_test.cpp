#include "utils/CommandCreator.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <string>

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
    // Spot checks of the effector names, including the swapped hip pair.
    CommandCreator* cc = fresh();
    cc->moveRLegAx1(0.25f);
    cc->moveRLegAx2_1(0.25f);
    EXPECT_EQ(text(), "(rle3 0.250000)(rle3 0.250000)");

    fresh();
    cc->moveRKnee(-12.345678f);
    cc->moveRKnee(123456.7f);
    EXPECT_EQ(text(), "(rle4 -12.345678)(rle4 123456.703125)");
    // The widest float (46 characters) comes out whole; non-numbers become 0.
    fresh()->moveLKnee(-FLT_MAX);
    cc->moveHeadAx1(kNaN);
    cc->moveRightLeg(-kInf, kInf);
    EXPECT_EQ(text(),
              "(lle4 -340282346638528859811704183484516925440.000000)"
              "(he1 0.000000)(rle3 0.000000)(rle2 0.000000)");
}

TEST(CommandCreatorJoints, PairsAndIndexedAccess) {
    CommandCreator* cc = fresh();
    // Slot i is the i-th joint the server reports, so the hip slots drive
    // the same effectors as the controllers (12 -> rle3, 11 -> rle2).
    for (int i : {-1, 0, 11, 12, 21, static_cast<int>(DOF_COUNT)}) cc->moveHingJoint(i, static_cast<float>(i));
    EXPECT_EQ(text(), "(he1 0.000000)(rle2 11.000000)(rle3 12.000000)(lle6 21.000000)");

    fresh();
    ::testing::internal::CaptureStderr();
    for (int i : {-1, 0, 5, 6}) cc->moveUniversalJoint(i, 1, 2);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(text(), "(lae1 1.000000)(lae2 2.000000)(rle5 1.000000)(rle6 2.000000)");
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

    wm->setTime(kNaN);
    cc->say("x");
    EXPECT_EQ(text(), "(say V_U_D_0.000000_x)");
    wm->setTime(1.0);
    const std::string inner = "V_U_D_1.000000_" + std::string(1000, 'w');
    cc->say(inner.c_str() + 15);
    EXPECT_EQ(text(), "(say " + inner.substr(0, CommandCreator::kSaySize - 1) + ")");
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
    cc->moveLKnee(1);
    EXPECT_EQ(text(), full + "abc");

    fresh()->pushCmd(std::string(3000, 'p').c_str());
    EXPECT_EQ(text(), "");
    const std::string exact(CommandCreator::kCommandSize - 1, 'q');
    cc->pushCmd(exact.c_str());
    EXPECT_EQ(text(), exact);
    ::testing::internal::GetCapturedStderr();
}

TEST(CommandCreatorControllers, LegsGetProportionalSpeedsAndFarGroupsAreListed) {
    CommandCreator* cc = fresh();
    // The sensed hip X (slot 12) drives rle3, the hip Y (slot 11) rle2.
    setAllAngles(0.0f);
    setAngle(DOF_LEG_RX, 5.0f);
    setAngle(DOF_LEG_RY, -20.0f);
    fresh();
    EXPECT_EQ(cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, -10, 0, 0), "rleg,");
    EXPECT_NE(text().find("(rle3 -0.500000)(rle2 1.000000)"), std::string::npos) << text();
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
    EXPECT_NE(text().find("(lle5 0.000000)(lle6 0.000000)"), std::string::npos);
    EXPECT_EQ(legs(0.75f, 2.0f), "");  // moving, but within reach
    EXPECT_NE(text().find("(lle5 -0.075000)(lle6 -0.200000)"), std::string::npos);
    EXPECT_EQ(legs(0.0f, -2.5f), "lfoot,");  // one axis out of reach is enough
    EXPECT_NE(text().find("(lle5 -0.000000)(lle6 0.250000)"), std::string::npos);
}

TEST(CommandCreatorControllers, BrokenReadingsNeverCountAsReached) {
    setAllAngles(0.0f);
    setAngle(DOF_KNEE_R, kNaN);
    setAngle(DOF_ELBOW_L, kInf);
    CommandCreator* cc = fresh();
    EXPECT_EQ(cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, 0, 0, 0), "rknee,");
    EXPECT_FALSE(cc->SetArmsAngle(0, 0, 0, 0, 0, 0));
    EXPECT_TRUE(text().find("nan") == std::string::npos && text().find("inf") == std::string::npos);
    EXPECT_NE(text().find("(rle4 0.000000)"), std::string::npos);
}

}  // namespace
