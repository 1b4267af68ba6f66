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
CommandCreator* const cc = CommandCreator::getUniqueInstance();

std::string text() { return cc->getPreparedCommand(); }
bool has(const std::string& part) { return text().find(part) != std::string::npos; }

// Sets the angle the world model reports for a joint; shoulder X joints are
// sensed 90 degrees off their raw reading.
void setAngle(int id, float angle) {
    HingeJoint joint;
    joint.setAxis((id == DOF_SHOULDER_RX || id == DOF_SHOULDER_LX) ? angle - 90.0f : angle);
    WorldModel::getUniqueInstance()->setAHingeJoint(joint, id);
}

TEST(CommandCreator, EffectorTextsSlotsAndNonFiniteSpeeds) {
    cc->reset();
    cc->moveRLegAx1(0.25f);  // the swapped hip pair
    cc->moveRKnee(-12.345678f);
    // The widest float (46 characters) comes out whole; non-numbers become 0.
    cc->moveLKnee(-FLT_MAX);
    cc->moveHeadAx1(kNaN);
    cc->moveRightLeg(-kInf, kInf);
    EXPECT_EQ(text(), "(rle3 0.250000)(rle4 -12.345678)"
                      "(lle4 -340282346638528859811704183484516925440.000000)"
                      "(he1 0.000000)(rle3 0.000000)(rle2 0.000000)");
    // Slot i is the i-th joint the server reports (12 -> rle3, 11 -> rle2).
    cc->reset();
    ::testing::internal::CaptureStderr();
    for (int i : {-1, 11, 12, 21, static_cast<int>(DOF_COUNT)}) cc->moveHingJoint(i, float(i));
    for (int i : {-1, 0, 6}) cc->moveUniversalJoint(i, 1, 2);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(text(), "(rle2 11.000000)(rle3 12.000000)(lle6 21.000000)(lae1 1.000000)(lae2 2.000000)");
}

TEST(CommandCreator, WholeTextCommandsAndTheirBounds) {
    ::testing::internal::CaptureStderr();
    cc->moveHeadAx1(1);
    cc->stopAllJoints();
    EXPECT_EQ(text().size(), 218u);
    EXPECT_EQ(text().rfind("(he1 0.0)(he2 0.0)(rae1 0.0)", 0), 0u);
    cc->init(7, "VOR");
    EXPECT_EQ(text(), "(init (unum 7)(teamname VOR))");
    cc->beam(Point(-3.25, 1.5, 90));
    cc->beam(kNaN, 0, 0);  // refused: the text stays
    EXPECT_EQ(text(), "(beam -3.250000 1.500000 90.000000)");
    // An overlong team name is cut so that the brackets still close.
    cc->init(11, std::string(5000, 't').c_str());
    EXPECT_EQ(text().size(), CommandCreator::kCommandSize - 1);
    EXPECT_EQ(text().substr(text().size() - 3), "t))");
    // The time of a say is never "nan"; its text is cut to the say area.
    WorldModel::getUniqueInstance()->setTime(kNaN);
    const std::string inner = "V_U_D_0.000000_" + std::string(1000, 'w');
    cc->say(inner.c_str() + 15);
    EXPECT_EQ(text(), "(say " + inner.substr(0, CommandCreator::kSaySize - 1) + ")");
    // Whole expressions only, stopping short of 2048 bytes.
    cc->reset();
    for (int i = 0; i < 200; ++i) cc->moveHeadAx1(1.5f);
    std::string full;
    while (full.size() + 14 <= CommandCreator::kCommandSize - 1) full += "(he1 1.500000)";
    EXPECT_EQ(text(), full);  // 146 expressions, 3 bytes left
    cc->pushCmd("abcd");
    cc->pushCmd("abc");
    EXPECT_EQ(text(), full + "abc");
    cc->reset();
    cc->pushCmd(std::string(3000, 'p').c_str());
    EXPECT_EQ(text(), "");
    ::testing::internal::GetCapturedStderr();
}

TEST(CommandCreator, ControllerLabelsAndProportionalSpeeds) {
    for (int i = 0; i < DOF_COUNT; ++i) setAngle(i, 0.0f);
    setAngle(DOF_ANKLE_LX, 0.5f);  // within tolerance: zero speeds
    setAngle(DOF_ANKLE_LY, -0.5f);
    setAngle(DOF_LEG_RX, 5.0f);  // the sensed hip X (slot 12) drives rle3
    setAngle(DOF_LEG_RY, -20.0f);
    cc->reset();
    EXPECT_EQ(cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, -10, 0, 0), "rleg,");
    EXPECT_TRUE(has("(rle3 -0.500000)(rle2 1.000000)")) << text();
    EXPECT_TRUE(has("(lle5 0.000000)(lle6 0.000000)")) << text();
    for (int i = 0; i < DOF_COUNT; ++i) setAngle(i, 0.0f);
    setAngle(DOF_ANKLE_LY, -2.5f);  // one axis out of reach is enough
    setAngle(DOF_KNEE_R, kNaN);  // broken readings are never reached nor sent
    setAngle(DOF_ELBOW_L, kInf);
    cc->reset();
    EXPECT_EQ(cc->SetLegsAngle(0, 0, 0, 0, 0, 0, 0, 0, 0, 0), "rknee,lfoot,");
    EXPECT_TRUE(has("(lle6 0.250000)") && has("(rle4 0.000000)")) << text();
    EXPECT_FALSE(cc->SetArmsAngle(0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(has("nan") || has("inf"));
}

}  // namespace
