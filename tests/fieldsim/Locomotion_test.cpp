// The legs carry the robot: forward kinematics of the legs worked out by hand
// from the robot's figures, and scripted gaits sent as joint commands.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "BodyKinematics.h"
#include "FieldsimTestKit.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

// The sagittal leg with hip pitch h and knee k, from the hip anchor to the
// ankle axis: the thigh reaches the knee 0.005 forward and 0.12 down, the
// shank the ankle 0.1 down.
double legForward(double h, double k) {
    return 0.005 * std::cos(h * kDeg) + 0.12 * std::sin(h * kDeg) + 0.1 * std::sin((h + k) * kDeg);
}
double legDown(double h, double k) {
    return 0.12 * std::cos(h * kDeg) - 0.005 * std::sin(h * kDeg) + 0.1 * std::cos((h + k) * kDeg);
}

void expectNear(const Vec3& got, const Vec3& want, double tol, const std::string& what) {
    EXPECT_NEAR(got.x, want.x, tol) << what;
    EXPECT_NEAR(got.y, want.y, tol) << what;
    EXPECT_NEAR(got.z, want.z, tol) << what;
}

}  // namespace

TEST(LegKinematics, FootPositionsByHand) {
    // Right hip anchor (0.055, -0.01, -0.115); from it the foot centre lies
    // (0, 0.035, -0.26) at the zero pose.
    const Vec3 hip{0.055, -0.01, -0.115};
    struct Case {
        const char* name;
        std::vector<std::pair<int, double>> joints;  // degrees
        Vec3 foot;
    };
    const Case cases[] = {
        {"zero pose", {}, {0.055, 0.025, -0.375}},
        {"hip pitch 90: straight forward", {{NaoModel::RLJ3, 90}}, hip + Vec3{0, 0.26, 0.035}},
        {"knee -90: shank backward", {{NaoModel::RLJ4, -90}}, Vec3{0.055, -0.005, -0.235} + Vec3{0, -0.14, -0.03}},
        {"hip roll 20: inward", {{NaoModel::RLJ2, 20}}, hip + Vec3{-0.26 * std::sin(20 * kDeg), 0.035, -0.26 * std::cos(20 * kDeg)}},
        {"hip 30, knee -60, ankle 30: level, lifted",
         {{NaoModel::RLJ3, 30}, {NaoModel::RLJ4, -60}, {NaoModel::RLJ5, 30}},
         hip + Vec3{0, legForward(30, -60) + 0.03, -legDown(30, -60) - 0.04}},
    };
    for (const Case& c : cases) {
        JointAngles a{};
        for (const auto& [joint, deg] : c.joints) a[joint] = deg * kDeg;
        const Pose leg = BodyKinematics::chain(a, NaoModel::RLJ1, 6);
        expectNear(leg.apply(NaoModel::kRightFootCentre), c.foot, 1e-9, c.name);
        // The mirrored angles put the left foot at the mirrored place.
        JointAngles m{};
        for (const auto& [joint, deg] : c.joints) m[joint + 6] = (joint == NaoModel::RLJ2 ? -deg : deg) * kDeg;
        expectNear(BodyKinematics::chain(m, NaoModel::LLJ1, 6).apply(NaoModel::kLeftFootCentre),
                   {-c.foot.x, c.foot.y, c.foot.z}, 1e-9, c.name);
    }
}

TEST(Locomotion, AGaitSentOverTheNetworkWalksForwardByTheFeetsSweep) {
    ServerThread server;
    TestClient c(server.port());
    ASSERT_TRUE(c.sendFrame("(scene rsg/agent/nao/nao.rsg)(init (unum 1)(teamname VOR))"));
    Gait gait;
    std::optional<std::string> m = c.readFrame();
    ASSERT_TRUE(m);
    ASSERT_TRUE(c.sendFrame("(beam -3 0 0)"));
    for (int i = 0; i < 50; ++i) {  // into the gait's first posture, on both feet
        ASSERT_TRUE(m = c.readFrame());
        ASSERT_TRUE(c.sendFrame(commandsToward(gait.at(0), anglesIn(*m))));
    }
    ASSERT_TRUE(m = c.readFrame());
    // In lockstep the server waits for the answer: its state can be read meanwhile.
    const RobotBody& live = server.sim().world().robots().begin()->second.body;
    const double x0 = live.torso().pos.x;
    int rightOnly = 0, leftOnly = 0;
    std::vector<std::pair<double, double>> goalSeen;  // (seen distance, true x)
    for (int i = 1; i <= 200; ++i) {
        ASSERT_TRUE(c.sendFrame(commandsToward(gait.at(i * 0.02), anglesIn(*m))));
        ASSERT_TRUE(m = c.readFrame());
        const bool rf = !expression(*m, "(FRP (n rf)").empty(), lf = !expression(*m, "(FRP (n lf)").empty();
        rightOnly += rf && !lf;
        leftOnly += lf && !rf;
        const auto seen = seenObjects(*m);
        if (seen.count("G1R")) goalSeen.emplace_back(seen.at("G1R").d, live.torso().pos.x);
    }
    const RobotBody body = live;
    server.stop();
    ASSERT_EQ(body.state(), BodyState::Upright);
    // Ten gait cycles of two steps; in each the stance foot passes from C+A to C-A.
    const double step = legForward(gait.centre + gait.amplitude, gait.stanceKnee()) -
                        legForward(gait.centre - gait.amplitude, gait.stanceKnee());
    EXPECT_NEAR(body.torso().pos.x - x0, 20 * step, 0.15 * 20 * step);
    EXPECT_NEAR(body.torso().pos.y, 0.0, 0.05);
    EXPECT_NEAR(body.heading(), 0.0, 2.0);
    // The feet take turns carrying it; its camera sees the goal come nearer as it walks.
    EXPECT_GT(rightOnly, 20);
    EXPECT_GT(leftOnly, 20);
    ASSERT_GT(goalSeen.size(), 10u);
    EXPECT_NEAR(goalSeen.front().first - goalSeen.back().first, goalSeen.back().second - goalSeen.front().second, 0.05);
}

TEST(Locomotion, HipYawTurnsHipRollStepsSidewaysNoLegSwingStaysPut) {
    // Stepping in place (no hip pitch swing), four seconds: ten gait cycles.
    // Turning a standing foot outward by 20 degrees turns the body by
    // 20 sin 45 the other way (the yaw-pitch axis is 45 degrees from the
    // vertical); legs spread by a roll of 10 degrees over one stance and
    // closed over the other move it sideways by twice the leg's length
    // (hip roll axis to ankle roll axis) times sin 10.
    struct Case {
        const char* name;
        double yawRight, yawLeft, roll;
        double dHeading, dLeft;  // degrees counter-clockwise; metres to its left
    };
    const double leg = legDown(10, Gait().stanceKnee()) + 0.005;
    const Case cases[] = {
        {"right hip yaw", 20, 0, 0, 10 * 20 * std::sqrt(0.5), 0},
        {"left hip yaw", 0, 20, 0, -10 * 20 * std::sqrt(0.5), 0},
        {"hip roll", 0, 0, 10, 0, 10 * 2 * leg * std::sin(10 * kDeg)},
        {"in place", 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SimHarness h;
        Gait gait;
        gait.amplitude = 0.0;
        gait.yawRight = c.yawRight;
        gait.yawLeft = c.yawLeft;
        gait.roll = c.roll;
        RobotBody& body = standInGait(h, gait, -3.0, 0.0, 0.0);
        double gyroTurn = 0.0;
        walk(h, gait, 4.0, [&](const std::string& m) { gyroTurn += triple(expression(m, "(GYR"), "rt")[2] * 0.02; });
        ASSERT_EQ(body.state(), BodyState::Upright) << c.name;
        EXPECT_NEAR(body.heading(), c.dHeading, std::max(0.5, 0.25 * std::fabs(c.dHeading))) << c.name;
        EXPECT_NEAR(gyroTurn, body.heading(), std::max(0.5, 0.1 * std::fabs(c.dHeading))) << c.name << ": the gyro";
        const double onTheSpot = c.dHeading == 0.0 ? 0.01 : 0.1;
        EXPECT_NEAR(body.torso().pos.y, c.dLeft, std::max(onTheSpot, 0.15 * c.dLeft)) << c.name << " (its left is +y)";
        EXPECT_NEAR(body.torso().pos.x, -3.0, onTheSpot) << c.name;
    }
}

TEST(Locomotion, LegsSpreadEvenlyStandLevelOnBothSoleEdges) {
    // Neither sole can lie flat, and either foot alone would lift the other:
    // the body rests level on both soles' inner edges, no rocking.
    RobotBody body;
    body.place(0, 0, 0);
    for (int i = 1; i <= 10; ++i) {
        body.setAngle(NaoModel::RLJ2, -1.5 * i * kDeg);
        body.setAngle(NaoModel::LLJ2, 1.5 * i * kDeg);
        body.update(0.02);
        ASSERT_NEAR(body.roll(), 0.0, 1e-6) << i;
        ASSERT_TRUE(body.onBothFeet() && body.rightFoot().touching && body.leftFoot().touching) << i;
    }
    EXPECT_NEAR(body.torso().pos.x, 0.0, 1e-6);
}
