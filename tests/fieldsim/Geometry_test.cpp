// The body's forward kinematics and what the camera reports, checked against
// values worked out by hand from the robot's figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "BodyKinematics.h"
#include "FieldsimTestKit.h"
#include "Random.h"
#include "RobotBody.h"
#include "VisionSensor.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

struct Expected {
    double d, az, el;
};

// Camera on a robot facing +x: the world direction (dx, dy, dz) seen from a
// level head turned by `pan` degrees to the left.
Expected seenFacingPlusX(double dx, double dy, double dz, double pan = 0.0) {
    Expected e;
    e.d = std::sqrt(dx * dx + dy * dy + dz * dz);
    e.az = std::atan2(dy, dx) / kDeg - pan;
    e.el = std::atan2(dz, std::hypot(dx, dy)) / kDeg;
    return e;
}

void expectSeen(const std::map<std::string, SeenPolar>& seen, const std::string& name, const Expected& e) {
    auto it = seen.find(name);
    ASSERT_NE(it, seen.end()) << name << " not seen";
    EXPECT_NEAR(it->second.d, e.d, 0.0011) << name;
    EXPECT_NEAR(it->second.az, e.az, 0.0011) << name;
    EXPECT_NEAR(it->second.el, e.el, 0.0011) << name;
}

// A robot of the left team standing at (x, y) facing +x, and a vision message.
std::string visionAt(SimHarness& h, double x, double y, double panDeg = 0.0, double tiltDeg = 0.0) {
    h.join(1, "VOR", 1);
    Robot& r = h.robot(1);
    r.body.place(x, y, 0.0);
    r.body.setAngle(NaoModel::HJ1, panDeg * kDeg);
    r.body.setAngle(NaoModel::HJ2, tiltDeg * kDeg);
    return h.step(1);
}

}  // namespace

// ------------------------------------------------------------ kinematics

TEST(Kinematics, StandingPostureHeightByHand) {
    // Hip pitch 11, knee -29, ankle pitch 18: the foot stays level. Below the
    // hip anchor: the thigh (0.005, -0.12) turned by 11 degrees, the shank
    // (0, -0.1) by -18, and from the ankle to the sole 0.05.
    RobotBody body;
    for (int first : {NaoModel::RLJ1, NaoModel::LLJ1}) {
        body.setAngle(first + 2, 11 * kDeg);
        body.setAngle(first + 3, -29 * kDeg);
        body.setAngle(first + 4, 18 * kDeg);
    }
    body.place(0, 0, 0);
    const double thigh = 0.005 * std::sin(11 * kDeg) - 0.12 * std::cos(11 * kDeg);
    const double shank = -0.1 * std::cos(-18 * kDeg);
    EXPECT_NEAR(body.torso().pos.z, 0.115 - thigh - shank + 0.05, 1e-9);
    EXPECT_NEAR(body.pitch(), 0.0, 1e-9);
    EXPECT_NEAR(body.roll(), 0.0, 1e-9);
}

TEST(Kinematics, LiftingOneLegPutsTheWeightOnTheOther) {
    RobotBody body;
    body.setAngle(NaoModel::RLJ3, 30 * kDeg);
    body.setAngle(NaoModel::RLJ4, -60 * kDeg);
    body.setAngle(NaoModel::RLJ5, 30 * kDeg);
    body.place(0, 0, 0);
    body.update(0.02);
    EXPECT_FALSE(body.rightFoot().touching);
    ASSERT_TRUE(body.leftFoot().touching);
    EXPECT_NEAR(body.leftFoot().force.z, 4.6071 * 9.81, 1e-9) << "the whole weight on one foot";
    EXPECT_NEAR(body.torso().pos.z, 0.385, 1e-9);
}

// ------------------------------------------------------------------ vision

TEST(Vision, FlagsAndBallFromAKnownPose) {
    SimHarness h;
    const auto seen = seenObjects(visionAt(h, -3.0, 0.0));
    const double camZ = 0.54;
    expectSeen(seen, "F1R", seenFacingPlusX(9, 4, -camZ));
    expectSeen(seen, "G2R", seenFacingPlusX(9, -0.7, 0.8 - camZ));
    expectSeen(seen, "B", seenFacingPlusX(3, 0, 0.042 - camZ));
    EXPECT_EQ(seen.count("F1L"), 0u) << "behind the robot";
}

TEST(Vision, HeadTiltByHand) {
    // Tilt turns the head about the x axis through (0, 0, 0.150); the head
    // centre is 5 mm above that axis. Positive tilt lifts the face.
    const double tilt = 20.0;
    SimHarness h;
    const auto seen = seenObjects(visionAt(h, -3.0, 0.0, 0.0, tilt));
    const double t = tilt * kDeg;
    // Camera in the world (robot faces +x, so the model's forward y is world x).
    const double camX = -3.0 - 0.005 * std::sin(t);
    const double camZ = 0.385 + 0.150 + 0.005 * std::cos(t);
    for (const auto& [name, x, y, z] : {std::tuple<std::string, double, double, double>{"F1R", 6, 4, 0},
                                        {"G2R", 6, -0.7, 0.8},
                                        {"B", 0, 0, 0.042}}) {
        // In the model frame: right = -world y, forward = world x; then undo the tilt.
        const double right = -(y - 0.0), fwd = x - camX, up = z - camZ;
        const double f2 = std::cos(t) * fwd + std::sin(t) * up;
        const double u2 = -std::sin(t) * fwd + std::cos(t) * up;
        Expected e;
        e.d = std::sqrt(right * right + fwd * fwd + up * up);
        e.az = std::atan2(-right, f2) / kDeg;
        e.el = std::atan2(u2, std::hypot(right, f2)) / kDeg;
        expectSeen(seen, name, e);
    }
}

TEST(Vision, RightTeamSeesTheLeftGoalAhead) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "OPP", 1));
    h.sim().receive(2, "(beam -3 0 0)");  // world (3, 0), facing -x
    h.step(2);
    std::string m;
    for (int i = 0; i < 3 && m.find("(See") == std::string::npos; ++i) m = h.step(2);
    const auto seen = seenObjects(m);
    // F1L (-6, 4) is 9 ahead and 4 to the robot's right.
    expectSeen(seen, "F1L", seenFacingPlusX(9, -4, -0.54));
    EXPECT_EQ(seen.count("F1R"), 0u);
}

TEST(Vision, TheConeEndsAtSixtyDegrees) {
    // F1R from (0, 0) lies at atan2(4, 6) = 33.69 degrees; turning the robot
    // to the right puts it at the edge of the cone.
    const double bearing = std::atan2(4.0, 6.0) / kDeg;
    for (const auto& [az, visible] : {std::pair<double, bool>{59.5, true}, {60.5, false}}) {
        SimHarness h;
        h.join(1, "VOR", 1);
        h.robot(1).body.place(0.0, 0.0, bearing - az);
        const auto seen = seenObjects(h.step(1));
        EXPECT_EQ(seen.count("F1R"), visible ? 1u : 0u) << az;
    }
    Polar p;
    p.distance = 5;
    p.elevation = 60.5;
    EXPECT_FALSE(VisionSensor::visible(p, false));
    EXPECT_TRUE(VisionSensor::visible(p, true)) << "--full-view";
}

TEST(Vision, NothingCloserThanTenCentimetres) {
    Polar p;
    p.distance = 0.0999;
    EXPECT_FALSE(VisionSensor::visible(p, true));
    p.distance = 0.1001;
    EXPECT_TRUE(VisionSensor::visible(p, false));
    // The own head is where the camera is; the own forearms are 0.185 m away.
    SimHarness h;
    const std::string m = visionAt(h, -3.0, 0.0);
    const auto seen = seenObjects(m);
    EXPECT_EQ(seen.count("head"), 0u);
    ASSERT_EQ(seen.count("rlowerarm"), 1u);
    EXPECT_NEAR(seen.at("rlowerarm").d, std::sqrt(0.098 * 0.098 + 0.14 * 0.14 + 0.071 * 0.071), 0.0011);
    EXPECT_NE(m.find("(P (team VOR) (id 1) (rlowerarm"), std::string::npos);
}

TEST(Vision, OtherRobotsShowTheirBodyParts) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "OPP", 4));
    h.robot(1).body.place(-2.0, 0.0, 0.0);
    h.robot(2).body.place(0.0, 0.0, 180.0);
    const std::string see = expression(h.step(1), "(See");
    const std::string p = expression(see, "(P (team OPP)");
    ASSERT_FALSE(p.empty()) << see;
    EXPECT_NE(p.find("(id 4) (head (pol"), std::string::npos);
    // Its head is 2 m ahead at the same height as the camera.
    const auto parts = seenObjects(see);
    ASSERT_EQ(parts.count("head"), 1u);
    EXPECT_NEAR(parts.at("head").d, 2.0, 1e-9);
    EXPECT_NEAR(parts.at("head").az, 0.0, 1e-9);
    EXPECT_NEAR(parts.at("head").el, 0.0, 1e-9);
}

TEST(Vision, EveryThirdCycleFromTheFirst) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    std::string pattern;
    for (int i = 0; i < 7; ++i) pattern += h.step(1).find("(See") != std::string::npos ? 'V' : '-';
    EXPECT_EQ(pattern, "V--V--V");
}

TEST(Vision, NoiseHasTheRealServersSpread) {
    Random rng(7);
    const int n = 20000;
    double sd[3] = {0, 0, 0}, mean[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
        Polar p;
        p.distance = 10.0;
        VisionSensor::addNoise(p, rng);
        const double e[3] = {p.distance - 10.0, p.azimuth, p.elevation};
        for (int k = 0; k < 3; ++k) {
            mean[k] += e[k] / n;
            sd[k] += e[k] * e[k] / n;
        }
    }
    const double expected[3] = {0.000965 * 10.0, 0.1480, 0.1225};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(mean[k], 0.0, expected[k] * 0.05) << k;
        EXPECT_NEAR(std::sqrt(sd[k]), expected[k], expected[k] * 0.03) << k;
    }
    for (int i = 0; i < 1000; ++i) {
        const Vec3 c = VisionSensor::drawCalibration(rng);
        EXPECT_LE(std::max({std::fabs(c.x), std::fabs(c.y), std::fabs(c.z)}), 0.005);
    }
}

TEST(Vision, NoiseIsTheSameForTheSameSeed) {
    auto run = [](unsigned long long seed) {
        SimOptions o = testOptions();
        o.noise = true;
        o.seed = seed;
        SimHarness h(o);
        h.join(1, "VOR", 1);
        std::string all;
        for (int i = 0; i < 10; ++i) all += h.step(1);
        return all;
    };
    EXPECT_EQ(run(5), run(5));
    EXPECT_NE(run(5), run(6));
}

// ------------------------------------------------------ falls and getting up

TEST(Falls, KnockedOverOntoTheFront) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.robot(1).body.place(0, 0, 0);
    h.step(1);
    h.robot(1).body.knockOver(true);
    double peakGyro = 0;
    std::string m;
    for (int i = 0; i < 40; ++i) {
        m = h.step(1);
        peakGyro = std::max(peakGyro, std::fabs(triple(expression(m, "(GYR"), "rt")[0]));
    }
    EXPECT_GT(peakGyro, 200.0) << "a fall shows as a burst on the gyro";
    EXPECT_EQ(h.robot(1).body.state(), BodyState::LyingFront);
    EXPECT_NEAR(h.robot(1).body.pitch(), -90.0, 1e-9);
    const std::vector<double> acc = triple(expression(m, "(ACC"), "a");
    EXPECT_NEAR(acc[0], 0.0, 0.0011);
    EXPECT_NEAR(acc[1], -9.81, 0.0011);
    EXPECT_NEAR(acc[2], 0.0, 0.0011);
    int withToes = 0;
    for (int i = 0; i < 30; ++i) {
        const std::string f = expression(h.step(1), "(FRP (n rf)");
        if (!f.empty()) {
            ++withToes;
            EXPECT_NE(f.find("(c 0.000 0.086 -0.020)"), std::string::npos) << f;
        }
    }
    EXPECT_EQ(withToes, 10) << "the toes touch in one message of three";
}

TEST(Falls, OnTheBackTheHeelsTouchOnlyWithBentKnees) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.robot(1).body.knockOver(false);
    h.steps(30);
    const std::vector<double> acc = triple(expression(h.step(1), "(ACC"), "a");
    EXPECT_NEAR(acc[1], 9.81, 0.0011);
    EXPECT_NEAR(acc[2], 0.0, 0.0011);
    int frp = 0;
    for (int i = 0; i < 10; ++i) frp += expression(h.step(1), "(FRP") != "" ? 1 : 0;
    EXPECT_EQ(frp, 0);
    h.robot(1).body.setAngle(NaoModel::RLJ4, -90 * kDeg);
    h.robot(1).body.setAngle(NaoModel::LLJ4, -90 * kDeg);
    for (int i = 0; i < 10; ++i) frp += expression(h.step(1), "(FRP (n rf) (c 0.000 -0.079 -0.012)") != "" ? 1 : 0;
    EXPECT_EQ(frp, 8) << "in most messages";
}

TEST(Falls, GettingUpNeedsHipsFlexedThenTheStandingPose) {
    SimHarness h;
    ASSERT_TRUE(h.join(1, "VOR", 1));
    RobotBody& body = h.robot(1).body;
    body.place(-1.0, 1.0, 45.0);
    body.knockOver(true);
    h.steps(30);
    const Vec3 lying = body.torso().pos;
    auto standingLegs = [&] {
        for (int first : {NaoModel::RLJ1, NaoModel::LLJ1}) {
            for (int k = 0; k < 6; ++k) body.setAngle(first + k, 0.0);
            body.setAngle(first + 2, 15 * kDeg);
            body.setAngle(first + 3, -25 * kDeg);
            body.setAngle(first + 4, 12 * kDeg);
        }
    };
    standingLegs();
    h.steps(5);
    EXPECT_EQ(body.state(), BodyState::LyingFront) << "the standing pose alone is not enough";

    body.setAngle(NaoModel::RLJ3, 80 * kDeg);
    body.setAngle(NaoModel::LLJ3, 70 * kDeg);
    h.steps(2);
    standingLegs();
    h.steps(2);
    EXPECT_EQ(body.state(), BodyState::LyingFront) << "one hip was not flexed beyond 75";

    body.setAngle(NaoModel::RLJ3, 80 * kDeg);
    body.setAngle(NaoModel::LLJ3, 80 * kDeg);
    h.steps(2);
    EXPECT_EQ(body.state(), BodyState::LyingFront) << "hips flexed, legs not yet back";
    standingLegs();
    h.step(1);
    EXPECT_EQ(body.state(), BodyState::Upright);
    EXPECT_NEAR(body.torso().pos.x, lying.x, 1e-9) << "upright where it lay";
    EXPECT_NEAR(body.torso().pos.y, lying.y, 1e-9);
    EXPECT_NEAR(body.heading(), 45.0, 1e-9);
    EXPECT_GT(body.torso().pos.z, 0.3);
}
