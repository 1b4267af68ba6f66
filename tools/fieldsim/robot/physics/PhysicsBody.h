// One robot in the physics model: the 23 rigid bodies and 22 motor-driven
// hinges of the robot model in the model's ODE world, and its sensors read
// from them as the real server reads them.
#pragma once

#include <vector>

#include <ode/ode.h>

#include "robot/NaoModel.h"
#include "robot/RobotBody.h"
#include "robot/physics/NaoBuild.h"
#include "robot/physics/PhysicsModel.h"
#include "util/Mat3.h"

class PhysicsBody : public RobotBody {
public:
    // Hinge motors, the same for all 22 joints.
    static constexpr double kMaxTorque = 10.0;  // N m
    static constexpr double kJointCfm = 1e-8;
    static constexpr double kStopCfm = 1e-8;
    static constexpr double kStopErp = 0.8;
    static constexpr double kFudgeFactor = 1e-5;
    static constexpr double kStopBounce = 1.0;
    // Drag on every body of the robot, against its velocity.
    static constexpr double kLinearDrag = 0.01;   // N per m/s
    static constexpr double kAngularDrag = 0.01;  // N m per rad/s
    // Beam and the placements of the rules put the torso centre this high.
    static constexpr double kPlaceHeight = 0.4;  // m
    // The torso tilted beyond this from upright counts as lying; it counts as
    // standing again below the second figure (so a wobble does not flicker)
    // with its centre at least this high (sitting up is not standing).
    static constexpr double kLyingTiltDeg = 60.0;
    static constexpr double kUprightTiltDeg = 35.0;
    static constexpr double kUprightHeight = 0.25;  // m; standing straight it is 0.384
    // A scripted knock-over: a shove on the torso, as an impulse in one
    // step, at the top of the torso. It topples a standing robot and one
    // walking at full speed, either way.
    static constexpr double kKnockImpulse = 4.5;  // N s
    static constexpr double kKnockHeight = 0.09;  // m above the torso centre

    explicit PhysicsBody(PhysicsModel& model);
    ~PhysicsBody() override;
    PhysicsBody(const PhysicsBody&) = delete;
    PhysicsBody& operator=(const PhysicsBody&) = delete;

    bool setVelocity(int joint, double radPerSec) override;
    double angle(int joint) const override;
    double sensedAngle(int joint) const override { return angle(joint); }
    void place(double x, double y, double headingDeg) override;
    void beam(double x, double y, double headingDeg) override;
    void relocate(const Vec3& torsoCentre) override;
    void refreshSensors() override;
    void knockOver(bool onFront) override;
    FallCause takeNewFall() override;
    std::vector<std::string> takeNotes() override;

    BodyState state() const override { return state_; }
    double heading() const override;
    double pitch() const override;
    double roll() const override;
    Pose torso() const override { return partPose(NaoBuild::Torso); }
    Pose camera() const override { return partPose(NaoBuild::Head); }
    Vec3 partCentre(VisiblePart part) const override;

    const Vec3& gyro() const override { return gyro_; }
    const Vec3& accelerometer() const override { return acc_; }
    const FootContact& rightFoot() const override { return feet_[0]; }
    const FootContact& leftFoot() const override { return feet_[1]; }

    // The model's side of a cycle.
    // Before collision detection: the accelerometer's sample, a beam asked
    // for, drag, the foot contact lists emptied.
    void beforeStep(double dt);
    // A contact of a foot (0 right, 1 left) with its force record and where it was found.
    void addFootContact(int foot, dJointFeedback* feedback, const Vec3& position);
    // After the step: foot forces, gyro, standing or lying.
    void afterStep();
    // True when the state of the bodies is no longer a number or absurd (far
    // away, far too fast); the robot is then put back upright where it last
    // stood, with a note.
    bool recoverIfBroken();
    // The self-collision rule, once per cycle after the step at server time
    // `now`; while the game is paused every joint is released instead.
    // Returns how many joints it froze now.
    int applySelfCollisionRule(double now, bool gamePaused);
    bool frozen(int joint) const { return joint >= 0 && joint < NaoModel::kJointCount && frozen_[joint]; }

    // The motors' strength (N m, the same for every joint); 0 leaves the
    // robot limp. For experiments and tests of the body on its own.
    void setMaxTorque(double newtonMetres);

    // Whether it meets other robots: not before it has joined a team, so that
    // robots that connect together, all built at the same spot, do not pile
    // into each other (a pile of thousands of contacts would stall the solver).
    void setMeetsRobots(bool meets) { meetsRobots_ = meets; }
    bool meetsRobots() const { return meetsRobots_; }

    Pose partPose(int part) const;
    std::array<Pose, NaoModel::kBodyPartCount> partPoses() const override;
    dBodyID partBody(int part) const { return bodies_[part]; }
    dJointID hinge(int joint) const { return joints_[joint]; }
    int footOf(const ColliderTag* tag) const;  // 0, 1, or -1 when not a foot

private:
    struct FootRecord {
        dJointFeedback* feedback;
        Vec3 position;  // world, found before the step
    };

    void build();
    void updateState();
    // Every body moved by the one rigid motion that brings the torso to
    // (rot, pos), and stopped; nothing is woken.
    void moveRigidly(const Mat3& rot, const Vec3& pos);

    PhysicsModel& model_;
    dSpaceID space_ = nullptr;
    dBodyID bodies_[NaoBuild::kPartCount] = {};
    dGeomID geoms_[NaoBuild::kPartCount] = {};
    ColliderTag tags_[NaoBuild::kPartCount];
    dJointID joints_[NaoModel::kJointCount] = {};

    bool meetsRobots_ = false;
    BodyState state_ = BodyState::Upright;
    FallCause newFall_ = FallCause::None;
    Vec3 gyro_;
    Vec3 acc_{0.0, 0.0, PhysicsModel::kGravity};
    Vec3 previousVelocity_;  // torso, for the accelerometer
    // A beam waiting for the next pass before the step: x, y, heading.
    bool beamPending_ = false;
    double beamTo_[3] = {0.0, 0.0, 0.0};
    FootContact feet_[2];
    std::vector<FootRecord> footContacts_[2];
    // The self-collision rule's freezes: whether a joint is frozen and when
    // it was last frozen (server time, s).
    bool frozen_[NaoModel::kJointCount] = {};
    std::vector<std::string> notes_;
    double frozenAt_[NaoModel::kJointCount];
    // Where it last stood soundly, for recovering from a broken state.
    Vec3 lastSound_{0.0, -1.0, 0.0};
    double lastSoundHeading_ = 90.0;
};
