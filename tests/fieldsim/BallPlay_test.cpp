// Robots and the ball meet: a foot swinging into the ball kicks it along the
// foot's motion, goals come from kicks, and a ball that leaves the field
// brings the right kick-in, goal kick or corner with the ball put in place.
#include <gtest/gtest.h>

#include <cmath>

#include "robot/kinematic/Contacts.h"
#include "FieldsimTestKit.h"
#include "game/GameRules.h"

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

TEST(OutOfBounds, TheRightSetPieceWithTheBallInPlace) {
    struct Case {
        const char* name;
        int toucher;  // 0 left, 1 right, -1 nobody (a scripted push)
        Vec3 from, velocity;
        PlayMode mode;
        double x, y;  // where the ball is put
    };
    // 12 x 8 field. Over a side line the ball is put where its centre
    // crossed the line one radius outside, from its straight path.
    const double r = Ball::kRadius;
    const Case cases[] = {
        {"side line, left touched", 0, {2.0, 3.5, r}, {1.0, 2.0, 0}, PlayMode::KickInRight, 2.0 + (0.5 + r) / 2, 4.0},
        {"side line, nobody, left half", -1, {-2.0, 3.9, r}, {0.0, 1.0, 0}, PlayMode::KickInLeft, -2.0, 4.0},
        {"right goal line, attackers", 0, {5.5, 1.5, r}, {2.0, 0.0, 0}, PlayMode::GoalKickRight, 5.0, 0.0},
        {"right goal line, defenders", 1, {5.5, 1.5, r}, {2.0, 0.0, 0}, PlayMode::CornerKickLeft, 6.0, 4.0},
        {"left goal line, defenders", 0, {-5.5, -2.0, r}, {-2.0, 0.0, 0}, PlayMode::CornerKickRight, -6.0, -4.0},
        {"right goal line, nobody", -1, {5.8, -0.9, r}, {1.0, 0.0, 0}, PlayMode::GoalKickRight, 5.0, 0.0},
    };
    for (const Case& c : cases) {
        GameRules rules(GameRulesConfig{}, FieldGeometry());
        rules.setPlayMode(PlayMode::PlayOn, 0.0);
        Ball ball;
        ball.place(c.from);
        ball.push(c.velocity);
        if (c.toucher >= 0) rules.ballTouchedBy(c.toucher == 0 ? TeamSide::Left : TeamSide::Right);
        double now = 0.0;
        for (int i = 0; i < 500 && rules.playMode() == PlayMode::PlayOn; ++i) {
            const Vec3 before = ball.position();
            ball.step(0.02);
            rules.step(now += 0.02, 0.02, before, ball);
        }
        EXPECT_EQ(rules.playMode(), c.mode) << c.name;
        EXPECT_NEAR(ball.position().x, c.x, 0.02) << c.name;
        EXPECT_EQ(ball.position().y, c.y) << c.name;
        EXPECT_EQ(ball.velocity().length(), 0.0) << c.name << ": put at rest";
    }
}
