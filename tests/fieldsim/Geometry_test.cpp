// What the camera reports, checked against values worked out by hand from the
// robot's figures, and the noise the real server adds.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "FieldsimTestKit.h"
#include "util/Random.h"
#include "sense/VisionSensor.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

}  // namespace

TEST(Vision, FlagsGoalPostAndBallByHandForHeadPanAndTilt) {
    // The robot stands at (-3, 0) facing +x. The head pans about the vertical
    // through the torso and tilts about its right axis 0.150 above the torso
    // centre (0.385 up); the camera sits 5 mm above that axis.
    for (const auto& [pan, tilt] : {std::pair<double, double>{0, 0}, {30, 0}, {0, 20}, {-25, -15}}) {
        SimHarness h;
        h.join(1, "VOR", 1);
        h.stepAll();  // its first step, before its first perception
        h.body(1).place(-3.0, 0.0, 0.0);
        h.body(1).setAngle(NaoModel::HJ1, pan * kDeg);
        h.body(1).setAngle(NaoModel::HJ2, tilt * kDeg);
        const auto seen = seenObjects(h.step(1));
        const double p = pan * kDeg, t = tilt * kDeg;
        const double camX = -3.0 - 0.005 * std::sin(t) * std::cos(p), camY = -0.005 * std::sin(t) * std::sin(p);
        const double camZ = 0.385 + 0.150 + 0.005 * std::cos(t);
        for (const auto& [name, x, y, z] : {std::tuple<std::string, double, double, double>{"F1R", 6, 4, 0},
                                            {"G2R", 6, -0.7, 0.8},
                                            {"B", 0, 0, 0.042}}) {
            const double dx = x - camX, dy = y - camY, up = z - camZ;
            const double fwd = dx * std::cos(p) + dy * std::sin(p), left = -dx * std::sin(p) + dy * std::cos(p);
            const double f2 = std::cos(t) * fwd + std::sin(t) * up, u2 = -std::sin(t) * fwd + std::cos(t) * up;
            SCOPED_TRACE(name + " pan " + std::to_string(pan) + " tilt " + std::to_string(tilt));
            ASSERT_EQ(seen.count(name), 1u);
            EXPECT_NEAR(seen.at(name)[0], std::sqrt(dx * dx + dy * dy + up * up), 0.0011);
            EXPECT_NEAR(seen.at(name)[1], std::atan2(left, f2) / kDeg, 0.0011);
            EXPECT_NEAR(seen.at(name)[2], std::atan2(u2, std::hypot(left, f2)) / kDeg, 0.0011);
        }
        EXPECT_EQ(seen.count("F1L"), 0u) << "behind the robot";
    }
}

TEST(Vision, TheConeEndsAtSixtyDegreesAndNothingIsSeenCloserThanTenCentimetres) {
    // F1R from (0, 0) lies at atan2(4, 6); turning the robot right puts it at the edge.
    for (const auto& [az, visible] : {std::pair<double, bool>{59.5, true}, {60.5, false}}) {
        SimHarness h;
        h.join(1, "VOR", 1);
        h.stepAll();  // its first step, before its first perception
        h.sim().rules().setPlayMode(PlayMode::PlayOn, 0.0);  // before kick-off the referee clears the middle
        h.body(1).place(0.0, 0.0, std::atan2(4.0, 6.0) / kDeg - az);
        EXPECT_EQ(seenObjects(h.step(1)).count("F1R"), visible ? 1u : 0u) << az;
    }
    Polar p;
    p.distance = 0.0999;
    EXPECT_FALSE(VisionSensor::visible(p, true));
    p.distance = 0.1001;
    EXPECT_TRUE(VisionSensor::visible(p, false));
}

TEST(Vision, NoiseHasTheRealServersSpreadForASeed) {
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
}
