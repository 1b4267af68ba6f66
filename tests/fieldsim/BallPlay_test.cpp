// Robots and the ball meet: a foot swinging into the ball kicks it along the
// foot's motion, and goals come from kicks. (What the referee makes of a ball
// that leaves the field is in Referee_test.)
#include <gtest/gtest.h>

#include <cmath>

#include "robot/kinematic/Contacts.h"
#include "FieldsimTestKit.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

// Client `id` of `team` stands at (x, y) facing `heading` on its left foot
// (the right sole just off the ground) with the ball 5 mm before its right toes.
KinematicBody& readyToKick(SimHarness& h, int id, const std::string& team, double x, double y, double heading) {
    EXPECT_TRUE(h.join(id, team, id));
    KinematicBody& body = h.body(id);
    Posture p = standingPosture();
    p[NaoModel::RLJ4] = -33;
    p[NaoModel::RLJ5] = 22;
    for (int j = 0; j < 22; ++j) body.setAngle(j, p[j] * kDeg);
    body.place(x, y, heading);
    const Pose foot = body.footBox(0);
    const Vec3 ball = foot.pos + foot.rot * Vec3{0, NaoModel::kFootHalfLength + Ball::kRadius + 0.005, 0};
    h.sim().world().ball().place({ball.x, ball.y, Ball::kRadius});
    return body;
}

}  // namespace

TEST(BallContact, AFootSwingingIntoTheBallKicksItAlongTheFootsMotion) {
    SimHarness h;
    h.sim().rules().setPlayMode(PlayMode::KickOffLeft, 0.0);
    KinematicBody& body = readyToKick(h, 1, "VOR", -1.0, 0.5, 30.0);
    Vec3 foot;
    for (int i = 0; i < 12 && h.sim().world().ball().velocity().length() == 0.0; ++i) {
        h.sim().receive(1, "(rle3 6.1)");
        h.stepAll();
        foot = body.footVelocity(0);
    }
    const Vec3 v = h.sim().world().ball().velocity();
    ASSERT_GT(v.length(), 0.0) << "the foot reached the ball";
    EXPECT_NEAR(std::atan2(v.y, v.x), std::atan2(foot.y, foot.x), 1e-9) << "along the foot's motion";
    // At the kick factor of the foot's speed (it has rolled for the rest of that cycle).
    EXPECT_NEAR(std::hypot(v.x, v.y), Contacts::kKickGain * std::hypot(foot.x, foot.y), 0.02 * v.length());
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::PlayOn) << "the kick-off is taken";
}

TEST(BallContact, AKickIntoTheGoalScores) {
    SimHarness h;
    h.sim().rules().setPlayMode(PlayMode::PlayOn, 0.0);
    readyToKick(h, 1, "VOR", 5.55, 0.1, 0.0);
    h.sim().receive(1, "(rle3 6.1)");
    h.steps(10);
    h.sim().receive(1, "(rle3 0)");
    h.steps(200);
    EXPECT_EQ(h.sim().rules().score(TeamSide::Left), 1);
}
