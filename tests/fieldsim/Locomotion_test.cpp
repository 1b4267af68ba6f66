// The legs carry the robot: forward kinematics of the legs worked out by hand
// from the robot's figures, and scripted gaits sent as joint commands that
// walk it forward, turn it, step it sideways, or (stepping in place) leave
// it where it stands.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "BodyKinematics.h"
#include "FieldsimTestKit.h"
#include "RobotBody.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

// Leg figures: hip anchor (0.055, -0.01, -0.115); the thigh reaches the knee
// 0.005 forward and 0.12 down, the shank the ankle 0.1 down, the foot centre
// lies 0.03 forward and 0.04 below the ankle pitch axis.
const Vec3 kRightHip{0.055, -0.01, -0.115};

Vec3 rightFootCentre(const JointAngles& a) {
    return BodyKinematics::chain(a, NaoModel::RLJ1, 6).apply(NaoModel::kRightFootCentre);
}

void expectNear(const Vec3& got, const Vec3& want, double tol = 1e-9) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
}

// The sagittal leg with hip pitch h and knee k: forward and downward reach
// from the hip anchor to the ankle pitch axis.
double legForward(double hDeg, double kDeg_) {
    return 0.005 * std::cos(hDeg * kDeg) + 0.12 * std::sin(hDeg * kDeg) + 0.1 * std::sin((hDeg + kDeg_) * kDeg);
}
double legDown(double hDeg, double kDeg_) {
    return 0.12 * std::cos(hDeg * kDeg) - 0.005 * std::sin(hDeg * kDeg) + 0.1 * std::cos((hDeg + kDeg_) * kDeg);
}

// Hip travel of one step of the gait: the stance foot passes from C+A to C-A.
double stepLength(const Gait& gait) {
    const double k0 = gait.stanceKnee();
    return legForward(gait.centre + gait.amplitude, k0) - legForward(gait.centre - gait.amplitude, k0);
}

}  // namespace

// -------------------------------------------------------- leg kinematics

TEST(LegKinematics, FootPositionsByHand) {
    JointAngles a{};
    expectNear(rightFootCentre(a), {0.055, 0.025, -0.375});

    // Hip pitch 90: the leg points straight forward. From the hip anchor the
    // foot centre lies (0, 0.035, -0.26); turned by +90 about x it is (0, 0.26, 0.035).
    a[NaoModel::RLJ3] = 90 * kDeg;
    expectNear(rightFootCentre(a), kRightHip + Vec3{0.0, 0.26, 0.035});

    // Knee -90: the shank points backward. From the knee anchor (0.055,
    // -0.005, -0.235) the foot centre lies (0, 0.03, -0.14), turned by -90.
    a = {};
    a[NaoModel::RLJ4] = -90 * kDeg;
    expectNear(rightFootCentre(a), Vec3{0.055, -0.005, -0.235} + Vec3{0.0, -0.14, -0.03});

    // Hip roll +20 (about the forward axis) swings the right foot inward.
    a = {};
    a[NaoModel::RLJ2] = 20 * kDeg;
    expectNear(rightFootCentre(a),
               kRightHip + Vec3{-0.26 * std::sin(20 * kDeg), 0.035, -0.26 * std::cos(20 * kDeg)});

    // Hip 30, knee -60, ankle 30: the sole stays level, the foot rises.
    a = {};
    a[NaoModel::RLJ3] = 30 * kDeg;
    a[NaoModel::RLJ4] = -60 * kDeg;
    a[NaoModel::RLJ5] = 30 * kDeg;
    const Vec3 ankle = kRightHip + Vec3{0.0, legForward(30, -60), -legDown(30, -60)};
    expectNear(rightFootCentre(a), ankle + Vec3{0.0, 0.03, -0.04});
    expectNear(BodyKinematics::chain(a, NaoModel::RLJ1, 6).rot * Vec3{0, 0, 1}, {0, 0, 1});

    // The left leg mirrors the right one for pitch joints and the yaw-pitch.
    a = {};
    a[NaoModel::RLJ1] = a[NaoModel::LLJ1] = -40 * kDeg;
    a[NaoModel::RLJ3] = a[NaoModel::LLJ3] = 25 * kDeg;
    const Vec3 r = rightFootCentre(a);
    const Vec3 l = BodyKinematics::chain(a, NaoModel::LLJ1, 6).apply(NaoModel::kLeftFootCentre);
    expectNear(l, {-r.x, r.y, r.z}, 1e-12);
}

TEST(LegKinematics, CentreOfMassFromTheBodyTable) {
    // Masses and zero-pose centres (right side; the left mirrors x).
    struct Part {
        double m, x, y, z;
    };
    const Part centre[] = {{1.2171, 0, 0, 0}, {0.05, 0, 0, 0.09}, {0.35, 0, 0, 0.155}};
    const Part side[] = {{0.07, 0.098, 0, 0.075},       {0.15, 0.108, 0.02, 0.075},    {0.035, 0.098, 0.09, 0.084},
                         {0.2, 0.098, 0.14, 0.084},     {0.09, 0.055, -0.01, -0.115},  {0.125, 0.055, -0.01, -0.115},
                         {0.275, 0.055, 0, -0.155},     {0.225, 0.055, 0.005, -0.28}, {0.125, 0.055, -0.005, -0.335},
                         {0.2, 0.055, 0.025, -0.375}};
    double m = 0, y = 0, z = 0;
    for (const Part& p : centre) m += p.m, y += p.m * p.y, z += p.m * p.z;
    for (const Part& p : side) m += 2 * p.m, y += 2 * p.m * p.y, z += 2 * p.m * p.z;
    EXPECT_NEAR(m, 4.6071, 1e-12);
    JointAngles a{};
    const Vec3 com = BodyKinematics::centreOfMass(a);
    expectNear(com, {0.0, y / m, z / m}, 1e-12);

    // Arms hanging down move the forearms' mass from in front to below.
    a[NaoModel::RAJ1] = a[NaoModel::LAJ1] = -90 * kDeg;
    const Vec3 down = BodyKinematics::centreOfMass(a);
    EXPECT_LT(down.y, com.y - 0.012);
    EXPECT_LT(down.z, com.z - 0.004);
}

// ------------------------------------------------------------ locomotion

TEST(Locomotion, AGaitWalksTheRobotForwardByTheFeetsSweep) {
    SimHarness h;
    Gait gait;
    RobotBody& body = standInGait(h, gait);
    const Vec3 start = body.torso().pos;
    int rightOnly = 0, leftOnly = 0;
    double firstGoal = -1.0, lastGoal = -1.0;
    double xAtFirst = 0.0, xAtLast = 0.0;
    walk(h, gait, 4.0, [&](const std::string& m) {
        const bool rf = !expression(m, "(FRP (n rf)").empty(), lf = !expression(m, "(FRP (n lf)").empty();
        rightOnly += rf && !lf;
        leftOnly += lf && !rf;
        const auto seen = seenObjects(m);
        if (seen.count("G1R")) {
            (firstGoal < 0.0 ? firstGoal : lastGoal) = seen.at("G1R").d;
            (firstGoal == seen.at("G1R").d ? xAtFirst : xAtLast) = body.torso().pos.x;
        }
    });
    ASSERT_EQ(body.state(), BodyState::Upright);
    // Ten gait cycles, two steps each.
    const double expected = 20 * stepLength(gait);
    EXPECT_NEAR(body.torso().pos.x - start.x, expected, 0.15 * expected);
    EXPECT_NEAR(body.torso().pos.y, start.y, 0.05);
    EXPECT_NEAR(body.heading(), 0.0, 2.0);
    // The feet take turns carrying the robot, and its camera sees the goal
    // come nearer by as much as it walked.
    EXPECT_GT(rightOnly, 20);
    EXPECT_GT(leftOnly, 20);
    ASSERT_GT(lastGoal, 0.0);
    EXPECT_NEAR(firstGoal - lastGoal, xAtLast - xAtFirst, 0.05);
}

TEST(Locomotion, TheSameGaitOverTheNetworkWalksTheSameWay) {
    ServerThread server;
    TestClient c(server.port());
    ASSERT_TRUE(c.sendFrame("(scene rsg/agent/nao/nao.rsg)"));
    ASSERT_TRUE(c.sendFrame("(init (unum 1)(teamname VOR))"));
    Gait gait;
    std::optional<std::string> m = c.readFrame();
    ASSERT_TRUE(m);
    // Beam, then move into the gait's first posture (on both feet) before starting it.
    ASSERT_TRUE(c.sendFrame("(beam -3 0 0)" + commandsToward(gait.at(0), anglesIn(*m))));
    for (int i = 0; i < 50; ++i) {
        m = c.readFrame();
        ASSERT_TRUE(m);
        ASSERT_TRUE(c.sendFrame(commandsToward(gait.at(0), anglesIn(*m))));
    }
    m = c.readFrame();
    // In lockstep the server waits for the answer: its state can be read meanwhile.
    const double x0 = server.sim().world().robots().begin()->second.body.torso().pos.x;
    for (int i = 1; i <= 200; ++i) {
        ASSERT_TRUE(c.sendFrame(commandsToward(gait.at(i * 0.02), anglesIn(*m))));
        m = c.readFrame();
        ASSERT_TRUE(m);
    }
    const RobotBody body = server.sim().world().robots().begin()->second.body;
    server.stop();
    EXPECT_EQ(body.state(), BodyState::Upright);
    EXPECT_NEAR(body.torso().pos.x - x0, 20 * stepLength(gait), 0.15 * 20 * stepLength(gait));
}

TEST(Locomotion, HipYawWhileStandingTurnsTheRobot) {
    // Turning the right foot outward while it stands turns the body left;
    // the hip's axis is 45 degrees from the vertical, so about 0.71 of it.
    for (const bool right : {true, false}) {
        SimHarness h;
        Gait gait;
        gait.amplitude = 0.0;
        (right ? gait.yawRight : gait.yawLeft) = 20.0;
        RobotBody& body = standInGait(h, gait);
        const Vec3 start = body.torso().pos;
        double gyroTurn = 0.0;
        walk(h, gait, 4.0, [&](const std::string& m) { gyroTurn += triple(expression(m, "(GYR"), "rt")[2] * 0.02; });
        ASSERT_EQ(body.state(), BodyState::Upright);
        const double expected = (right ? 1.0 : -1.0) * 10 * 20.0 * std::sqrt(0.5);
        EXPECT_NEAR(body.heading(), expected, 0.25 * std::fabs(expected)) << (right ? "right" : "left");
        EXPECT_NEAR(gyroTurn, body.heading(), 0.1 * std::fabs(expected)) << "the gyro sees the turn";
        EXPECT_LT(std::hypot(body.torso().pos.x - start.x, body.torso().pos.y - start.y), 0.1) << "on the spot";
    }
}

TEST(Locomotion, HipRollWhileStandingStepsSideways) {
    // The legs spread while the right foot stands and close while the left
    // one stands: each stance moves the body to its left by the leg's
    // length times the sine of the roll.
    SimHarness h;
    Gait gait;
    gait.amplitude = 0.0;
    gait.roll = 10.0;
    RobotBody& body = standInGait(h, gait);
    const Vec3 start = body.torso().pos;
    walk(h, gait, 4.0);
    ASSERT_EQ(body.state(), BodyState::Upright);
    const double leg = legDown(gait.centre, gait.stanceKnee()) + 0.005;  // hip roll axis to ankle roll axis
    const double expected = 10 * 2 * leg * std::sin(10 * kDeg);
    EXPECT_NEAR(body.torso().pos.y - start.y, expected, 0.15 * expected) << "facing +x, its left is +y";
    EXPECT_NEAR(body.torso().pos.x, start.x, 0.02);
    EXPECT_NEAR(body.heading(), 0.0, 1.0);
}

TEST(Locomotion, NoLegMotionNoTravel) {
    // Stepping in place, and standing while the head and arms move: the
    // robot stays where it is.
    SimHarness h;
    Gait gait;
    gait.amplitude = 0.0;
    RobotBody& body = standInGait(h, gait);
    const Vec3 start = body.torso().pos;
    walk(h, gait, 4.0);
    EXPECT_EQ(body.state(), BodyState::Upright);
    EXPECT_LT(std::hypot(body.torso().pos.x - start.x, body.torso().pos.y - start.y), 0.01);
    EXPECT_NEAR(body.heading(), 0.0, 0.5);

    // The legs stop where the gait left them.
    h.sim().receive(1, "(rle1 0)(rle2 0)(rle3 0)(rle4 0)(rle5 0)(rle6 0)(lle1 0)(lle2 0)(lle3 0)(lle4 0)(lle5 0)(lle6 0)");
    std::string m = h.step(1);
    const Vec3 still = body.torso().pos;
    const double heading = body.heading();
    for (int i = 0; i < 200; ++i) {
        const double s = std::sin(i * 0.1);
        Posture hold = anglesIn(m);
        for (int j = 0; j < NaoModel::RLJ1; ++j) hold[j] = std::nan("");
        h.sim().receive(1, commandsToward(hold, anglesIn(m)) + "(he1 " + std::to_string(3 * s) + ")(he2 " +
                               std::to_string(-2 * s) + ")(rae1 " + std::to_string(4 * s) + ")(lae2 " +
                               std::to_string(-3 * s) + ")");
        m = h.step(1);
    }
    EXPECT_NEAR(body.torso().pos.x, still.x, 1e-9);
    EXPECT_NEAR(body.torso().pos.y, still.y, 1e-9);
    EXPECT_NEAR(body.heading(), heading, 1e-9);
}

TEST(Locomotion, SupportPassesToTheLowerFootWhereItStands) {
    // Bending the right knee while both feet stand puts the weight on the
    // left foot, which stays exactly where it was.
    RobotBody body;
    for (int j : {NaoModel::RLJ3, NaoModel::LLJ3}) body.setAngle(j, 11 * kDeg);
    for (int j : {NaoModel::RLJ4, NaoModel::LLJ4}) body.setAngle(j, -29 * kDeg);
    for (int j : {NaoModel::RLJ5, NaoModel::LLJ5}) body.setAngle(j, 18 * kDeg);
    body.place(1.0, 2.0, 30.0);
    body.update(0.02);
    const Pose leftBefore = body.footBox(1);
    body.setAngle(NaoModel::RLJ4, -50 * kDeg);
    body.setAngle(NaoModel::RLJ5, 39 * kDeg);  // the sole stays level
    body.update(0.02);
    EXPECT_FALSE(body.rightStance());
    EXPECT_FALSE(body.rightFoot().touching);
    expectNear(body.footBox(1).pos, leftBefore.pos, 1e-6);
    // Swinging the right leg forward while it is lifted does not move the body.
    const Vec3 torso = body.torso().pos;
    body.setAngle(NaoModel::RLJ3, 40 * kDeg);
    body.update(0.02);
    expectNear(body.torso().pos, torso, 1e-9);
}

TEST(Locomotion, LegsSpreadSymmetricallyStandOnBothSoleEdges) {
    // Both hips rolled out with the ankles straight: neither sole can lie
    // flat; the body rests level on their inner edges instead of rocking
    // from one foot to the other.
    RobotBody body;
    body.place(0, 0, 0);
    for (int i = 1; i <= 10; ++i) {
        body.setAngle(NaoModel::RLJ2, -1.5 * i * kDeg);
        body.setAngle(NaoModel::LLJ2, 1.5 * i * kDeg);
        body.update(0.02);
        EXPECT_NEAR(body.roll(), 0.0, 1e-6) << i;
        EXPECT_TRUE(body.onBothFeet()) << i;
        EXPECT_TRUE(body.rightFoot().touching && body.leftFoot().touching) << i;
        EXPECT_LT(std::fabs(body.gyro().y), 1e-6) << "no rocking";
    }
    EXPECT_EQ(body.state(), BodyState::Upright);
    EXPECT_NEAR(body.torso().pos.x, 0.0, 1e-6);
}

