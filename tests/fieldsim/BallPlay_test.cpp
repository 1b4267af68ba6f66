// Robots and the ball meet: a foot swinging into the ball kicks it along the
// foot's motion, feet and bodies stop it and push it, robots push each
// other apart, goals come from kicks, and a ball that leaves the field
// brings the right kick-in, goal kick or corner with the ball put in place.
#include <gtest/gtest.h>

#include <cmath>

#include "Contacts.h"
#include "FieldsimTestKit.h"
#include "GameRules.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

SimOptions playOn() {
    SimOptions o = testOptions();
    o.kickoffAfter = -1.0;
    return o;
}

// Client `id` of `team` stands at (x, y) facing `heading` on its left foot,
// the right sole just off the ground, and the ball lies 5 mm in front of
// the right toes.
RobotBody& readyToKick(SimHarness& h, int id, const std::string& team, double x, double y, double heading) {
    EXPECT_TRUE(h.join(id, team, id));
    RobotBody& body = h.robot(id).body;
    const Posture p = standingPosture();
    for (int j = 0; j < 22; ++j) body.setAngle(j, p[j] * kDeg);
    body.setAngle(NaoModel::RLJ4, -33 * kDeg);
    body.setAngle(NaoModel::RLJ5, 22 * kDeg);
    body.place(x, y, heading);
    const Pose foot = body.footBox(0);
    const Vec3 ahead = foot.rot * Vec3{0, 1, 0};
    const Vec3 ball = foot.pos + ahead * (NaoModel::kFootHalfLength + Ball::kRadius + 0.005);
    h.sim().world().ball().place({ball.x, ball.y, Ball::kRadius});
    return body;
}

// Swings the right leg forward at full speed for `cycles` cycles.
void swingRightLeg(SimHarness& h, int id, int cycles) {
    for (int i = 0; i < cycles; ++i) {
        h.sim().receive(id, "(rle3 6.1)");
        h.stepAll();
    }
    h.sim().receive(id, "(rle3 0)");
}

}  // namespace

// ------------------------------------------------------------ ball contact

TEST(BallContact, AFootSwingingIntoTheBallSendsItAlongTheFootsMotion) {
    SimHarness h(playOn());
    h.sim().rules().setPlayMode(PlayMode::KickOffLeft, 0.0);
    RobotBody& body = readyToKick(h, 1, "VOR", -1.0, 0.5, 30.0);
    const Vec3 start = h.sim().world().ball().position();
    Vec3 footVelocity;
    for (int i = 0; i < 12 && h.sim().world().ball().velocity().length() == 0.0; ++i) {
        h.sim().receive(1, "(rle3 6.1)");
        h.stepAll();
        footVelocity = body.footVelocity(0);
    }
    const Vec3 v = h.sim().world().ball().velocity();
    ASSERT_GT(v.length(), 0.0) << "the foot reached the ball";
    EXPECT_NEAR(std::atan2(v.y, v.x), std::atan2(footVelocity.y, footVelocity.x), 1e-9) << "along the foot's motion";
    // (It has rolled for the rest of that cycle.)
    EXPECT_NEAR(std::hypot(v.x, v.y), Contacts::kKickGain * std::hypot(footVelocity.x, footVelocity.y),
                0.02 * std::hypot(v.x, v.y));
    EXPECT_NEAR(std::atan2(v.y, v.x) / kDeg, 30.0, 15.0) << "where the robot faces";
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::PlayOn) << "the kick-off is taken";
    h.steps(300);
    const Vec3 rest = h.sim().world().ball().position();
    EXPECT_GT(std::hypot(rest.x - start.x, rest.y - start.y), 0.3);
    EXPECT_EQ(h.sim().world().ball().velocity().length(), 0.0) << "rolled out";
}

TEST(BallContact, AFootMovingAwayOrStandingDoesNotKick) {
    // The ball behind the right heel while the leg swings forward.
    SimHarness h(playOn());
    RobotBody& body = readyToKick(h, 1, "VOR", 0.0, 0.0, 0.0);
    const Pose foot = body.footBox(0);
    const Vec3 behind = foot.pos - foot.rot * Vec3{0, 1, 0} * (NaoModel::kFootHalfLength + Ball::kRadius - 0.002);
    h.sim().world().ball().place({behind.x, behind.y, Ball::kRadius});
    swingRightLeg(h, 1, 4);
    EXPECT_EQ(h.sim().world().ball().velocity().length(), 0.0);

    // A ball rolling into a standing robot stops at its feet instead of
    // passing through.
    SimHarness g(playOn());
    ASSERT_TRUE(g.join(1, "VOR", 1));
    g.robot(1).body.place(0.0, 0.0, 0.0);
    g.sim().world().ball().place({1.0, 0.0, Ball::kRadius});
    g.sim().world().ball().push({-1.5, 0.0, 0.0});
    double closest = 1e9;
    for (int i = 0; i < 150; ++i) {
        g.stepAll();
        closest = std::min(closest, g.sim().world().ball().position().x);
    }
    EXPECT_GT(closest, 0.1) << "stopped in front of the toes";
    EXPECT_LT(std::fabs(g.sim().world().ball().velocity().x), 0.05) << "no longer coming on";
}

TEST(BallContact, AWalkingRobotPushesTheBallAheadAndNeverWalksThroughIt) {
    SimHarness h(playOn());
    Gait gait;
    RobotBody& body = standInGait(h, gait, -2.0, 0.0);
    h.sim().world().ball().place({-1.7, -0.02, Ball::kRadius});
    walk(h, gait, 4.0, [&](const std::string&) {
        const Vec3 b = h.sim().world().ball().position();
        const Vec3 t = body.torso().pos;
        ASSERT_GE(std::hypot(b.x - t.x, b.y - t.y), RobotBody::kUprightBallRadius + Ball::kRadius - 1e-9);
    });
    EXPECT_EQ(body.state(), BodyState::Upright);
    EXPECT_GT(h.sim().world().ball().position().x, body.torso().pos.x) << "still ahead";
    EXPECT_GT(h.sim().world().ball().position().x, -1.0) << "pushed along";
}

TEST(BallContact, RobotsPushEachOtherApart) {
    SimHarness h(playOn());
    ASSERT_TRUE(h.join(1, "VOR", 1));
    ASSERT_TRUE(h.join(2, "OPP", 1));
    RobotBody& a = h.robot(1).body;
    RobotBody& b = h.robot(2).body;
    a.place(0.0, 0.0, 0.0);
    b.place(0.05, 0.0, 180.0);
    h.stepAll();
    const double apart = std::hypot(a.torso().pos.x - b.torso().pos.x, a.torso().pos.y - b.torso().pos.y);
    EXPECT_NEAR(apart, 2 * RobotBody::kUprightRadius, 1e-9);
    EXPECT_NEAR(a.torso().pos.x, -0.075, 1e-9) << "half each";

    // A lying robot is long: a standing one beside its legs is pushed too.
    b.knockOver(true);  // falls toward -x, over the other one's place
    h.steps(30);
    const Footprint lying = b.footprint();
    Vec3 ca, cb;
    Contacts::closestPoints(lying.a, lying.b, a.torso().pos, a.torso().pos, ca, cb);
    EXPECT_GE(std::hypot(ca.x - cb.x, ca.y - cb.y), RobotBody::kLyingRadius + RobotBody::kUprightRadius - 1e-9);
}

// ------------------------------------------------------------------ goals

TEST(BallContact, AKickIntoTheGoalScores) {
    SimHarness h(playOn());
    h.sim().rules().setPlayMode(PlayMode::PlayOn, 0.0);
    readyToKick(h, 1, "VOR", 5.55, 0.1, 0.0);
    swingRightLeg(h, 1, 10);
    h.steps(200);
    EXPECT_EQ(h.sim().rules().score(TeamSide::Left), 1);
    EXPECT_NE(h.console().find("goal for left"), std::string::npos);
}

// ---------------------------------------------------------- out of bounds

TEST(OutOfBounds, TheRightSetPieceWithTheBallInPlace) {
    struct Case {
        const char* name;
        int toucher;  // 0 left, 1 right, -1 nobody (a scripted push)
        Vec3 from, velocity;
        PlayMode mode;
        Vec3 placed;
    };
    // 12 x 8 field, goals 1.4 wide. Where the ball's centre crossed the
    // line one radius outside, worked out from the straight path.
    const double r = Ball::kRadius;
    const Case cases[] = {
        {"side line, left touched", 0, {2.0, 3.5, r}, {1.0, 2.0, 0}, PlayMode::KickInRight, {2.0 + (0.5 + r) / 2, 4.0, r}},
        {"side line, right touched", 1, {-1.0, -3.8, r}, {0.0, -1.0, 0}, PlayMode::KickInLeft, {-1.0, -4.0, r}},
        {"side line, nobody, left half", -1, {-2.0, 3.9, r}, {0.0, 1.0, 0}, PlayMode::KickInLeft, {-2.0, 4.0, r}},
        {"right goal line, attackers", 0, {5.5, 1.5, r}, {2.0, 0.0, 0}, PlayMode::GoalKickRight, {5.0, 0.0, r}},
        {"right goal line, defenders", 1, {5.5, 1.5, r}, {2.0, 0.0, 0}, PlayMode::CornerKickLeft, {6.0, 4.0, r}},
        {"left goal line, defenders", 0, {-5.5, -2.0, r}, {-2.0, 0.0, 0}, PlayMode::CornerKickRight, {-6.0, -4.0, r}},
        {"left goal line, attackers", 1, {-5.5, -2.0, r}, {-2.0, 0.0, 0}, PlayMode::GoalKickLeft, {-5.0, 0.0, r}},
        {"right goal line, nobody", -1, {5.8, -0.9, r}, {1.0, 0.0, 0}, PlayMode::GoalKickRight, {5.0, 0.0, r}},
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
            now += 0.02;
            rules.step(now, 0.02, before, ball);
        }
        EXPECT_EQ(rules.playMode(), c.mode) << c.name;
        EXPECT_NEAR(ball.position().x, c.placed.x, 0.02) << c.name;
        EXPECT_NEAR(ball.position().y, c.placed.y, 1e-9) << c.name;
        EXPECT_EQ(ball.velocity().length(), 0.0) << c.name << ": placed at rest";

        // Play goes on after 15 s, or at once when someone touches the ball.
        const double since = now;
        for (int i = 0; i < 800 && rules.playMode() == c.mode; ++i) {
            now += 0.02;
            rules.step(now, 0.02, ball.position(), ball);
        }
        EXPECT_EQ(rules.playMode(), PlayMode::PlayOn) << c.name;
        EXPECT_NEAR(now - since, 15.0, 0.021) << c.name;
        EXPECT_NEAR(ball.position().y, c.placed.y, 1e-9) << c.name << ": the ball stays on the line";
    }
}

TEST(OutOfBounds, ATouchTakesTheSetPieceAndADefendersKickWideGivesACorner) {
    // A right-team robot by its own goal kicks the ball wide over its goal line.
    SimHarness h(playOn());
    h.sim().rules().setPlayMode(PlayMode::PlayOn, 0.0);
    ASSERT_TRUE(h.join(1, "VOR", 1));  // the left team
    readyToKick(h, 2, "OPP", 5.65, 1.2, 0.0);
    swingRightLeg(h, 2, 10);
    h.steps(100);
    ASSERT_EQ(h.sim().rules().playMode(), PlayMode::CornerKickLeft);
    EXPECT_EQ(h.sim().world().ball().position().x, 6.0);
    EXPECT_EQ(h.sim().world().ball().position().y, 4.0);

    // A robot standing where the ball is put takes it at once.
    h.sim().world().robot(2)->body.place(5.9, 3.9, 0.0);
    h.stepAll();
    EXPECT_EQ(h.sim().rules().playMode(), PlayMode::PlayOn);
}
