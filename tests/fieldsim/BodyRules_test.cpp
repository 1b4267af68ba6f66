// When robots fall by themselves: a torso tilted beyond 45 degrees, the
// centre of mass outside the support for 0.3 s, an absurd jump of the pose;
// and bad input that must never leave a broken pose behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "FieldsimTestKit.h"
#include "RobotBody.h"
#include "SupportArea.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

void standingPose(RobotBody& body) {
    const Posture p = standingPosture();
    for (int j = 0; j < 22; ++j) body.setAngle(j, p[j] * kDeg);
}

double tiltOf(const RobotBody& body) {
    return std::acos(std::clamp(body.torso().rot.column(2).z, -1.0, 1.0)) / kDeg;
}

// Sends the same joint speeds every cycle until the robot lies (at most
// `limit` cycles); checks that it never stands tilted beyond 45 degrees.
void leanUntilFallen(SimHarness& h, const std::string& speeds, int limit = 40) {
    RobotBody& body = h.robot(1).body;
    for (int i = 0; i < limit && body.state() == BodyState::Upright; ++i) {
        h.sim().receive(1, speeds);
        h.step(1);
        if (body.state() == BodyState::Upright) {
            EXPECT_LE(tiltOf(body), 45.0 + 1e-9);
        }
    }
    h.steps(30);  // the fall runs its course
}

}  // namespace

// ---------------------------------------------------------------- tilting

TEST(FallRules, LeaningPastFortyFiveDegreesTopplesThatWay) {
    struct Case {
        const char* name;
        const char* speeds;  // both legs, full speed
        BodyState lying;
        double dx, dy;  // where the torso comes to lie, facing +x
    };
    const Case cases[] = {
        {"forward (ankles)", "(rle5 6.1)(lle5 6.1)", BodyState::LyingFront, 0.3, 0.0},
        {"backward (hips and ankles)", "(rle3 -6)(lle3 -6)(rle5 -6)(lle5 -6)", BodyState::LyingBack, -0.3, 0.0},
        {"to its right (hip and ankle rolls)", "(rle2 -6)(lle2 -6)(rle6 -6)(lle6 -6)", BodyState::LyingFront, 0.0,
         -0.3},
    };
    for (const Case& c : cases) {
        SimHarness h;
        ASSERT_TRUE(h.join(1, "VOR", 1));
        RobotBody& body = h.robot(1).body;
        standingPose(body);
        body.place(1.0, 1.0, 0.0);
        leanUntilFallen(h, c.speeds);
        const bool sideways = c.dy != 0.0;
        if (sideways) {
            // Lying across its former heading, on the front or the back as
            // its lean forward or back says.
            EXPECT_NE(body.state(), BodyState::Upright) << c.name;
            EXPECT_NEAR(std::fabs(body.heading()), 90.0, 1.0) << c.name;
        } else {
            EXPECT_EQ(body.state(), c.lying) << c.name;
            EXPECT_NEAR(body.heading(), 0.0, 1e-6) << c.name;
        }
        EXPECT_NEAR(std::fabs(body.pitch()), 90.0, 1e-9) << c.name;
        EXPECT_NEAR(body.torso().pos.x - 1.0, c.dx, 0.06) << c.name;
        EXPECT_NEAR(body.torso().pos.y - 1.0, c.dy, 0.06) << c.name;
        EXPECT_NE(h.console().find("(left 1 VOR) fell onto its"), std::string::npos) << c.name;
        EXPECT_NE(h.console().find("(tilted beyond 45 degrees)"), std::string::npos) << c.name;
    }
}

// -------------------------------------------------------------- balance

TEST(FallRules, OffBalanceForThreeTenthsOfASecondFalls) {
    // Standing on the left foot with the right one lifted, the centre of
    // mass lies between the feet, outside the left sole.
    RobotBody body;
    standingPose(body);
    body.place(0.0, 0.0, 0.0);
    const auto liftRight = [&](bool up) {
        body.setAngle(NaoModel::RLJ3, (up ? 35 : 11) * kDeg);
        body.setAngle(NaoModel::RLJ4, (up ? -65 : -29) * kDeg);
        body.setAngle(NaoModel::RLJ5, (up ? 30 : 18) * kDeg);
    };
    const double dt = 0.01;
    liftRight(true);
    body.update(dt);  // first found outside
    ASSERT_FALSE(body.support().contains(body.centreOfMass()));
    for (int i = 0; i < 29; ++i) body.update(dt);  // 0.29 s outside
    EXPECT_EQ(body.state(), BodyState::Upright);
    EXPECT_NEAR(body.offBalanceFor(), 0.29, 1e-9);

    liftRight(false);  // both feet down: back inside, the count starts over
    body.update(dt);
    EXPECT_LT(body.offBalanceFor(), 0.0);
    liftRight(true);
    for (int i = 0; i < 30; ++i) body.update(dt);
    EXPECT_EQ(body.state(), BodyState::Upright) << "0.29 s again";
    body.update(dt);
    ASSERT_EQ(body.takeNewFall(), FallCause::Balance) << "0.30 s";
    // Toward its right, where the centre of mass hangs; the lifted leg
    // brings it forward too, so onto the front.
    EXPECT_EQ(body.state(), BodyState::LyingFront);
    for (int i = 0; i < 60; ++i) body.update(dt);
    EXPECT_LT(body.torso().pos.y, -0.1);
    EXPECT_NEAR(body.heading(), -90.0, 25.0);
}

TEST(FallRules, SupportAreaIsTheHullOfTheSolesOnTheGround) {
    SupportArea a;
    for (const Vec3& p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}, Vec3{0, 1, 0}, Vec3{0.5, 0.5, 0}}) a.add(p);
    a.build();
    EXPECT_EQ(a.hull().size(), 4u);
    EXPECT_TRUE(a.contains({0.5, 0.2, 0}));
    EXPECT_TRUE(a.contains({1.0, 0.5, 0})) << "the edge counts";
    EXPECT_FALSE(a.contains({1.01, 0.5, 0}));
    const Vec3 n = a.nearest({2.0, 0.5, 0});
    EXPECT_NEAR(n.x, 1.0, 1e-12);
    EXPECT_NEAR(n.y, 0.5, 1e-12);
    SupportArea line;
    line.add({0, 0, 0});
    line.add({1, 0, 0});
    line.build();
    EXPECT_FALSE(line.contains({0.5, 0, 0})) << "no area, no support";

    // Standing on both soles: the hull spans both feet, 0.19 m across.
    RobotBody body;
    body.place(0, 0, 0);
    double minY = 1e9, maxY = -1e9;
    for (const Vec3& p : body.support().hull()) minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    EXPECT_NEAR(maxY - minY, 0.19, 1e-9);
    EXPECT_TRUE(body.support().contains(body.centreOfMass()));
}

// ------------------------------------------------------------- bad input

TEST(BadInput, AbsurdPosturesKnockTheRobotOverAndNeverBreakThePose) {
    // Every leg joint flung to a limit within one cycle.
    RobotBody body;
    standingPose(body);
    body.place(0, 0, 0);
    body.update(0.02);
    for (int j = NaoModel::RLJ1; j <= NaoModel::LLJ6; ++j) {
        body.setAngle(j, (j % 2 ? 1 : -1) * 200 * kDeg);
    }
    body.update(0.02);
    EXPECT_NE(body.state(), BodyState::Upright);
    EXPECT_NE(body.takeNewFall(), FallCause::None);
    EXPECT_TRUE(body.torso().pos.isFinite());

    // Values that are not numbers change nothing.
    const Vec3 before = body.torso().pos;
    body.place(std::nan(""), 0, 0);
    body.place(0, std::numeric_limits<double>::infinity(), 0);
    EXPECT_FALSE(body.setVelocity(NaoModel::RLJ3, std::nan("")));
    body.setAngle(NaoModel::RLJ3, std::numeric_limits<double>::infinity());
    body.update(std::nan(""));
    EXPECT_EQ(body.torso().pos.x, before.x);
    EXPECT_TRUE(body.torso().pos.isFinite());
}

TEST(BadInput, RandomCommandsFromManyRobotsKeepEveryPoseSound) {
    SimHarness h;
    for (int id = 1; id <= 4; ++id) ASSERT_TRUE(h.join(id, id <= 2 ? "VOR" : "OPP", id));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> speed(-12.0, 12.0);
    const char* junk[] = {"nan", "inf", "-inf", "1e400", "1e308", "-1e308", "0x1p3", ""};
    Scenario s;
    std::string error;
    ASSERT_TRUE(Scenario::parse("cycle:10 place-robot left 1 1e300 -1e300 1e300\ncycle:20 place-ball 1e300 3\n", s,
                                error))
        << error;
    h.sim().setScenario(s);
    int falls = 0;
    for (int cycle = 0; cycle < 3000; ++cycle) {
        for (int id = 1; id <= 4; ++id) {
            std::string m;
            const int n = 1 + static_cast<int>(rng() % 8);
            for (int k = 0; k < n; ++k) {
                const int joint = static_cast<int>(rng() % 22);
                m += "(" + std::string(NaoModel::joint(joint).effector) + " ";
                if (rng() % 20 == 0) {
                    m += junk[rng() % 8];
                } else {
                    m += std::to_string(speed(rng));
                }
                m += ")";
            }
            if (rng() % 200 == 0) m += "(beam 1e308 -1e308 1e308)";
            h.sim().receive(id, m);
        }
        h.stepAll();
        for (auto& [id, robot] : h.sim().world().robots()) {
            const RobotBody& b = robot.body;
            ASSERT_TRUE(b.torso().pos.isFinite()) << cycle;
            ASSERT_TRUE(std::isfinite(b.heading()) && std::isfinite(b.pitch()) && std::isfinite(b.roll())) << cycle;
            ASSERT_TRUE(b.gyro().isFinite() && b.accelerometer().isFinite()) << cycle;
            if (b.state() == BodyState::Upright) {
                ASSERT_LE(tiltOf(b), 45.0 + 1e-9) << cycle;
            }
            // The walls keep every robot near the field.
            ASSERT_LE(std::fabs(b.torso().pos.x), 7.0) << cycle;
            ASSERT_LE(std::fabs(b.torso().pos.y), 5.0) << cycle;
            falls += b.isFalling() ? 1 : 0;
        }
        ASSERT_TRUE(h.sim().world().ball().position().isFinite());
        ASSERT_FALSE(hasNonFinite(TruthLog::format(cycle, h.sim().now(), h.sim().rules(), h.sim().world())));
    }
    EXPECT_GT(falls, 0) << "flailing legs topple robots";
}
