// When robots fall by themselves: a torso tilted beyond 45 degrees, or the
// centre of mass outside the support for 0.3 s; what a lying robot senses;
// and absurd or non-finite input that must never leave a broken pose behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "FieldsimTestKit.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

double tiltOf(const KinematicBody& body) {
    return std::acos(std::clamp(body.torso().rot.column(2).z, -1.0, 1.0)) / kDeg;
}

void setPosture(KinematicBody& body, const Posture& p) {
    for (int j = 0; j < 22; ++j) body.setAngle(j, p[j] * kDeg);
}

}  // namespace

TEST(FallRules, LeaningPastFortyFiveDegreesTopplesThatWay) {
    const struct {
        const char* speeds;  // both legs at full speed, every cycle
        double dx, dy;       // where the torso comes to lie; facing +x, its right is -y
        double heading;      // lying across its former heading when it fell sideways
    } cases[] = {
        {"(rle5 6.1)(lle5 6.1)", 0.3, 0.0, 0.0},                    // forward by the ankles
        {"(rle3 -6)(lle3 -6)(rle5 -6)(lle5 -6)", -0.3, 0.0, 0.0},  // backward by hips and ankles
        {"(rle2 -6)(lle2 -6)(rle6 -6)(lle6 -6)", 0.0, -0.3, 90.0},  // to its right by the rolls
    };
    for (const auto& c : cases) {
        SimHarness h;
        ASSERT_TRUE(h.join(1, "VOR", 1));
        KinematicBody& body = h.body(1);
        setPosture(body, standingPosture());
        body.place(-1.0, 1.0, 0.0);  // in its own half, where the referee leaves it before kick-off
        for (int i = 0; i < 40 && body.state() == BodyState::Upright; ++i) {
            h.sim().receive(1, c.speeds);
            h.step(1);
            ASSERT_TRUE(body.state() != BodyState::Upright || tiltOf(body) <= 45.0 + 1e-9) << c.speeds;
        }
        h.steps(30);  // the fall runs its course
        const BodyState lying = c.dx > 0 ? BodyState::LyingFront : BodyState::LyingBack;
        EXPECT_TRUE(c.dx == 0.0 ? body.state() != BodyState::Upright : body.state() == lying) << c.speeds;
        EXPECT_NEAR(std::fabs(body.heading()), c.heading, 1.0) << c.speeds;
        EXPECT_NEAR(std::fabs(body.pitch()), 90.0, 1e-9) << c.speeds;
        EXPECT_NEAR(body.torso().pos.x + 1.0, c.dx, 0.06) << c.speeds;
        EXPECT_NEAR(body.torso().pos.y - 1.0, c.dy, 0.06) << c.speeds;
        EXPECT_NE(h.console().find("(tilted beyond 45 degrees)"), std::string::npos) << c.speeds;
    }
}

namespace {

// Placed standing, then the right leg bent by these hip, knee and ankle
// pitches (degrees); the posture it was given.
Posture standOnLeftFoot(KinematicBody& body, double hip, double knee, double ankle) {
    Posture lifted = standingPosture();
    setPosture(body, lifted);
    body.place(0.0, 0.0, 0.0);
    lifted[NaoModel::RLJ3] = hip;
    lifted[NaoModel::RLJ4] = knee;
    lifted[NaoModel::RLJ5] = ankle;
    setPosture(body, lifted);
    return lifted;
}

}  // namespace

TEST(FallRules, OffBalanceForThreeTenthsOfASecondFalls) {
    // On the left foot with the right one lifted, the centre of mass lies
    // between the feet, outside the left sole. Updates of 0.01 s.
    KinematicBody body;
    const Posture standing = standingPosture();
    const Posture lifted = standOnLeftFoot(body, 35, -65, 30);
    for (int i = 0; i < 30; ++i) body.update(0.01);  // first found outside, then 0.29 s
    EXPECT_EQ(body.state(), BodyState::Upright);
    EXPECT_NEAR(body.offBalanceFor(), 0.29, 1e-9);
    setPosture(body, standing);  // both feet down: the count starts over
    body.update(0.01);
    EXPECT_LT(body.offBalanceFor(), 0.0);
    setPosture(body, lifted);
    for (int i = 0; i < 31; ++i) body.update(0.01);
    ASSERT_EQ(body.takeNewFall(), FallCause::Balance) << "0.30 s";
    // Toward its right, where the centre of mass hangs out; the lifted leg
    // brings it forward a little, so onto the front.
    EXPECT_EQ(body.state(), BodyState::LyingFront);
}

TEST(FallRules, WeightBesideTheSoleTipsOntoAFootJustAboveTheGround) {
    // The right foot a little off the ground: the body tips over the left
    // sole's edge onto it and rests on both, for good.
    KinematicBody body;
    standOnLeftFoot(body, 8, -16, 8);
    for (int i = 0; i < 100; ++i) body.update(0.01);
    EXPECT_EQ(body.takeNewFall(), FallCause::None);
    EXPECT_EQ(body.state(), BodyState::Upright);
    EXPECT_LT(body.offBalanceFor(), 0.0);
    EXPECT_GT(std::fabs(body.roll()), 1.0) << "leaning onto the lower foot";
    EXPECT_LT(std::fabs(body.roll()), KinematicBody::kMaxTipOntoFootDeg);
}

TEST(BadInput, AbsurdPosturesKnockOverAndNonFiniteValuesChangeNothing) {
    KinematicBody body;
    setPosture(body, standingPosture());
    body.place(0, 0, 0);
    body.update(0.02);
    for (int j = NaoModel::RLJ1; j <= NaoModel::LLJ6; ++j) body.setAngle(j, (j % 2 ? 1 : -1) * 200 * kDeg);
    body.update(0.02);  // every leg joint flung to a limit within one cycle
    EXPECT_NE(body.state(), BodyState::Upright);
    EXPECT_NE(body.takeNewFall(), FallCause::None);

    const Vec3 before = body.torso().pos;
    const double inf = std::numeric_limits<double>::infinity();
    body.place(std::nan(""), inf, 0);
    EXPECT_FALSE(body.setVelocity(NaoModel::RLJ3, -inf));
    body.setAngle(NaoModel::RLJ3, inf);
    body.update(std::nan(""));
    body.shift(inf, 0);
    EXPECT_EQ(body.torso().pos.x, before.x);
    EXPECT_TRUE(body.torso().pos.isFinite() && body.gyro().isFinite() && body.accelerometer().isFinite());
}

TEST(Falls, OnTheFrontTheAccelerometerAndTheToesReadAsOnTheRealServer) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.body(1).knockOver(true);
    h.steps(30);
    ASSERT_EQ(h.body(1).state(), BodyState::LyingFront);
    EXPECT_EQ(expression(h.step(1), "(ACC"), "(ACC (n torso) (a 0.000 -9.810 0.000))");
    int withToes = 0;
    for (int i = 0; i < 30; ++i) withToes += expression(h.step(1), "(FRP (n rf) (c 0.000 0.086 -0.020)") != "";
    EXPECT_EQ(withToes, 10) << "the toes touch in one message of three";
}
