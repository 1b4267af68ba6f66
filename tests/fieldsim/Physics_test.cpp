// The physics robot model against what the real server does with the same
// robot: standing after a beam, collapsing limp, toppling when pushed, the
// ball rolling out, joint speeds (in both models) and stops, the motors'
// strength, the grip of the ground, the gyro, frozen joints, and
// repeatability. The figures compared with are the real server's (its
// standing foot forces and accelerometer, its joint speed per cycle and its
// soft joint stops, its motors' 10 N m).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "FieldsimTestKit.h"
#include "robot/physics/PhysicsBody.h"
#include "robot/physics/SelfCollision.h"
#include "support/ChildProcess.h"

namespace {

SimOptions physicsOptions() {
    SimOptions o = testOptions();
    o.model = ModelKind::Physics;
    return o;
}

// Client 1 joins the left team and is beamed to (-2, 0) facing the opponent goal.
void joinAndBeam(SimHarness& h) {
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.step(1);
    ASSERT_TRUE(h.sim().receive(1, "(beam -2 0 0)"));
}

// The last perception after `cycles` cycles in which the robot says nothing.
std::string idle(SimHarness& h, int cycles) {
    std::string seen;
    for (int i = 0; i < cycles; ++i) seen = h.step(1);
    return seen;
}

PhysicsBody& physicsBody(SimHarness& h) { return dynamic_cast<PhysicsBody&>(h.robot(1).body()); }

}  // namespace

TEST(PhysicsModel, BeamedRobotSettlesStandingAsOnTheRealServerAndStaysPut) {
    SimHarness h(physicsOptions());
    joinAndBeam(h);
    const std::string settled = idle(h, 50);
    const Vec3 at = h.robot(1).body().torso().pos;
    EXPECT_NEAR(at.x, -2.0, 0.005);
    EXPECT_NEAR(at.z, 0.384, 0.002) << "soles on the ground: 0.385 below the torso, less the contact's give";
    const std::string later = idle(h, 500);
    const Vec3 after = h.robot(1).body().torso().pos;
    EXPECT_LT((after - at).length(), 0.001) << "no drift and no sinking in 10 s";
    EXPECT_EQ(h.robot(1).body().state(), BodyState::Upright);
    // The real server, standing robot with straight joints:
    // (FRP (n rf) (c -0.000 -0.009 -0.010) (f 0.000 0.001 22.593)), the same for lf,
    // (ACC (n torso) (a 0.000 0.000 9.810)).
    for (const char* foot : {"(FRP (n rf)", "(FRP (n lf)"}) {
        const std::string frp = expression(later, foot);
        ASSERT_FALSE(frp.empty()) << foot;
        const std::vector<double> c = numbersAfter(frp, "(c ", 3), f = numbersAfter(frp, "(f ", 3);
        ASSERT_EQ(c.size(), 3u);
        ASSERT_EQ(f.size(), 3u);
        EXPECT_NEAR(f[2], 22.593, 0.01) << foot;
        EXPECT_NEAR(f[0], 0.0, 0.01) << foot;
        EXPECT_NEAR(c[1], -0.009, 0.001) << foot;
        EXPECT_NEAR(c[2], -0.010, 0.001) << foot;
    }
    const std::vector<double> acc = numbersAfter(later, "(a ", 3);
    ASSERT_EQ(acc.size(), 3u);
    EXPECT_NEAR(acc[2], 9.81, 1e-3);
    EXPECT_NEAR(acc[0], 0.0, 1e-3);
    EXPECT_EQ(expression(settled, "(FRP (n rf)"), expression(later, "(FRP (n rf)"))
        << "a still robot is frozen by the engine and repeats its readings";
}

TEST(PhysicsModel, LimpRobotCollapsesAndLiesOnTheGround) {
    SimHarness h(physicsOptions());
    joinAndBeam(h);
    idle(h, 20);
    // Motors too weak to carry the robot (10 N m is their strength).
    physicsBody(h).setMaxTorque(0.2);
    idle(h, 150);
    const RobotBody& b = h.robot(1).body();
    EXPECT_NE(b.state(), BodyState::Upright);
    EXPECT_LT(b.torso().pos.z, 0.2);
    for (int part = 0; part < NaoBuild::kPartCount; ++part) {
        EXPECT_GT(physicsBody(h).partPose(part).pos.z, 0.0) << NaoBuild::part(part).name << " sank into the ground";
    }
}

TEST(PhysicsModel, TorsoPushTopplesTheRobotAndTheSolesLeaveTheGround) {
    struct Case {
        const char* way;
        BodyState lying;
        double accY;  // the real server lying on the front reads about -9.8, on the back +9.8
    };
    for (const Case& c : {Case{"front", BodyState::LyingFront, -9.8}, Case{"back", BodyState::LyingBack, 9.8}}) {
        SimHarness h(physicsOptions());
        ASSERT_TRUE(h.script(std::string("1.0 knock-over left 1 ") + c.way));
        joinAndBeam(h);
        idle(h, 45);
        EXPECT_EQ(h.robot(1).body().state(), BodyState::Upright) << c.way << ": stands until pushed";
        const std::string lying = idle(h, 150);
        EXPECT_EQ(h.robot(1).body().state(), c.lying) << c.way;
        EXPECT_NE(h.console().find("fell onto its " + std::string(c.way)), std::string::npos) << h.console();
        const std::vector<double> acc = numbersAfter(lying, "(a ", 3);
        ASSERT_EQ(acc.size(), 3u);
        EXPECT_NEAR(acc[1], c.accY, 0.5) << c.way;
        // Whatever still touches, it is not a sole bearing the weight.
        for (const char* foot : {"(FRP (n rf)", "(FRP (n lf)"}) {
            const std::string frp = expression(lying, foot);
            if (frp.empty()) continue;
            const std::vector<double> f = numbersAfter(frp, "(f ", 3);
            ASSERT_EQ(f.size(), 3u);
            EXPECT_LT(std::fabs(f[2]), 5.0) << c.way << " " << frp;
        }
    }
}

TEST(PhysicsModel, BallRollsOutAndSlowsDownByItsDragAlone) {
    SimHarness h(physicsOptions());
    ASSERT_TRUE(h.script("0 playmode PlayOn\n0.1 place-ball 1 0\n0.2 push-ball 2 0\n"));
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.steps(12);
    double lastSpeed = 1e9, lastX = 1.0;
    for (int i = 0; i < 250; ++i) {
        h.stepAll();
        const Ball& ball = h.sim().world().ball();
        const double speed = std::hypot(ball.velocity().x, ball.velocity().y);
        ASSERT_LE(speed, lastSpeed + 1e-6) << "cycle " << i;
        ASSERT_GE(ball.position().x, lastX - 1e-9);
        EXPECT_NEAR(ball.position().z, PhysicsModel::kBallRadius, 0.003) << "rolls, does not bounce or sink";
        lastSpeed = speed;
        lastX = ball.position().x;
    }
    // Pushed without spin at 2 m/s, the ball slides until it rolls, at 5/7
    // of that; then linear drag 0.01 N s/m and turning drag 5e-5 N m s on a
    // 26 g ball make the speed decay at about 1.05 per second, so it runs
    // out after about 1.43 / 1.05 = 1.36 m.
    EXPECT_NEAR(lastX - 1.0, 1.36, 0.1);
    EXPECT_LT(lastSpeed, 0.02);
}

TEST(PhysicsModel, GoalFramesStopTheBall) {
    // Rolled straight at the left goal's post (the front end of its side
    // panel, on the goal line from y = 0.70 to 0.74), the ball bounces back
    // into the field instead of passing through.
    SimHarness h(physicsOptions());
    ASSERT_TRUE(h.script("0 playmode PlayOn\n0.1 place-ball -5.5 0.72\n0.2 push-ball -3 0\n"));
    ASSERT_TRUE(h.join(1, "VOR", 1));
    h.steps(11);
    double deepest = 0.0;
    for (int i = 0; i < 60; ++i) {
        h.stepAll();
        deepest = std::min(deepest, h.sim().world().ball().position().x);
    }
    EXPECT_GT(deepest, -6.0 - 0.01);
    EXPECT_LT(deepest, -6.0 + PhysicsModel::kBallRadius + 0.01) << "it reached the post";
    EXPECT_GT(h.sim().world().ball().velocity().x, 0.0) << "and came back";
    EXPECT_EQ(h.sim().rules().score(TeamSide::Right), 0);
}

TEST(PhysicsModel, JointSpeedStopsAndLatencyAsOnTheRealServer) {
    SimHarness h(physicsOptions());
    joinAndBeam(h);
    idle(h, 30);
    // (he1 1.0) answering perception n shows first in perception n + 2, then
    // 1.146 degrees per cycle; (he1 8.0) is capped at 7.03 degrees per cycle.
    ASSERT_TRUE(h.sim().receive(1, "(he1 1.0)"));
    std::vector<double> hj1;
    for (int i = 0; i < 6; ++i) hj1.push_back(jointAngle(h.step(1), "hj1"));
    EXPECT_NEAR(hj1[0], 0.0, 1e-3) << "perception n + 1 still shows the old angle";
    EXPECT_GT(hj1[1], 0.5) << "perception n + 2 shows the move";
    EXPECT_NEAR(hj1[5] - hj1[4], 1.146, 0.02);
    ASSERT_TRUE(h.sim().receive(1, "(he1 -8.0)"));
    for (int i = 0; i < 4; ++i) hj1.push_back(jointAngle(h.step(1), "hj1"));
    EXPECT_NEAR(hj1[9] - hj1[8], -7.03, 0.05);
    // Driven on into the stop at -120 it reads past it now and then, by a few degrees.
    double lowest = 0.0, highest = -1e9;
    for (int i = 0; i < 100; ++i) {
        const double a = jointAngle(h.step(1), "hj1");
        if (i < 40) continue;
        lowest = std::min(lowest, a);
        highest = std::max(highest, a);
        h.sim().receive(1, "(he1 -6.0)");
    }
    EXPECT_LT(lowest, -120.2);
    EXPECT_GT(lowest, -128.0);
    EXPECT_GT(highest, -126.0);
}

// The motors hold up to 10 N m each, the real server's figure: a load a
// little under that on the neck (a twist between head and torso) leaves the
// head where it is, a little over it turns the head away.
TEST(PhysicsModel, AJointHoldsALoadUpToTheMotorsStrengthAndGivesWayBeyond) {
    for (const double load : {9.5, -9.5, 10.5, -10.5}) {
        SCOPED_TRACE(load);
        SimHarness h(physicsOptions());
        joinAndBeam(h);
        idle(h, 40);
        PhysicsBody& body = physicsBody(h);
        const double start = jointAngle(h.step(1), "hj1");
        double farthest = 0.0;
        for (int i = 0; i < 10; ++i) {
            // A still robot is put to rest by the engine; a load wakes it.
            for (int part = 0; part < NaoBuild::kPartCount; ++part) dBodyEnable(body.partBody(part));
            dJointAddHingeTorque(body.hinge(NaoModel::HJ1), load);
            farthest = std::max(farthest, std::fabs(jointAngle(h.step(1), "hj1") - start));
        }
        if (std::fabs(load) < 10.0)
            EXPECT_LT(farthest, 0.5) << "the motor holds the head";
        else
            EXPECT_GT(farthest, 10.0) << "the motor gives way";
    }
}

// The ground holds whatever touches it with unbounded friction and a slight
// slip (0.005 m/s per newton at each contact, shared by the contacts of the
// back, the arms and the heels): a robot lying on its back and pushed along
// the ground creeps at a steady speed in proportion to the push, about
// 0.55 mm/s per newton, even at four times its weight, where any bounded
// friction would let it slide away faster and faster.
TEST(PhysicsModel, ARobotPushedAlongTheGroundCreepsInProportionAndNeverSlidesAway) {
    double speedAt[2] = {};
    for (const int i : {0, 1}) {
        const double push = i == 0 ? 100.0 : 200.0;  // N; the robot weighs about 45 N
        SCOPED_TRACE(push);
        SimHarness h(physicsOptions());
        ASSERT_TRUE(h.script("1.0 knock-over left 1 back\n"));
        joinAndBeam(h);
        idle(h, 200);
        PhysicsBody& body = physicsBody(h);
        ASSERT_EQ(body.state(), BodyState::LyingBack);
        const double x0 = body.torso().pos.x;
        std::vector<double> moved;
        for (int c = 0; c < 50; ++c) {
            for (int part = 0; part < NaoBuild::kPartCount; ++part) dBodyEnable(body.partBody(part));
            dBodyAddForce(body.partBody(NaoBuild::Torso), push, 0.0, 0.0);
            h.stepAll();
            moved.push_back(body.torso().pos.x - x0);
        }
        const double early = (moved[19] - moved[9]) / 0.2, late = (moved[49] - moved[39]) / 0.2;
        EXPECT_NEAR(late / push, 0.00055, 0.00015) << "m/s per newton";
        EXPECT_NEAR(late, early, 0.1 * early) << "at a steady speed";
        EXPECT_EQ(body.state(), BodyState::LyingBack);
        speedAt[i] = late;
    }
    EXPECT_NEAR(speedAt[1] / speedAt[0], 2.0, 0.2) << "twice the push, twice the speed";
}

// GYR is the torso's angular velocity in its own frame, in degrees per
// second. The robot, lifted clear of the ground, is set turning as one rigid
// body at 1 rad/s: counter-clockwise seen from above reads +57.3 on z; about
// the torso's own x axis (pointing along the world's y after a quarter turn
// at the beam) reads +57.3 on x, not on the world's axis.
TEST(PhysicsModel, GyroReadsTheTorsosTurnInTheTorsosFrame) {
    struct Case {
        const char* about;
        int axis;  // the torso's axis turned about
    };
    for (const Case& c : {Case{"up", 2}, Case{"the torso's x", 0}, Case{"the torso's y", 1}}) {
        for (const double rate : {1.0, -1.0}) {
            SCOPED_TRACE(std::string(c.about) + (rate > 0 ? " +" : " -"));
            SimHarness h(physicsOptions());
            ASSERT_TRUE(h.join(1, "VOR", 1));
            h.step(1);
            ASSERT_TRUE(h.sim().receive(1, "(beam -2 0 90)"));
            idle(h, 40);
            PhysicsBody& body = physicsBody(h);
            const Pose torso = body.torso();
            const Vec3 w = torso.rot.column(c.axis) * rate;  // world frame
            for (int part = 0; part < NaoBuild::kPartCount; ++part) {
                const dBodyID b = body.partBody(part);
                const Vec3 r = body.partPose(part).pos - torso.pos;
                const Vec3 v{w.y * r.z - w.z * r.y, w.z * r.x - w.x * r.z, w.x * r.y - w.y * r.x};
                const dReal* p = dBodyGetPosition(b);
                dBodySetPosition(b, p[0], p[1], p[2] + 0.3);
                dBodySetLinearVel(b, v.x, v.y, v.z);
                dBodySetAngularVel(b, w.x, w.y, w.z);
                dBodyEnable(b);
            }
            const std::vector<double> gyro = numbersAfter(expression(h.step(1), "(GYR"), "(rt ", 3);
            ASSERT_EQ(gyro.size(), 3u);
            // The parts' drag slows the turn within the step, most about the
            // upright axis, about which the robot is slender (by about a
            // sixth there); the sign and the axis tell a wrong reading.
            for (int k = 0; k < 3; ++k) {
                if (k == c.axis)
                    EXPECT_NEAR(gyro[k], rate * 180.0 / M_PI, 0.25 * 180.0 / M_PI) << "axis " << k;
                else
                    EXPECT_NEAR(gyro[k], 0.0, 3.0) << "axis " << k;
            }
        }
    }
}

TEST(PhysicsModel, SameCommandsGiveTheSameTruthLogByteForByte) {
    TempDir dir;
    auto run = [&](const std::string& name) {
        SimOptions o = physicsOptions();
        o.truthFile = dir.file(name);
        SimHarness h(o);
        std::string error;
        EXPECT_TRUE(h.sim().openTruthLog(error)) << error;
        EXPECT_TRUE(h.script("1.0 push-ball 1 0.5\n2.0 knock-over left 2 back\n"));
        EXPECT_TRUE(h.join(1, "VOR", 1));
        EXPECT_TRUE(h.join(2, "VOR", 2));
        for (int i = 0; i < 200; ++i) {
            h.stepAll();
            const double t = i * 0.02;
            h.sim().receive(1, "(rle3 " + std::to_string(2.0 * std::sin(6.0 * t)) + ")(lle2 " +
                                   std::to_string(std::cos(5.0 * t)) + ")(he1 0.5)");
            if (i == 3) h.sim().receive(2, "(beam -1 0.3 20)");
        }
    };
    run("a.jsonl");
    run("b.jsonl");
    std::ifstream a(dir.file("a.jsonl")), b(dir.file("b.jsonl"));
    std::stringstream sa, sb;
    sa << a.rdbuf();
    sb << b.rdbuf();
    EXPECT_GT(sa.str().size(), 10000u);
    EXPECT_TRUE(sa.str() == sb.str()) << "two runs differ";
}

TEST(PhysicsModel, SelfCollisionFreezesTheLimbsOnlyWhenBoxesOverlapDeeply) {
    const Vec3 half{0.04, 0.08, 0.01};
    const Pose a;
    Pose b;
    b.pos = {0.07, 0.0, 0.0};  // 1 cm of overlap
    EXPECT_FALSE(SelfCollision::deepOverlap(a, half, b, half));
    b.pos = {0.03, 0.0, 0.0};  // 5 cm across, 2 cm deep: too shallow on the z axis
    EXPECT_FALSE(SelfCollision::deepOverlap(a, half, b, half));
    const Vec3 thick{0.04, 0.08, 0.05};
    EXPECT_TRUE(SelfCollision::deepOverlap(a, thick, b, thick));
    b.rot = Mat3::rotZ(0.6);
    b.pos = {0.0, 0.0, 0.0};
    EXPECT_TRUE(SelfCollision::deepOverlap(a, thick, b, thick)) << "turned but centred";

    // The legs crossed deeply while the game runs: both legs freeze (their
    // commands become 0) for 1 s, and not again within 3 s.
    SimHarness h(physicsOptions());
    ASSERT_TRUE(h.script("0.5 playmode PlayOn\n"));
    joinAndBeam(h);
    idle(h, 40);
    PhysicsBody& body = physicsBody(h);
    EXPECT_EQ(body.applySelfCollisionRule(10.0, false), 0) << "a standing robot";
    dBodySetPosition(body.partBody(NaoBuild::LThigh), body.partPose(NaoBuild::RThigh).pos.x,
                     body.partPose(NaoBuild::RThigh).pos.y, body.partPose(NaoBuild::RThigh).pos.z);
    EXPECT_EQ(body.applySelfCollisionRule(10.0, false), 12);
    EXPECT_TRUE(body.frozen(NaoModel::RLJ3) && body.frozen(NaoModel::LLJ6) && !body.frozen(NaoModel::RAJ1));
    EXPECT_EQ(body.applySelfCollisionRule(11.0, false), 0) << "released after 1 s, not frozen again yet";
    EXPECT_FALSE(body.frozen(NaoModel::RLJ3));
    EXPECT_EQ(body.applySelfCollisionRule(13.0, false), 12) << "3 s after the last freeze";
    EXPECT_EQ(body.applySelfCollisionRule(13.5, true), 0) << "a paused game releases everything";
    EXPECT_FALSE(body.frozen(NaoModel::RLJ3));
}

// While the self-collision rule holds a joint, every new command for it
// becomes speed 0: the frozen legs stay as they are while an arm, not
// frozen, follows its command.
TEST(PhysicsModel, AFrozenJointTakesEveryNewCommandAsStandStill) {
    SimHarness h(physicsOptions());
    ASSERT_TRUE(h.script("0.5 playmode PlayOn\n"));
    joinAndBeam(h);
    idle(h, 40);
    PhysicsBody& body = physicsBody(h);
    // The left thigh put into the right one for the rule to see, and back.
    const dBodyID thigh = body.partBody(NaoBuild::LThigh);
    const Vec3 at = body.partPose(NaoBuild::LThigh).pos, into = body.partPose(NaoBuild::RThigh).pos;
    dMatrix3 turned;
    std::copy(dBodyGetRotation(thigh), dBodyGetRotation(thigh) + 12, turned);
    dBodySetPosition(thigh, into.x, into.y, into.z);
    ASSERT_EQ(body.applySelfCollisionRule(10.0, false), 12);
    dBodySetPosition(thigh, at.x, at.y, at.z);
    dBodySetRotation(thigh, turned);

    const std::string before = h.step(1);
    ASSERT_TRUE(h.sim().receive(1, "(lle4 -3.0)(rle2 2.0)(rae1 3.0)"));
    std::string after;
    for (int i = 0; i < 6; ++i) after = h.step(1);
    ASSERT_TRUE(body.frozen(NaoModel::LLJ4) && body.frozen(NaoModel::RLJ2) && !body.frozen(NaoModel::RAJ1));
    EXPECT_NEAR(jointAngle(after, "llj4"), jointAngle(before, "llj4"), 0.5) << "frozen";
    EXPECT_NEAR(jointAngle(after, "rlj2"), jointAngle(before, "rlj2"), 0.5) << "frozen";
    EXPECT_GT(jointAngle(after, "raj1") - jointAngle(before, "raj1"), 10.0) << "free to move";
}

TEST(PhysicsModel, RobotsMeetOnlyOnceTheyHaveJoined) {
    // Robots that connect together are all built at the same spot: until
    // they join a team they pass through each other (a pile of robots built
    // into each other would stall the solver); afterwards they collide.
    SimHarness h(physicsOptions());
    for (int id = 1; id <= 3; ++id) {
        h.sim().clientConnected(id, "test");
        ASSERT_TRUE(h.sim().receive(id, "(scene rsg/agent/nao/nao.rsg)"));
    }
    h.steps(25);
    const Vec3 a = h.robot(1).body().torso().pos, c = h.robot(3).body().torso().pos;
    EXPECT_LT((a - c).length(), 0.05) << "unjoined robots fell through each other";
    EXPECT_LT(a.z, 0.5) << "and reached the ground";

    ASSERT_TRUE(h.join(4, "VOR", 1));
    ASSERT_TRUE(h.join(5, "VOR", 2));
    h.step(4);
    ASSERT_TRUE(h.sim().receive(4, "(beam -1 0 0)"));
    ASSERT_TRUE(h.sim().receive(5, "(beam -1.05 0 0)"));
    h.steps(10);
    const Vec3 p4 = h.robot(4).body().torso().pos, p5 = h.robot(5).body().torso().pos;
    EXPECT_GT(std::hypot(p4.x - p5.x, p4.y - p5.y), 0.08) << "joined robots beamed into each other are pushed apart";
}

// What a joint's speed command does in either model: the real server moves
// hj1 by 1.146 degrees per cycle at (he1 1.0) and by 6.867 at (he1 6.0), and
// caps it at 7.03 degrees per cycle (6.14 rad/s) beyond, whichever the way.
TEST(JointSpeeds, TheCapHoldsBothWaysInBothModels) {
    for (const ModelKind model : {ModelKind::Kinematic, ModelKind::Physics}) {
        SCOPED_TRACE(model == ModelKind::Physics ? "physics" : "kinematic");
        SimOptions o = testOptions();
        o.model = model;
        SimHarness h(o);
        joinAndBeam(h);
        idle(h, 30);
        // Each speed for six cycles: up to 90 degrees, down to -35 and back
        // to 7, clear of the stops at 120.
        for (const auto& [command, perCycle] : {std::pair<const char*, double>{"(he1 1.0)", 1.146},
                                                {"(he1 6.0)", 6.867},
                                                {"(he1 8.0)", 7.03},
                                                {"(he1 -8.0)", -7.03},
                                                {"(he1 -100)", -7.03},
                                                {"(he1 -6.0)", -6.867},
                                                {"(he1 100)", 7.03}}) {
            ASSERT_TRUE(h.sim().receive(1, command));
            std::vector<double> angle;
            for (int i = 0; i < 6; ++i) angle.push_back(jointAngle(h.step(1), "hj1"));
            EXPECT_NEAR(angle[5] - angle[4], perCycle, 0.05) << command;
        }
    }
}
