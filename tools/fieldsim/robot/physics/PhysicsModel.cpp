#include "robot/physics/PhysicsModel.h"

#include <algorithm>
#include <cmath>

#include "game/Robot.h"
#include "robot/physics/PhysicsBody.h"

namespace {

// The engine is set up once per process; its messages would otherwise go to
// standard error with no context and some of them abort.
void initialiseOde() {
    static const bool done = [] {
        dInitODE2(0);
        dSetMessageHandler([](int, const char*, va_list) {});
        return true;
    }();
    (void)done;
}

Vec3 toVec(const dReal* v) { return {v[0], v[1], v[2]}; }

PhysicsBody* bodyOf(Robot& robot) { return static_cast<PhysicsBody*>(robot.bodyPtr.get()); }

}  // namespace

PhysicsModel::PhysicsModel(const FieldGeometry& field) {
    initialiseOde();
    world_ = dWorldCreate();
    dWorldSetGravity(world_, 0.0, 0.0, -kGravity);
    dWorldSetERP(world_, kGlobalErp);
    dWorldSetCFM(world_, kGlobalCfm);
    dWorldSetContactSurfaceLayer(world_, kSurfaceLayer);
    // Set before any body exists, so that every body inherits it; the
    // thresholds stay the engine's defaults.
    dWorldSetAutoDisableFlag(world_, 1);
    space_ = dSimpleSpaceCreate(nullptr);
    contacts_ = dJointGroupCreate(0);

    dGeomID ground = dCreatePlane(space_, 0.0, 0.0, 1.0, 0.0);
    dGeomSetData(ground, &groundTag_);
    staticGeoms_.push_back(ground);

    // Walls around the field, as far out as the real server puts them for
    // its field (a third of the length beyond each goal line, three quarters
    // of the width beyond each side line), 1 m thick and 1 m high, half sunk.
    const double halfL = field.halfLength(), halfW = field.halfWidth();
    const double wallX = halfL + 0.333 * field.length();
    const double wallY = halfW + 0.75 * field.width();
    for (const double s : {-1.0, 1.0}) {
        addStaticBox({s * wallX, 0.0, 0.0}, {1.0, 2.0 * wallY + 1.0, 1.0});
        addStaticBox({0.0, s * wallY, 0.0}, {2.0 * wallX + 1.0, 1.0, 1.0});
    }
    // The goals: two side panels, a back panel and a top bar each, 0.6 m deep
    // behind the goal line and 0.8 m high.
    constexpr double kDepth = 0.6, kHeight = 0.8, kThick = 0.04;
    const double halfG = field.goalWidth() / 2.0;
    for (const double s : {-1.0, 1.0}) {
        const double x = s * (halfL + kDepth / 2.0);
        addStaticBox({x, halfG + kThick / 2.0, kHeight / 2.0}, {kDepth, kThick, kHeight});
        addStaticBox({x, -(halfG + kThick / 2.0), kHeight / 2.0}, {kDepth, kThick, kHeight});
        addStaticBox({s * (halfL + kDepth - kThick / 2.0), 0.0, kHeight / 2.0}, {kThick, 2.0 * halfG, kHeight});
        addStaticBox({x, 0.0, kHeight + kThick / 2.0}, {kDepth, 2.0 * halfG + 2.0 * kThick, kThick});
    }

    ballBody_ = dBodyCreate(world_);
    dMass m;
    dMassSetSphereTotal(&m, kBallMass, kBallRadius);
    dBodySetMass(ballBody_, &m);
    dBodySetPosition(ballBody_, 0.0, 0.0, kBallRadius);
    ballGeom_ = dCreateSphere(space_, kBallRadius);
    dGeomSetBody(ballGeom_, ballBody_);
    dGeomSetData(ballGeom_, &ballTag_);
}

PhysicsModel::~PhysicsModel() {
    dJointGroupDestroy(contacts_);
    // The space takes its remaining colliders (ground, walls, goals, ball) with it.
    dSpaceDestroy(space_);
    dBodyDestroy(ballBody_);
    dWorldDestroy(world_);
}

void PhysicsModel::addStaticBox(const Vec3& centre, const Vec3& size) {
    dGeomID g = dCreateBox(space_, size.x, size.y, size.z);
    dGeomSetPosition(g, centre.x, centre.y, centre.z);
    dGeomSetData(g, &staticTag_);
    staticGeoms_.push_back(g);
}

std::unique_ptr<RobotBody> PhysicsModel::createBody() { return std::make_unique<PhysicsBody>(*this); }

void PhysicsModel::nearCallback(void* data, dGeomID a, dGeomID b) {
    PhysicsModel* self = static_cast<PhysicsModel*>(data);
    // A robot's own parts never meet: its space is only ever tested against
    // other colliders, never inside.
    if (dGeomIsSpace(a) || dGeomIsSpace(b)) {
        dSpaceCollide2(a, b, data, &PhysicsModel::nearCallback);
        return;
    }
    self->collide(a, b);
}

void PhysicsModel::collide(dGeomID a, dGeomID b) {
    const auto* ta = static_cast<const ColliderTag*>(dGeomGetData(a));
    const auto* tb = static_cast<const ColliderTag*>(dGeomGetData(b));
    if (!ta || !tb) return;
    dBodyID ba = dGeomGetBody(a), bb = dGeomGetBody(b);
    if (!ba && !bb) return;
    if (ta->owner && tb->owner && !(ta->owner->meetsRobots() && tb->owner->meetsRobots())) return;
    // Against the ground, a wall or a goal the moving collider comes first,
    // so that its contacts are its own (a foot's force reading needs that).
    if (!ba) {
        std::swap(a, b);
        std::swap(ta, tb);
        std::swap(ba, bb);
    }
    dContactGeom found[kMaxContactsPerPair];
    const int n = dCollide(a, b, kMaxContactsPerPair, found, sizeof(dContactGeom));
    if (n <= 0) return;
    if (ta->kind == ColliderKind::Ball && tb->kind == ColliderKind::RobotPart) noteBallTouch(tb->owner);
    if (tb->kind == ColliderKind::Ball && ta->kind == ColliderKind::RobotPart) noteBallTouch(ta->owner);
    if (ta->owner && tb->owner) noteMeeting(ta->owner, tb->owner, toVec(found[0].pos));
    const dSurfaceParameters surface = Surfaces::pair(ta->kind, tb->kind);
    // Only a foot that ODE names first gets the contact's force recorded, as
    // on the real server.
    const int foot = ta->owner ? ta->owner->footOf(ta) : -1;
    for (int i = 0; i < n; ++i) {
        dContact c{};
        c.surface = surface;
        c.geom = found[i];
        dJointID j = dJointCreateContact(world_, contacts_, &c);
        dJointAttach(j, ba, bb);
        if (foot >= 0) {
            feedback_.emplace_back();
            dJointFeedback* fb = &feedback_.back();
            dJointSetFeedback(j, fb);
            ta->owner->addFootContact(foot, fb, toVec(found[i].pos));
        }
    }
}

void PhysicsModel::noteBallTouch(PhysicsBody* robot) {
    if (std::find(ballTouchers_.begin(), ballTouchers_.end(), robot) == ballTouchers_.end()) {
        ballTouchers_.push_back(robot);
    }
}

void PhysicsModel::noteMeeting(PhysicsBody* a, PhysicsBody* b, const Vec3& point) {
    for (const Meeting& m : meetings_) {
        if ((m.a == a && m.b == b) || (m.a == b && m.b == a)) return;
    }
    meetings_.push_back({a, b, point});
}

void PhysicsModel::syncBallIn(Ball& ball) {
    if (ball.revision() == ballRevision_) return;
    // The rules or a scenario put the ball somewhere or pushed it.
    const Vec3 p = ball.position(), v = ball.velocity();
    dBodySetPosition(ballBody_, p.x, p.y, p.z);
    dBodySetLinearVel(ballBody_, v.x, v.y, v.z);
    if (v.x == 0.0 && v.y == 0.0 && v.z == 0.0) dBodySetAngularVel(ballBody_, 0.0, 0.0, 0.0);
    dBodyEnable(ballBody_);
    ballRevision_ = ball.revision();
}

void PhysicsModel::syncBallOut(Ball& ball) {
    const Vec3 p = toVec(dBodyGetPosition(ballBody_)), v = toVec(dBodyGetLinearVel(ballBody_));
    // A ball the solver has thrown out of any sound state goes back to where
    // it last was, at rest.
    constexpr double kFar = 1000.0;
    if (!(std::fabs(p.x) < kFar && std::fabs(p.y) < kFar && std::fabs(p.z) < kFar && v.length() < kFar)) {
        const Vec3 last = ball.position();
        dBodySetPosition(ballBody_, last.x, last.y, last.z);
        dBodySetLinearVel(ballBody_, 0.0, 0.0, 0.0);
        dBodySetAngularVel(ballBody_, 0.0, 0.0, 0.0);
        ball.follow(last, {});
    } else {
        ball.follow(p, v);
    }
    ballRevision_ = ball.revision();
}

StepContacts PhysicsModel::step(std::map<int, Robot>& robots, Ball& ball, double dt, bool gamePaused) {
    // The engine wants its data set up in every thread that steps a world
    // (a test may step the simulation in a thread of its own).
    thread_local const bool engineReady = dAllocateODEDataForThread(dAllocateMaskAll) != 0;
    (void)engineReady;
    syncBallIn(ball);
    // Before collision detection: drag on every body, the accelerometers.
    for (auto& [id, r] : robots) {
        bodyOf(r)->setMeetsRobots(r.joined);
        bodyOf(r)->beforeStep(dt);
    }
    const dReal* v = dBodyGetLinearVel(ballBody_);
    const dReal* w = dBodyGetAngularVel(ballBody_);
    dBodyAddForce(ballBody_, -kBallLinearDrag * v[0], -kBallLinearDrag * v[1], -kBallLinearDrag * v[2]);
    dBodyAddTorque(ballBody_, -kBallAngularDrag * w[0], -kBallAngularDrag * w[1], -kBallAngularDrag * w[2]);

    feedback_.clear();
    ballTouchers_.clear();
    meetings_.clear();
    dSpaceCollide(space_, this, &PhysicsModel::nearCallback);
    dWorldStep(world_, dt);
    now_ += dt;
    StepContacts met;
    for (auto& [id, r] : robots) {
        PhysicsBody* body = bodyOf(r);
        body->afterStep();
        body->recoverIfBroken();
        if (r.joined && body->applySelfCollisionRule(now_, gamePaused) > 0) met.selfCollided.push_back(id);
    }
    dJointGroupEmpty(contacts_);
    syncBallOut(ball);

    const auto idOf = [&](const PhysicsBody* body) {
        for (auto& [id, r] : robots) {
            if (r.joined && bodyOf(r) == body) return id;
        }
        return -1;
    };
    for (auto& [id, r] : robots) {
        if (!r.joined) continue;
        if (std::find(ballTouchers_.begin(), ballTouchers_.end(), bodyOf(r)) != ballTouchers_.end()) {
            met.ballTouchers.push_back(id);
        }
    }
    for (const Meeting& m : meetings_) {
        const int a = idOf(m.a), b = idOf(m.b);
        if (a >= 0 && b >= 0 && a != b) met.robots.push_back({std::min(a, b), std::max(a, b), m.point});
    }
    return met;
}
