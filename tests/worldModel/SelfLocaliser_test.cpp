#include "worldModel/SelfLocaliser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "worldModel/TorsoAttitude.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// The landmarks as the server places them on the 12 x 8 field: slots
// G1L G2L G2R G1R F1L F2L F1R F2R, the "1" ones at +y.
const Point kLandmarks[8] = {Point(-6, 0.7, 0.8), Point(-6, -0.7, 0.8), Point(6, -0.7, 0.8),
                             Point(6, 0.7, 0.8),  Point(-6, 4, 0),      Point(-6, -4, 0),
                             Point(6, 4, 0),      Point(6, -4, 0)};
enum { G1L, G2L, G2R, G1R, F1L, F2L, F1R, F2R };

// An upright robot in the field frame of a team on the left: camera
// position and heading (degrees counter-clockwise from +x).
struct Pose {
    double x, y, height, heading;
};

double angleDiff(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

// What the vision reports of landmark `slot` from `pose`, the head turned by
// pan (left) and tilt (up).
SelfLocaliser::Sighting sighting(const Pose& pose, int slot, double pan = 0, double tilt = 0) {
    const Point& L = kLandmarks[slot];
    const double vx = L.getX() - pose.x, vy = L.getY() - pose.y, vz = L.getZ() - pose.height;
    const double a = pose.heading * kDeg;
    const double bx = vx * std::cos(a) + vy * std::sin(a);
    const double by = -vx * std::sin(a) + vy * std::cos(a);
    const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
    return {slot, r, std::atan2(by, bx) / kDeg - pan, std::asin(vz / r) / kDeg - tilt, pan, tilt};
}

std::vector<SelfLocaliser::Sighting> sightings(const Pose& pose, std::initializer_list<int> slots,
                                               double pan = 0, double tilt = 0) {
    std::vector<SelfLocaliser::Sighting> v;
    for (int s : slots) v.push_back(sighting(pose, s, pan, tilt));
    return v;
}

class Localiser : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 8; ++i) loc.setLandmark(i, kLandmarks[i]);
        // A standing robot, at rest.
        loc.carry(0.0, Point(0, 0, 0), &kUpright);
    }

    // One vision message at `time` after a quiet message; the gyro reports
    // `rate` degrees per second about the vertical.
    SelfLocaliser::FixKind look(double time, const std::vector<SelfLocaliser::Sighting>& seen,
                                double rate = 0.0) {
        loc.carry(time, Point(0, 0, rate), &kUpright);
        return loc.see(time, seen.data(), static_cast<int>(seen.size()));
    }

    // The torso's position: upright, right under the camera.
    void expectAt(const Pose& pose, double tolerance, bool right = false) {
        const double s = right ? -1.0 : 1.0;
        EXPECT_NEAR(loc.position().getX(), s * pose.x, tolerance);
        EXPECT_NEAR(loc.position().getY(), s * pose.y, tolerance);
        // The yaw grows clockwise and is 0 facing the opponent goal.
        EXPECT_LT(angleDiff(loc.yaw(), -(pose.heading + (right ? 180.0 : 0.0))), 0.05);
    }

    const Point kUpright{0, 0, 9.81};
    SelfLocaliser loc;
};

TEST_F(Localiser, TwoLandmarksOfTheSameLookGivePositionAndYaw) {
    // Standing at (-2, 0) facing the opponent goal, the restricted view
    // shows only the far corner flags and posts.
    const Pose pose{-2.0, 0.0, 0.5, 0.0};
    EXPECT_FALSE(loc.known());
    EXPECT_EQ(look(0.02, sightings(pose, {F1R, F2R})), SelfLocaliser::FIX_SEVERAL);
    EXPECT_TRUE(loc.known());
    expectAt(pose, 1e-6);
    EXPECT_NEAR(loc.position().getZ(), 0.5, 1e-6) << "the camera's height";
    EXPECT_LT(angleDiff(loc.roll(), 180.0), 1e-6);
    EXPECT_NEAR(loc.pitch(), 0.0, 1e-6);

    // A flag and a goal post, facing somewhere else.
    const Pose turned{1.5, -2.0, 0.5, 130.0};
    EXPECT_EQ(look(0.08, sightings(turned, {G1L, F1L})), SelfLocaliser::FIX_SEVERAL);
    expectAt(turned, 1e-6);
    EXPECT_EQ(loc.usedInLastFix(), 2);
}

TEST_F(Localiser, SightingsWithTheHeadTurnedAndTilted) {
    const Pose pose{-3.0, 1.0, 0.48, -40.0};
    look(0.02, sightings(pose, {G2R, F2R, F1R}, 55.0, -25.0));
    expectAt(pose, 1e-6);
    EXPECT_NEAR(loc.position().getZ(), 0.48, 1e-6);
}

TEST_F(Localiser, OneLandmarkPlacesTheRobotByTheYawTheGyroCarried) {
    const Pose start{-1.0, 1.0, 0.5, 0.0};
    look(0.02, sightings(start, {F1R, F2R}));
    // It turns on the spot a quarter to the left in a second, seeing
    // nothing; the gyro carries the yaw.
    for (int i = 2; i <= 51; ++i) loc.carry(0.02 * i, Point(0, 0, 90.0), &kUpright);
    EXPECT_LT(angleDiff(loc.yaw(), -90.0), 0.01);
    // Then it sees one flag only, from a little farther along.
    const Pose moved{-0.8, 1.1, 0.5, 90.0};
    EXPECT_EQ(look(1.04, {sighting(moved, F1L)}), SelfLocaliser::FIX_ONE);
    expectAt(moved, 2e-3);
    // Without a yaw there is no place to take from one landmark.
    SelfLocaliser fresh;
    for (int i = 0; i < 8; ++i) fresh.setLandmark(i, kLandmarks[i]);
    const SelfLocaliser::Sighting one = sighting(moved, F1L);
    EXPECT_EQ(fresh.see(0.0, &one, 1), SelfLocaliser::FIX_NONE);
    EXPECT_FALSE(fresh.known());
}

TEST_F(Localiser, OldSightingsNeverTakePartInAFix) {
    const Pose first{-4.0, -2.0, 0.5, 20.0};
    look(0.02, sightings(first, {F1R, F2R, G1R}));
    // The next look sees nothing, the one after one flag from a new spot:
    // the flags of the first look, seen from elsewhere, must not pull the
    // fix back.
    const Pose second{-3.7, -2.1, 0.5, 20.0};
    EXPECT_EQ(look(0.08, {}), SelfLocaliser::FIX_NONE);
    expectAt(first, 1e-6);
    look(0.14, {sighting(second, F2R)});
    expectAt(second, 1e-6);
}

TEST_F(Localiser, AnInconsistentSightingIsDropped) {
    const Pose pose{2.0, 1.0, 0.5, -30.0};
    std::vector<SelfLocaliser::Sighting> seen = sightings(pose, {F2R, G2R, G1R, F1R});
    seen[1].distance += 2.0;  // a post two metres off
    EXPECT_EQ(look(0.02, seen), SelfLocaliser::FIX_SEVERAL);
    EXPECT_EQ(loc.usedInLastFix(), 3);
    EXPECT_EQ(loc.rejectedInLastFix(), 1);
    expectAt(pose, 1e-6);
    // Two that contradict each other: the one that agrees with the belief
    // is kept.
    std::vector<SelfLocaliser::Sighting> pair = sightings(pose, {F2R, F1R});
    pair[0].azimuth += 25.0;
    EXPECT_EQ(look(0.08, pair), SelfLocaliser::FIX_ONE);
    expectAt(pose, 1e-6);
    // Sightings that are not numbers, or of no landmark, count for nothing.
    std::vector<SelfLocaliser::Sighting> junk = sightings(pose, {F2R, F1R});
    junk[0].distance = std::nan("");
    junk[1].slot = 8;
    EXPECT_EQ(look(0.14, junk), SelfLocaliser::FIX_NONE);
    expectAt(pose, 1e-6);
}

TEST_F(Localiser, RightTeamSeesTheFieldMirrored) {
    // A team on the right: the same landmarks are seen, the answers come in
    // its own frame (its goal at -x).
    loc.setRightSide(true);
    const Pose pose{3.0, -1.5, 0.5, 170.0};  // field frame of the left team
    look(0.02, sightings(pose, {G1L, G2L, F2L}));
    expectAt(pose, 1e-6, true);
    // Facing the opponent goal (the left one) is a yaw of 0. The robot
    // turns there by ten degrees, which the gyro sees.
    const Pose attacking{2.0, 0.0, 0.5, 180.0};
    look(0.08, sightings(attacking, {G1L, G2L}), 10.0 / 0.06);
    EXPECT_LT(angleDiff(loc.yaw(), 0.0), 0.05);
    EXPECT_NEAR(loc.position().getX(), -2.0, 1e-3);
    // A beam in the team's own frame.
    loc.beamed(0.10, -3.0, 1.0, 0.0);
    EXPECT_NEAR(loc.position().getX(), -3.0, 1e-9);
    EXPECT_NEAR(loc.position().getY(), 1.0, 1e-9);
    EXPECT_LT(angleDiff(loc.yaw(), 0.0), 1e-9);
}

TEST_F(Localiser, TheRefereesCarryIsBelievedWhenTheLookIsSure) {
    const Pose before{0.5, 2.0, 0.5, 0.0};
    look(0.02, sightings(before, {F1R, F2R}));
    // Carried to x = -2.5 without a word: two landmarks that agree with
    // each other are believed at once.
    const Pose after{-2.5, 2.0, 0.5, 0.0};
    EXPECT_EQ(look(0.08, sightings(after, {F1R, G1R})), SelfLocaliser::FIX_SEVERAL);
    expectAt(after, 1e-6);
    // A lone landmark that says "three metres away" must say it twice.
    const Pose again{0.5, 2.0, 0.5, 0.0};
    EXPECT_EQ(look(0.14, {sighting(again, F1R)}), SelfLocaliser::FIX_REJECTED);
    expectAt(after, 1e-6);
    EXPECT_EQ(look(0.20, {sighting(again, F2R)}), SelfLocaliser::FIX_ONE);
    expectAt(again, 1e-6);
    // Far off the field no robot can be: such a fix is not taken.
    std::vector<SelfLocaliser::Sighting> wild = sightings(again, {F1R, F2R});
    for (auto& s : wild) s.distance += 9.0;
    look(0.26, wild);
    expectAt(again, 1e-6);
}

TEST_F(Localiser, OwnBeamIsTakenUntilVisionSaysOtherwise) {
    const Pose seen{-1.0, 3.0, 0.5, 45.0};
    look(0.02, sightings(seen, {F1R, G1R}));
    loc.beamed(0.04, -5.0, -1.0, 30.0);
    const Pose beamed{-5.0, -1.0, 0.5, 30.0};
    expectAt(beamed, 1e-9);
    // The vision shows the old place for a moment after a beam.
    EXPECT_EQ(look(0.06, sightings(seen, {F1R, G1R})), SelfLocaliser::FIX_HELD);
    expectAt(beamed, 1e-9);
    // Later looks win: the server may have refused the beam.
    look(0.12, sightings(seen, {F1R, G1R}));
    expectAt(seen, 1e-6);
}

TEST_F(Localiser, FieldPointOfASightingLandsWhereItIs) {
    const Pose pose{-2.0, 1.0, 0.5, -60.0};
    look(0.02, sightings(pose, {F2R, G2R}));
    // The ball lies at (0.5, -3, 0.042), seen with the head turned.
    const Pose ballPose{pose.x, pose.y, pose.height, pose.heading};
    const double vx = 0.5 - pose.x, vy = -3.0 - pose.y, vz = 0.042 - pose.height;
    const double a = ballPose.heading * kDeg;
    const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
    const double az =
        std::atan2(-vx * std::sin(a) + vy * std::cos(a), vx * std::cos(a) + vy * std::sin(a)) /
        kDeg;
    const Point p = loc.fieldPointOf(r, az, std::asin(vz / r) / kDeg, 0.042);
    EXPECT_NEAR(p.getX(), 0.5, 1e-6);
    EXPECT_NEAR(p.getY(), -3.0, 1e-6);
    EXPECT_NEAR(p.getZ(), 0.042, 1e-9);
    // A team on the right gets it in its own frame.
    loc.setRightSide(true);
    EXPECT_NEAR(loc.fieldPointOf(r, az, std::asin(vz / r) / kDeg, 0.042).getX(), -0.5, 1e-6);
}

TEST_F(Localiser, LeaningTorsoIsLevelledBeforeTheFix) {
    // The torso pitched 15 degrees forward (about its right-hand axis): the
    // accelerometer says so, and the sightings come through the leaning
    // camera.
    const double lean = 15.0 * kDeg;
    const Point acc(0, -9.81 * std::sin(lean), 9.81 * std::cos(lean));
    SelfLocaliser leaning;
    for (int i = 0; i < 8; ++i) leaning.setLandmark(i, kLandmarks[i]);
    leaning.carry(0.0, Point(0, 0, 0), &acc);
    EXPECT_NEAR(leaning.pitch(), 15.0, 1e-6);
    // The robot faces +x; a point at field offset (dx, dy, dz) from the
    // camera is, in the leaning torso frame, turned back by the lean.
    const Pose pose{-2.0, -1.0, 0.45, 0.0};
    std::vector<SelfLocaliser::Sighting> seen;
    for (int slot : {F1R, G1R, F2R}) {
        const Point& L = kLandmarks[slot];
        const double fwd = L.getX() - pose.x, left = L.getY() - pose.y, up = L.getZ() - pose.height;
        // Torso frame: x right, y forward, z up; pitched forward by `lean`.
        const double tx = -left;
        const double ty = fwd * std::cos(lean) - up * std::sin(lean);
        const double tz = fwd * std::sin(lean) + up * std::cos(lean);
        const double r = std::sqrt(tx * tx + ty * ty + tz * tz);
        seen.push_back({slot, r, std::atan2(-tx, ty) / kDeg, std::asin(tz / r) / kDeg, 0, 0});
    }
    leaning.carry(0.02, Point(0, 0, 0), &acc);
    EXPECT_EQ(leaning.see(0.02, seen.data(), 3), SelfLocaliser::FIX_SEVERAL);
    // The torso's centre lies behind the camera by the lean.
    EXPECT_NEAR(leaning.position().getX(), pose.x - 0.155 * std::sin(lean), 1e-6);
    EXPECT_NEAR(leaning.position().getY(), pose.y, 1e-6);
    EXPECT_NEAR(leaning.position().getZ(), pose.height, 1e-6);
    EXPECT_LT(angleDiff(leaning.yaw(), 0.0), 0.01);
}

// A gyro that misreads jolts (a crude simulator's, or a robot set down
// upright by the server without turning) can leave the carried lean far off,
// so far that the landmarks put the camera metres up or under the ground,
// while no accelerometer reading is quiet enough to level it. An upright
// robot is nearly level: the fix is tried that way instead of being refused
// look after look, which froze the belief in place while the robot walked.
TEST_F(Localiser, ALeanGoneWrongIsDroppedWhenTheLandmarksCannotBeSeenThroughIt) {
    const Pose pose{-3.0, 1.0, 0.5, 20.0};
    ASSERT_EQ(look(0.02, sightings(pose, {F1R, G1R, F2R})), SelfLocaliser::FIX_SEVERAL);
    // Half a second of a bogus 120 degree/s roll, with jolting readings.
    const Point jolt(8.0, 3.0, 12.0);
    for (int i = 2; i <= 27; ++i) loc.carry(0.02 * i, Point(120.0, 0, 0), &jolt);
    EXPECT_GT(std::fabs(loc.roll() - 180.0), 45.0) << "the lean has gone wrong";
    const Pose moved{-3.4, 0.9, 0.5, 20.0};
    EXPECT_EQ(loc.see(0.54, sightings(moved, {F1R, G1R, F2R}).data(), 3), SelfLocaliser::FIX_SEVERAL);
    expectAt(moved, 0.02);
    EXPECT_LT(angleDiff(loc.roll(), 180.0), 1.0);
}

// The attitude shared by the turn and the localisation.
TEST(TorsoAttitudeTest, FollowsATurnWhileTheTorsoRocks) {
    TorsoAttitude a;
    EXPECT_NEAR(a.facing(), 90.0, 1e-9);
    // A quarter turn to the left about the vertical, done while the torso
    // rocks from side to side: the rates arrive in the swaying torso frame,
    // and its own up axis sees less than the quarter.
    const double h = 0.02;
    TorsoAttitude truth;
    double upAxisOnly = 0.0;
    for (int i = 0; i < 100; ++i) {
        const double sway = 300.0 * std::cos(i * 0.3);  // degrees per second about forward
        const double yawRate = 45.0;                    // about the vertical
        // The vertical rate expressed in the torso frame.
        const auto& q = truth.quaternion();
        const double w = q[0], x = q[1], y = q[2], z = q[3];
        const double up[3] = {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)};
        const Point rate(yawRate * up[0], sway + yawRate * up[1], yawRate * up[2]);
        truth.integrate(rate, h);
        a.integrate(rate, h);
        upAxisOnly += rate.getZ() * h;
    }
    EXPECT_NEAR(a.facing(), 90.0 + 90.0, 0.5);
    EXPECT_LT(upAxisOnly, 89.0) << "the up-axis rate alone undercounts";
    // Rates that are not numbers change nothing.
    const double before = a.facing();
    a.integrate(Point(std::nan(""), 0, 0), h);
    a.integrate(Point(10, 0, 0), std::nan(""));
    EXPECT_DOUBLE_EQ(a.facing(), before);
}

TEST(TorsoAttitudeTest, LeanFromTheAccelerometer) {
    TorsoAttitude a;
    const double lean = 20.0 * kDeg;  // forward
    const Point acc(0, -9.81 * std::sin(lean), 9.81 * std::cos(lean));
    EXPECT_NEAR(a.leanError(acc), 20.0, 1e-6);
    // Small nudges converge on the measured lean without turning the facing.
    for (int i = 0; i < 400; ++i) a.correctLean(acc, 0.02);
    EXPECT_NEAR(a.leanError(acc), 0.0, 0.05);
    EXPECT_NEAR(a.forwardElevation(), -20.0, 0.05);
    EXPECT_NEAR(a.facing(), 90.0, 0.05);
    // A jolt or a fall says nothing about up.
    EXPECT_FALSE(a.correctLean(Point(0, 0, 25.0), 0.02));
    EXPECT_TRUE(std::isnan(a.leanError(Point(0, 0, 1.0))));
    EXPECT_FALSE(a.levelFrom(Point(0, 0, -9.81)));
    EXPECT_TRUE(a.levelFrom(Point(0, 0, 9.81)));
    EXPECT_NEAR(a.forwardElevation(), 0.0, 1e-9);
}

}  // namespace
