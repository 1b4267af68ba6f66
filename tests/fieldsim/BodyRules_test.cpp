// When robots fall by themselves: a torso tilted beyond 45 degrees, or the
// centre of mass outside the support for 0.3 s; and absurd or non-finite
// input that must never leave a broken pose behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "FieldsimTestKit.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

double tiltOf(const RobotBody& body) {
    return std::acos(std::clamp(body.torso().rot.column(2).z, -1.0, 1.0)) / kDeg;
}

void setPosture(RobotBody& body, const Posture& p) {
    for (int j = 0; j < 22; ++j) body.setAngle(j, p[j] * kDeg);
}

}  // namespace

TEST(FallRules, LeaningPastFortyFiveDegreesTopplesThatWay) {
    struct Case {
        const char* name;
        const char* speeds;  // both legs at full speed, every cycle
        double dx, dy;       // where the torso comes to lie; facing +x, its right is -y
    };
    const Case cases[] = {
        {"forward (ankles): on the front", "(rle5 6.1)(lle5 6.1)", 0.3, 0.0},
        {"backward (hips, ankles): on the back", "(rle3 -6)(lle3 -6)(rle5 -6)(lle5 -6)", -0.3, 0.0},
        {"to its right (hip and ankle rolls)", "(rle2 -6)(lle2 -6)(rle6 -6)(lle6 -6)", 0.0, -0.3},
    };
    for (const Case& c : cases) {
        SimHarness h;
        ASSERT_TRUE(h.join(1, "VOR", 1));
        RobotBody& body = h.robot(1).body;
        setPosture(body, standingPosture());
        body.place(1.0, 1.0, 0.0);
        for (int i = 0; i < 40 && body.state() == BodyState::Upright; ++i) {
            h.sim().receive(1, c.speeds);
            h.step(1);
            if (body.state() == BodyState::Upright) {
                ASSERT_LE(tiltOf(body), 45.0 + 1e-9) << c.name;
            }
        }
        h.steps(30);  // the fall runs its course
        if (c.dy == 0.0) {
            EXPECT_EQ(body.state(), c.dx > 0 ? BodyState::LyingFront : BodyState::LyingBack) << c.name;
            EXPECT_NEAR(body.heading(), 0.0, 1e-6) << c.name;
        } else {
            // Lying across its former heading, head toward where it fell.
            EXPECT_NE(body.state(), BodyState::Upright) << c.name;
            EXPECT_NEAR(std::fabs(body.heading()), 90.0, 1.0) << c.name;
        }
        EXPECT_NEAR(std::fabs(body.pitch()), 90.0, 1e-9) << c.name;
        EXPECT_NEAR(body.torso().pos.x - 1.0, c.dx, 0.06) << c.name;
        EXPECT_NEAR(body.torso().pos.y - 1.0, c.dy, 0.06) << c.name;
        EXPECT_NE(h.console().find("(left 1 VOR) fell onto its"), std::string::npos) << c.name;
        EXPECT_NE(h.console().find("(tilted beyond 45 degrees)"), std::string::npos) << c.name;
    }
}

TEST(FallRules, OffBalanceForThreeTenthsOfASecondFalls) {
    // On the left foot with the right one lifted, the centre of mass lies
    // between the feet, outside the left sole. Updates of 0.01 s.
    RobotBody body;
    const Posture standing = standingPosture();
    Posture lifted = standing;
    lifted[NaoModel::RLJ3] = 35;
    lifted[NaoModel::RLJ4] = -65;
    lifted[NaoModel::RLJ5] = 30;
    setPosture(body, standing);
    body.place(0.0, 0.0, 0.0);
    for (int round = 0; round < 2; ++round) {
        setPosture(body, lifted);
        for (int i = 0; i < 30; ++i) body.update(0.01);  // first found outside, then 0.29 s
        EXPECT_EQ(body.state(), BodyState::Upright) << round;
        EXPECT_NEAR(body.offBalanceFor(), 0.29, 1e-9);
        setPosture(body, standing);  // both feet down: the count starts over
        body.update(0.01);
        EXPECT_LT(body.offBalanceFor(), 0.0);
    }
    setPosture(body, lifted);
    for (int i = 0; i < 31; ++i) body.update(0.01);
    ASSERT_EQ(body.takeNewFall(), FallCause::Balance) << "0.30 s";
    // Toward its right, where the centre of mass hangs out; the lifted leg
    // brings it forward a little, so onto the front.
    EXPECT_EQ(body.state(), BodyState::LyingFront);
    for (int i = 0; i < 60; ++i) body.update(0.01);
    EXPECT_LT(body.torso().pos.y, -0.1);
    EXPECT_NEAR(body.heading(), -90.0, 25.0);
}

TEST(BadInput, AbsurdPosturesKnockOverAndNonFiniteValuesChangeNothing) {
    RobotBody body;
    setPosture(body, standingPosture());
    body.place(0, 0, 0);
    body.update(0.02);
    for (int j = NaoModel::RLJ1; j <= NaoModel::LLJ6; ++j) body.setAngle(j, (j % 2 ? 1 : -1) * 200 * kDeg);
    body.update(0.02);  // every leg joint flung to a limit within one cycle
    EXPECT_NE(body.state(), BodyState::Upright);
    EXPECT_NE(body.takeNewFall(), FallCause::None);

    const Vec3 before = body.torso().pos;
    const double inf = std::numeric_limits<double>::infinity();
    body.place(std::nan(""), 0, 0);
    body.place(0, inf, 0);
    EXPECT_FALSE(body.setVelocity(NaoModel::RLJ3, -inf));
    body.setAngle(NaoModel::RLJ3, inf);
    body.update(std::nan(""));
    body.shift(inf, 0);
    EXPECT_EQ(body.torso().pos.x, before.x);
    EXPECT_TRUE(body.torso().pos.isFinite() && body.gyro().isFinite() && body.accelerometer().isFinite());
}
