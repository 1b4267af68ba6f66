// The side step: its ten leg commands on the first cycle worked out by hand
// for each side, the follower's dead band and clip, a gait without
// parameters, and the twelve trace files written when the skill goes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "objects/Ball.h"
#include "objects/HingeJoint.h"
#include "skills/lowLevelSkills/BSWalk.h"
#include "support/ChildProcess.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr double kLimit = 6.1395447;
// Roll 20 limited to 10, pitch 10 above 5, knee 20 below -10, the second
// hip half a cycle late, 1 s cycle.
const double kGait[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, 0.5, 1.0};

const char* const kTraceFiles[12] = {
    "RightLegX.txt",      "LeftLegX.txt",       "RightLegY.txt",      "LeftLegY.txt",
    "RightKnee.txt",      "LeftKnee.txt",       "RightLegRotate.txt", "LeftLegRotate.txt",
    "RightLegAnkleX.txt", "LeftLegAnkleX.txt",  "RightLegAnkleY.txt", "LeftLegAnkleY.txt"};

WorldModel* wm() { return WorldModel::getUniqueInstance(); }
CommandCreator* cc() { return CommandCreator::getUniqueInstance(); }

void senseJoint(int i, double angle) {
    HingeJoint hj;
    hj.setAxis(static_cast<float>(angle));
    wm()->setAHingeJoint(hj, i);
}

void setBallUnseenFor(double seconds) {
    Ball b;
    b.setLastTimeSeenBall(wm()->getTime() - seconds);
    wm()->setBall(b);
    wm()->setLastTime();
    wm()->setDeltaTime();
}

std::vector<std::pair<std::string, double>> parse(const std::string& text) {
    std::vector<std::pair<std::string, double>> out;
    std::size_t pos = 0;
    while ((pos = text.find('(', pos)) != std::string::npos) {
        const std::size_t space = text.find(' ', pos);
        const std::size_t close = text.find(')', pos);
        if (space == std::string::npos || close == std::string::npos) break;
        out.emplace_back(text.substr(pos + 1, space - pos - 1),
                         std::strtod(text.c_str() + space + 1, nullptr));
        pos = close;
    }
    return out;
}

// Runs the skill inside a fresh working directory, so its traces land there.
class BSWalkTest : public testing::Test {
protected:
    void SetUp() override {
        original = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        wm()->setTime(5.0f);
        for (int i = 0; i < DOF_COUNT; ++i) senseJoint(i, 0);
    }
    void TearDown() override { std::filesystem::current_path(original); }

    std::string runOnce(BSWalk& walk, bool* result = nullptr) {
        cc()->reset();
        const bool r = walk.run();
        if (result != nullptr) *result = r;
        return cc()->getPreparedCommand();
    }

    void expectCommands(const std::string& text,
                        const std::vector<std::pair<std::string, double>>& expected) {
        const auto sent = parse(text);
        ASSERT_EQ(sent.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(expected[i].first);
            EXPECT_EQ(sent[i].first, expected[i].first);
            EXPECT_NEAR(sent[i].second, expected[i].second, 2e-5);
        }
    }

    TempDir dir;
    std::filesystem::path original;
};

}  // namespace

TEST_F(BSWalkTest, SteppingLeftDrivesTenLegJoints) {
    senseJoint(DOF_KNEE_R, -8);
    senseJoint(DOF_KNEE_L, -12);
    BSWalk walk(BesideLeft);
    walk.setOscParameters(kGait);
    bool result = false;
    const std::string text = runOnce(walk, &result);
    EXPECT_TRUE(result);
    EXPECT_FALSE(walk.isFinished());
    // Phase 0.02 s: the right hip rolls -20 sin(0.04 pi) = -2.506665, the
    // left waits; pitch 5 / 6.253332, knees -10 / -12.506665.
    expectCommands(text, {{"rle3", 3.5714286},
                          {"lle3", 4.466666},
                          {"rle2", -1.7904748},
                          {"lle2", 0.0},
                          {"rle4", -1.4285714},
                          {"lle4", -0.3619036},
                          {"rle5", 3.5714286},
                          {"lle5", 4.466666},
                          {"rle6", 0.0},
                          {"lle6", -1.7904748}});
    EXPECT_EQ(walk.getSkillID(), SKILL_BESIDE_WALK);
}

TEST_F(BSWalkTest, SteppingRightMirrorsTheLegs) {
    BSWalk walk(BesideRight);
    walk.setOscParameters(kGait);
    expectCommands(runOnce(walk), {{"rle3", 4.4666653},
                                   {"lle3", 3.5714286},
                                   {"rle2", 0.0},
                                   {"lle2", 1.7904748},
                                   {"rle4", -kLimit},
                                   {"lle4", -kLimit},
                                   {"rle5", 4.4666653},
                                   {"lle5", 3.5714286},
                                   {"rle6", 1.7904748},
                                   {"lle6", 0.0}});
}

TEST_F(BSWalkTest, FollowerHasADeadBandAndAClip) {
    const BSWalk walk(BesideLeft);
    EXPECT_DOUBLE_EQ(walk.predictEffector(0, 7), 5.0);
    EXPECT_NEAR(walk.predictEffector(0, 8.59), 6.1357143, 1e-6);
    EXPECT_DOUBLE_EQ(walk.predictEffector(0, 8.6), kLimit);
    EXPECT_DOUBLE_EQ(walk.predictEffector(0, -9), -kLimit);
    EXPECT_EQ(walk.predictEffector(1, 1.005), 0.0);
    EXPECT_EQ(walk.predictEffector(std::numeric_limits<double>::quiet_NaN(), 0), 0.0);
    EXPECT_EQ(walk.predictEffector(0, std::numeric_limits<double>::infinity()), 0.0);
}

TEST_F(BSWalkTest, WithoutParametersTheLegsHoldStill) {
    BSWalk walk(BesideLeft);
    walk.setOscParameters(nullptr);
    const auto sent = parse(runOnce(walk));
    ASSERT_EQ(sent.size(), 10u);
    for (const auto& [name, value] : sent) EXPECT_EQ(value, 0.0) << name;

    // A delay of a whole cycle leaves no time to roll; nothing is undefined.
    const double late[8] = {20.0, 0.5, 10.0, 5.0, -20.0, -10.0, 1.0, 1.0};
    walk.setOscParameters(late);
    senseJoint(DOF_LEG_RY, std::numeric_limits<double>::quiet_NaN());
    const std::string text = runOnce(walk);
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
    EXPECT_EQ(parse(text)[2].second, 0.0);
}

TEST_F(BSWalkTest, TracesRecordTargetSensedAngleAndPhase) {
    {
        setBallUnseenFor(5.0);  // the phase is paced by the cycle, not the ball
        BSWalk walk(BesideLeft);
        walk.setOscParameters(kGait);
        senseJoint(DOF_KNEE_R, -12.5);
        runOnce(walk);
        wm()->setTime(5.02f);
        setBallUnseenFor(5.02);
        runOnce(walk);
        // Opened, but written only when the skill goes.
        for (const char* name : kTraceFiles) {
            EXPECT_TRUE(std::filesystem::exists(std::string("log/turnAnalize/") + name)) << name;
        }
        EXPECT_EQ(readWholeFile("log/turnAnalize/RightKnee.txt"), "");
    }
    const std::string knee = readWholeFile("log/turnAnalize/RightKnee.txt");
    EXPECT_EQ(knee.rfind("2\n[-10 \t", 0), 0u) << knee;
    EXPECT_NE(knee.find("];\n[-12.5 \t-12.5 \t];\n"), std::string::npos) << knee;
    EXPECT_NE(knee.find("[0.02 \t0.04 \t];\n\n"), std::string::npos) << knee;
    // The hip-yaw joints are not driven: their traces stay empty.
    EXPECT_EQ(readWholeFile("log/turnAnalize/LeftLegRotate.txt"), "0\n[];\n[];\n[];\n\n");
    EXPECT_EQ(readWholeFile("log/turnAnalize/RightLegRotate.txt"), "0\n[];\n[];\n[];\n\n");
    EXPECT_EQ(readWholeFile("log/turnAnalize/LeftLegAnkleY.txt").rfind("2\n", 0), 0u);
}
