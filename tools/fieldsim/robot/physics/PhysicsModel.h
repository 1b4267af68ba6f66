// The physics robot model: every robot as the rigid bodies and hinges of the
// robot model and the ball as a rigid sphere, in one world of the ODE library
// set up as the real server sets up its own (exact stepper, one 20 ms step per
// cycle, contact surfaces, drag, auto-disable), with the ground, the walls and
// the goals as static colliders. Falling, lying, getting up, kicking and
// pushing come out of the physics alone.
#pragma once

#include <deque>
#include <vector>

#include <ode/ode.h>

#include "game/FieldGeometry.h"
#include "robot/BodyModel.h"
#include "robot/physics/Surfaces.h"

class PhysicsBody;

// What a collider belongs to; kept as the geom's user data.
struct ColliderTag {
    ColliderKind kind = ColliderKind::Static;
    PhysicsBody* owner = nullptr;  // robot parts only
    int part = -1;
};

class PhysicsModel : public BodyModel {
public:
    static constexpr double kGravity = 9.81;
    // The engine's own defaults as the real server leaves them.
    static constexpr double kGlobalErp = 0.2;
    static constexpr double kGlobalCfm = 1e-5;
    static constexpr double kSurfaceLayer = 0.001;  // m
    // Room for contacts per pair of colliders, as the real server gives it.
    static constexpr int kMaxContactsPerPair = 4;

    static constexpr double kBallMass = 0.026;  // kg
    static constexpr double kBallRadius = 0.042;
    static constexpr double kBallLinearDrag = 0.01;   // N per m/s
    static constexpr double kBallAngularDrag = 5e-5;  // N m per rad/s

    explicit PhysicsModel(const FieldGeometry& field);
    ~PhysicsModel() override;
    PhysicsModel(const PhysicsModel&) = delete;
    PhysicsModel& operator=(const PhysicsModel&) = delete;

    std::unique_ptr<RobotBody> createBody() override;
    StepContacts step(std::map<int, Robot>& robots, Ball& ball, double dt, bool gamePaused) override;

    dWorldID world() const { return world_; }
    dSpaceID space() const { return space_; }
    dBodyID ballBody() const { return ballBody_; }

private:
    static void nearCallback(void* data, dGeomID a, dGeomID b);
    void collide(dGeomID a, dGeomID b);
    void addStaticBox(const Vec3& centre, const Vec3& size);
    void noteBallTouch(PhysicsBody* robot);
    void noteMeeting(PhysicsBody* a, PhysicsBody* b, const Vec3& point);
    void syncBallIn(Ball& ball);
    void syncBallOut(Ball& ball);

    dWorldID world_ = nullptr;
    dSpaceID space_ = nullptr;
    dJointGroupID contacts_ = nullptr;
    dBodyID ballBody_ = nullptr;
    dGeomID ballGeom_ = nullptr;
    ColliderTag groundTag_{ColliderKind::Ground};
    ColliderTag staticTag_{ColliderKind::Static};
    ColliderTag ballTag_{ColliderKind::Ball};
    std::vector<dGeomID> staticGeoms_;
    unsigned long ballRevision_ = ~0UL;
    // Force records of the foot contacts of the current step; a deque keeps
    // their addresses while ODE writes into them.
    std::deque<dJointFeedback> feedback_;
    // Who touched the ball, and which robots touched each other, in the
    // current step (the first contact point of each pair).
    std::vector<PhysicsBody*> ballTouchers_;
    struct Meeting {
        PhysicsBody* a;
        PhysicsBody* b;
        Vec3 point;
    };
    std::vector<Meeting> meetings_;
    double now_ = 0.0;  // s of simulated time
};
