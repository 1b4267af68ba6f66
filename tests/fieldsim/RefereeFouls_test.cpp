// The referee's fouls and how it moves a robot: a robot lying too long is
// lifted and set down beyond the side line (measured on the real server:
// left 2 lying at (-3, 1) was lifted 15.0 to 15.5 s later and set down at
// (-3.0, -4.5, 0.4)); a fourth defender in the area and a third robot in a
// scrum are pushed out; a robot running into an opponent is charging. And the
// move itself on the physics model: rigid, everything stopped, nothing woken.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "RefereeBench.h"
#include "robot/physics/PhysicsBody.h"

namespace {

constexpr TeamSide L = TeamSide::Left;
constexpr TeamSide R = TeamSide::Right;

// Cycles until the robot's foul of `rule` is called; its time, or -1.
double untilFoul(RefereeBench& b, int id, const std::string& rule, int limit) {
    for (int i = 0; i < limit; ++i) {
        b.cycle();
        const RefereeEntry* e = b.entry(rule, id);
        if (e && e->foul) return b.now();
    }
    return -1.0;
}

}  // namespace

TEST(Incapable, LyingFifteenSecondsTheRobotIsLiftedThenSetDownBeyondTheSideLine) {
    RefereeBench b;
    b.add(1, L, 2, -3.0, 1.0, 0.0);
    b.add(2, R, 3, 3.0, 0.0, 180.0);
    b.mode(PlayMode::PlayOn);
    b.cycle();
    b.robot(1).body().knockOver(true);
    const double knocked = b.now();
    const double called = untilFoul(b, 1, "incapable", 1000);
    ASSERT_GT(called, 0.0) << b.console();
    EXPECT_GT(called - knocked, 15.0);
    EXPECT_LT(called - knocked, 15.5);
    EXPECT_TRUE(b.referee().fouled(1));
    const Vec3 lying = b.torso(1);
    // 25 cycles up in the air, 1 cm higher each, where it lay.
    for (int n = 2; n <= 26; ++n) {
        b.cycle();
        ASSERT_NE(b.entry("incapable", 1), nullptr) << n;
        EXPECT_NEAR(b.torso(1).z, 1.0 + 0.01 * n, 1e-9) << n;
        EXPECT_NEAR(b.torso(1).x, lying.x, 1e-9);
        EXPECT_NEAR(b.torso(1).y, lying.y, 1e-9);
    }
    // Then beyond the side line away from the ball, 0.6 m along per number below 7.
    b.cycle();
    ASSERT_NE(b.entry("off-field", 1), nullptr);
    EXPECT_NEAR(b.torso(1).x, -3.0, 1e-9);
    EXPECT_NEAR(b.torso(1).y, -4.5, 1e-9);
    EXPECT_NEAR(b.torso(1).z, 0.4, 1e-9);
    EXPECT_FALSE(b.referee().fouled(1));
    // Off the field nothing is counted: it may lie there.
    b.cycles(1000);
    EXPECT_EQ(b.referee().fouls().groundCycles(1), 0);
    EXPECT_LT(b.torso(1).z, 0.15) << "it came down";
    EXPECT_NE(b.console().find("left 2 (Ants): foul, incapable: 15 s on the ground"),
              std::string::npos)
        << b.console();
}

TEST(Incapable, TheGoalieMayLieTwiceAsLongAndAPauseForgetsEverything) {
    RefereeBench b;
    b.add(1, L, 1, -5.0, 0.0, 0.0);
    b.mode(PlayMode::PlayOn);
    b.cycle();
    b.robot(1).body().knockOver(false);
    b.cycles(1000);  // 20 s
    EXPECT_FALSE(b.referee().fouled(1));
    EXPECT_GT(b.referee().fouls().groundCycles(1), 750);
    EXPECT_GT(untilFoul(b, 1, "incapable", 600), 0.0);
    b.cycles(3);
    EXPECT_GT(b.torso(1).z, 1.0) << "held";
    // A goal (a pause) in the middle of the hold: it is let go where it is.
    b.mode(PlayMode::GoalRight);
    b.cycle();
    EXPECT_FALSE(b.referee().fouled(1));
    b.cycle();
    EXPECT_LT(b.torso(1).z, 0.15);
    EXPECT_NEAR(b.torso(1).y, 0.0, 0.3) << "not set down off the field";
}

TEST(IllegalDefence, AFourthPlayerEnteringItsOwnAreaIsPushedOutOfIt) {
    RefereeBench b;
    b.add(1, L, 1, -5.6, 0.0, 0.0);
    b.add(2, L, 2, -5.0, 1.2, 0.0);
    b.add(3, L, 3, -5.0, -1.2, 0.0);
    b.add(4, L, 4, -3.5, 0.3, 180.0);
    b.mode(PlayMode::PlayOn);
    b.cycles(2);
    b.robot(4).body().place(-4.5, 0.3, 180.0);
    b.cycle();
    const RefereeEntry* e = b.entry("illegal-defence", 4);
    ASSERT_NE(e, nullptr) << b.console();
    // To the nearest edge of the area (the front, at x = -4.2) and 0.4 beyond.
    EXPECT_NEAR(b.torso(4).x, -3.8, 1e-9);
    EXPECT_NEAR(b.torso(4).y, 0.3, 1e-9);
    EXPECT_FALSE(b.referee().fouled(4)) << "pushed, not held";
    // Three in the area is the limit: the other three stay.
    for (int id = 1; id <= 3; ++id) EXPECT_EQ(b.entry("illegal-defence", id), nullptr) << id;
}

TEST(Touching, TheThirdRobotOfAScrumIsPushedOutOfIt) {
    RefereeBench b;
    b.add(1, L, 2, -2.0, 2.0, 0.0);
    b.add(2, R, 2, -1.81, 2.0, 180.0);
    b.add(3, L, 3, -3.0, 3.0, 0.0);
    b.mode(PlayMode::PlayOn);
    b.cycles(5);
    EXPECT_EQ(b.entry("touching", 3), nullptr) << "two may touch";
    b.robot(3).body().place(-1.9, 2.17, 0.0);  // the newcomer, touching both
    b.cycle();
    const RefereeEntry* e = b.entry("touching", 3);
    ASSERT_NE(e, nullptr) << b.console();
    EXPECT_GE(std::hypot(e->to.x - e->from.x, e->to.y - e->from.y), 0.4 - 1e-9);
    EXPECT_GT(e->to.y, e->from.y) << "away from the others";
    EXPECT_EQ(b.entry("touching", 1), nullptr);
    EXPECT_EQ(b.entry("touching", 2), nullptr);
    EXPECT_FALSE(b.referee().fouled(3)) << "pushed, not held";
}

TEST(Charging, RunningIntoAnOpponentAwayFromTheBallIsAFoul) {
    // Left 2 runs at 1 m/s into right 2, who stands; both far from the ball.
    RefereeBench b;
    b.add(1, L, 2, -3.0, 2.0, 0.0);
    b.add(2, R, 2, -2.6, 2.0, 180.0);
    b.mode(PlayMode::PlayOn);
    b.cycle();
    double charged = -1.0, contact = -1.0;
    for (int i = 0; i < 60 && charged < 0.0; ++i) {
        const Vec3 a = b.torso(1);
        b.robot(1).body().place(a.x + 0.02, a.y, 0.0);
        b.cycle();
        if (contact < 0.0 && b.torso(2).x - b.torso(1).x < 0.2 + 1e-6) contact = b.now();
        const RefereeEntry* e = b.entry("charging", 1);
        if (e && e->foul) charged = b.now();
        EXPECT_EQ(b.entry("charging", 2), nullptr) << "pushed, not charging";
    }
    ASSERT_GT(contact, 0.0);
    ASSERT_GT(charged, 0.0) << b.console();
    EXPECT_GE(charged - contact, 0.2 - 1e-9) << "only after 0.2 s of contact";
    EXPECT_NE(b.console().find("left 2 (Ants): foul, charging right 2 (Bees)"), std::string::npos)
        << b.console();
    // Held, then set down beyond the side line like an incapable robot.
    b.cycles(26);
    EXPECT_NEAR(b.torso(1).x, -3.0, 1e-9);
    EXPECT_NEAR(b.torso(1).y, -4.5, 1e-9);
}

TEST(RuleMove, ThePhysicsRobotIsMovedRigidlyAndStoppedWithItsJointsAsTheyWere) {
    RefereeBench b(ModelKind::Physics);
    Robot& r = b.add(1, L, 2, -2.0, 1.0, 30.0);
    PhysicsBody& body = dynamic_cast<PhysicsBody&>(r.body());
    for (const auto& [joint, speed] : {std::pair<int, double>{NaoModel::HJ1, 2.0},
                                       {NaoModel::RLJ3, 3.0},
                                       {NaoModel::LAJ1, -4.0},
                                       {NaoModel::LLJ4, -2.0}}) {
        body.setVelocity(joint, speed);
    }
    b.cycles(8);
    double angles[NaoModel::kJointCount];
    for (int j = 0; j < NaoModel::kJointCount; ++j) angles[j] = body.angle(j);
    const std::array<Pose, NaoModel::kBodyPartCount> before = body.partPoses();
    const dReal* thigh = dBodyGetAngularVel(body.partBody(NaoBuild::RThigh));
    ASSERT_GT(Vec3(thigh[0], thigh[1], thigh[2]).length(), 1.0) << "it was moving";
    const Vec3 target{2.5, -1.0, 1.2};
    body.relocate(target);
    const std::array<Pose, NaoModel::kBodyPartCount> after = body.partPoses();
    const Vec3 shift = target - before[0].pos;
    EXPECT_NEAR((after[0].pos - target).length(), 0.0, 1e-12);
    for (int i = 0; i < NaoModel::kBodyPartCount; ++i) {
        SCOPED_TRACE(NaoModel::bodyPart(i).name);
        EXPECT_NEAR((after[i].pos - before[i].pos - shift).length(), 0.0, 1e-12)
            << "the same offset for every body";
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR((after[i].rot.column(c) - before[i].rot.column(c)).length(), 0.0, 1e-15)
                << "orientation kept";
        }
        const dReal* v = dBodyGetLinearVel(body.partBody(i));
        const dReal* w = dBodyGetAngularVel(body.partBody(i));
        EXPECT_EQ(Vec3(v[0], v[1], v[2]).length() + Vec3(w[0], w[1], w[2]).length(), 0.0)
            << "stopped";
    }
    for (int j = 0; j < NaoModel::kJointCount; ++j)
        EXPECT_NEAR(body.angle(j), angles[j], 1e-9) << j;
}

TEST(RuleMove, AFrozenPhysicsRobotStaysFrozenWhereItIsPutEvenInTheAir) {
    // As measured with a bare robot on the real server: once the engine has
    // frozen it (still for 0.2 s), a move by the rules does not wake it.
    RefereeBench b(ModelKind::Physics);
    Robot& r = b.add(1, L, 2, -2.0, 1.0, 0.0);
    PhysicsBody& body = dynamic_cast<PhysicsBody&>(r.body());
    b.mode(PlayMode::PlayOn);
    b.cycles(100);
    ASSERT_EQ(dBodyIsEnabled(body.partBody(NaoBuild::Torso)), 0) << "it stood still and froze";
    body.relocate({-2.0, 1.0, 1.0});
    b.cycles(50);
    EXPECT_EQ(dBodyIsEnabled(body.partBody(NaoBuild::Torso)), 0);
    EXPECT_NEAR(b.torso(1).z, 1.0, 1e-12) << "hanging where it was put";
    // A joint command wakes it, and down it comes.
    body.setVelocity(NaoModel::HJ1, 1.0);
    b.cycles(30);
    EXPECT_LT(b.torso(1).z, 0.6);
}
