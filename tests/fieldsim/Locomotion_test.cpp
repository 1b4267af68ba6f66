// The legs carry the robot: forward kinematics of the legs worked out by hand
// from the robot's figures, and scripted gaits sent as joint commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "robot/BodyKinematics.h"
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

TEST(Locomotion, HipPitchWalksHipYawTurnsHipRollStepsSidewaysNoLegSwingStaysPut) {
    // Four seconds of a gait sent as joint commands: ten gait cycles of two
    // steps. Walking, the stance foot passes from C+A to C-A in each step.
    // Turning a standing foot outward by 20 degrees turns the body by
    // 20 sin 45 the other way (the yaw-pitch axis is 45 degrees from the
    // vertical); legs spread by a roll of 10 degrees over one stance and
    // closed over the other move it sideways by twice the leg's length
    // (hip roll axis to ankle roll axis) times sin 10.
    struct Case {
        const char* name;
        double amplitude, yawRight, yawLeft, roll;
        double dHeading, dLeft, dForward;  // degrees counter-clockwise; metres to its left; metres ahead
    };
    const Gait g;
    const double step = legForward(g.centre + g.amplitude, g.stanceKnee()) - legForward(g.centre - g.amplitude, g.stanceKnee());
    const double leg = legDown(10, g.stanceKnee()) + 0.005;
    const Case cases[] = {
        {"walk", 10, 0, 0, 0, 0, 0, 20 * step},
        {"right hip yaw", 0, 20, 0, 0, 10 * 20 * std::sqrt(0.5), 0, 0},
        {"left hip yaw", 0, 0, 20, 0, -10 * 20 * std::sqrt(0.5), 0, 0},
        {"hip roll", 0, 0, 0, 10, 0, 10 * 2 * leg * std::sin(10 * kDeg), 0},
        {"in place", 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SimHarness h;
        Gait gait;
        gait.amplitude = c.amplitude;
        gait.yawRight = c.yawRight;
        gait.yawLeft = c.yawLeft;
        gait.roll = c.roll;
        KinematicBody& body = standInGait(h, gait, -3.0, 0.0, 0.0);
        double gyroTurn = 0.0;
        int rightOnly = 0, leftOnly = 0;
        walk(h, gait, 4.0, [&](const std::string& m) {
            gyroTurn += numbersAfter(m, "(GYR (n torso) (rt ", 3).at(2) * 0.02;
            const bool rf = !expression(m, "(FRP (n rf)").empty(), lf = !expression(m, "(FRP (n lf)").empty();
            rightOnly += rf && !lf;
            leftOnly += lf && !rf;
        });
        ASSERT_EQ(body.state(), BodyState::Upright) << c.name;
        EXPECT_NEAR(body.heading(), c.dHeading, std::max(c.dForward > 0 ? 2.0 : 0.5, 0.25 * std::fabs(c.dHeading))) << c.name;
        EXPECT_NEAR(gyroTurn, body.heading(), std::max(0.5, 0.1 * std::fabs(c.dHeading))) << c.name << ": the gyro";
        const double onTheSpot = c.dHeading == 0.0 && c.dForward == 0.0 ? 0.01 : 0.1;
        EXPECT_NEAR(body.torso().pos.y, c.dLeft, std::max(onTheSpot, 0.15 * c.dLeft)) << c.name << " (its left is +y)";
        EXPECT_NEAR(body.torso().pos.x, -3.0 + c.dForward, std::max(onTheSpot, 0.15 * c.dForward)) << c.name;
        if (c.dForward > 0) {
            EXPECT_GT(rightOnly, 20) << "the feet take turns carrying it";
            EXPECT_GT(leftOnly, 20);
        }
    }
}
