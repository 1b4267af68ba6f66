#include "robot/physics/PhysicsBody.h"

#include <algorithm>
#include <cmath>

#include "robot/physics/SelfCollision.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

Vec3 toVec(const dReal* v) { return {v[0], v[1], v[2]}; }

// ODE keeps a rotation as three rows of four.
Mat3 toMat(const dReal* r) { return Mat3::fromRows({r[0], r[1], r[2]}, {r[4], r[5], r[6]}, {r[8], r[9], r[10]}); }

void toOde(const Mat3& m, dMatrix3 out) {
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) out[row * 4 + col] = m.at(row, col);
        out[row * 4 + 3] = 0.0;
    }
}

// Within `limit` in every component, and a number at all.
bool sound(const dReal* v, int n, double limit) {
    for (int i = 0; i < n; ++i) {
        if (!(std::fabs(v[i]) <= limit)) return false;
    }
    return true;
}

// Far beyond anything a robot on the field can reach: a body there has been
// thrown out by the solver, not by the game.
constexpr double kFarAway = 1000.0;      // m
constexpr double kTooFast = 1000.0;      // m/s
constexpr double kSpinningTooFast = 1e4;  // rad/s

}  // namespace

PhysicsBody::PhysicsBody(PhysicsModel& model) : model_(model) {
    for (double& t : frozenAt_) t = -1e9;
    build();
}

PhysicsBody::~PhysicsBody() {
    for (dJointID j : joints_) {
        if (j) dJointDestroy(j);
    }
    // Destroying the robot's space destroys its colliders with it.
    if (space_) dSpaceDestroy(space_);
    for (dBodyID b : bodies_) {
        if (b) dBodyDestroy(b);
    }
}

void PhysicsBody::build() {
    // The robot's own space: its parts never collide with each other.
    space_ = dSimpleSpaceCreate(model_.space());
    dSpaceSetCleanup(space_, 1);
    const Vec3 origin = NaoBuild::kBuildPosition;
    for (int i = 0; i < NaoBuild::kPartCount; ++i) {
        const PartBuild& p = NaoBuild::part(i);
        dBodyID b = dBodyCreate(model_.world());
        dMass m;
        switch (p.shape) {
            case PartShape::Box: dMassSetBoxTotal(&m, p.mass, p.size.x, p.size.y, p.size.z); break;
            case PartShape::Sphere: dMassSetSphereTotal(&m, p.mass, p.size.x); break;
            case PartShape::Capsule: dMassSetCapsuleTotal(&m, p.mass, 3, p.size.x, p.size.y); break;
        }
        dBodySetMass(b, &m);
        const Vec3 at = origin + p.centre;
        dBodySetPosition(b, at.x, at.y, at.z);
        bodies_[i] = b;
        tags_[i] = {ColliderKind::RobotPart, this, i};
        if (p.collider) {
            dGeomID g = nullptr;
            switch (p.shape) {
                case PartShape::Box: g = dCreateBox(space_, p.size.x, p.size.y, p.size.z); break;
                case PartShape::Sphere: g = dCreateSphere(space_, p.size.x); break;
                case PartShape::Capsule: g = dCreateCapsule(space_, p.size.x, p.size.y); break;
            }
            dGeomSetBody(g, b);
            dGeomSetData(g, &tags_[i]);
            geoms_[i] = g;
        }
    }
    // Hinges are set while the robot stands in its build pose, so that
    // angle 0 is that pose; each is attached as (child, parent).
    for (int j = 0; j < NaoModel::kJointCount; ++j) {
        const JointFigures& figure = NaoModel::joint(j);
        const int child = NaoBuild::childOf(j);
        const int parent = NaoBuild::part(child).parent;
        dJointID h = dJointCreateHinge(model_.world(), nullptr);
        dJointAttach(h, bodies_[child], bodies_[parent]);
        const Vec3 anchor = origin + figure.anchor;
        dJointSetHingeAnchor(h, anchor.x, anchor.y, anchor.z);
        dJointSetHingeAxis(h, figure.axis.x, figure.axis.y, figure.axis.z);
        dJointSetHingeParam(h, dParamLoStop, figure.minDeg * kDeg);
        dJointSetHingeParam(h, dParamHiStop, figure.maxDeg * kDeg);
        dJointSetHingeParam(h, dParamFMax, kMaxTorque);
        dJointSetHingeParam(h, dParamCFM, kJointCfm);
        dJointSetHingeParam(h, dParamStopCFM, kStopCfm);
        dJointSetHingeParam(h, dParamStopERP, kStopErp);
        dJointSetHingeParam(h, dParamFudgeFactor, kFudgeFactor);
        dJointSetHingeParam(h, dParamBounce, kStopBounce);
        dJointSetHingeParam(h, dParamVel, 0.0);
        joints_[j] = h;
    }
}

bool PhysicsBody::setVelocity(int joint, double radPerSec) {
    if (joint < 0 || joint >= NaoModel::kJointCount || !std::isfinite(radPerSec)) return false;
    const JointFigures& figure = NaoModel::joint(joint);
    // A joint frozen by the self-collision rule is told to stand still.
    const double v = frozen_[joint] ? 0.0 : std::clamp(radPerSec, -figure.maxSpeed, figure.maxSpeed);
    // As on the real server: a new speed takes hold only while the joint is
    // strictly inside its limits; at or past a stop the old speed stays in
    // force and the stop throws the joint back. Any request to move wakes it.
    const double a = dJointGetHingeAngle(joints_[joint]);
    if (a > figure.minDeg * kDeg && a < figure.maxDeg * kDeg) dJointSetHingeParam(joints_[joint], dParamVel, v);
    if (v != 0.0) dBodyEnable(bodies_[NaoBuild::childOf(joint)]);
    return true;
}

void PhysicsBody::setMaxTorque(double newtonMetres) {
    if (!std::isfinite(newtonMetres) || newtonMetres < 0.0) return;
    for (dJointID j : joints_) dJointSetHingeParam(j, dParamFMax, newtonMetres);
    dBodyEnable(bodies_[NaoBuild::Torso]);
}

double PhysicsBody::angle(int joint) const {
    if (joint < 0 || joint >= NaoModel::kJointCount) return 0.0;
    return dJointGetHingeAngle(joints_[joint]);
}

Pose PhysicsBody::partPose(int part) const {
    const dBodyID b = bodies_[std::clamp(part, 0, NaoBuild::kPartCount - 1)];
    return {toMat(dBodyGetRotation(b)), toVec(dBodyGetPosition(b))};
}

std::array<Pose, NaoModel::kBodyPartCount> PhysicsBody::partPoses() const {
    static_assert(NaoBuild::kPartCount == NaoModel::kBodyPartCount, "the same bodies in the same order");
    std::array<Pose, NaoModel::kBodyPartCount> out;
    for (int i = 0; i < NaoBuild::kPartCount; ++i) out[static_cast<size_t>(i)] = partPose(i);
    return out;
}

void PhysicsBody::moveRigidly(const Mat3& rot, const Vec3& pos) {
    // Every body takes the move that brings the torso to (rot, pos), so the
    // joints keep their angles; the bodies stop but are not woken.
    const Pose from = torso();
    const Mat3 turn = rot * from.rot.transposed();
    for (dBodyID b : bodies_) {
        const Vec3 p = toVec(dBodyGetPosition(b));
        const Vec3 np = turn * (p - from.pos) + pos;
        dMatrix3 r;
        toOde(turn * toMat(dBodyGetRotation(b)), r);
        dBodySetPosition(b, np.x, np.y, np.z);
        dBodySetRotation(b, r);
        dBodySetLinearVel(b, 0.0, 0.0, 0.0);
        dBodySetAngularVel(b, 0.0, 0.0, 0.0);
    }
    // The accelerometer keeps the velocity of its last sample, so its next
    // reading shows the sudden stop, as on the real server (29.42 m/s2 right
    // after the init of a robot that had been falling for two steps).
}

void PhysicsBody::beam(double x, double y, double headingDeg) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(headingDeg)) return;
    beamPending_ = true;
    beamTo_[0] = x;
    beamTo_[1] = y;
    beamTo_[2] = headingDeg;
}

void PhysicsBody::place(double x, double y, double headingDeg) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(headingDeg)) return;
    // Upright, turned about z only: the model's forward axis (+y) along the heading.
    moveRigidly(Mat3::rotZ((headingDeg - 90.0) * kDeg), {x, y, kPlaceHeight});
    state_ = BodyState::Upright;
    lastSound_ = {x, y, 0.0};
    lastSoundHeading_ = headingDeg;
}

void PhysicsBody::relocate(const Vec3& torsoCentre) {
    if (!torsoCentre.isFinite()) return;
    // As the real server's rules move a robot: a translation of every body,
    // velocities zeroed, no body enabled. The accelerometer keeps the
    // velocity it sampled before, so the sudden stop shows in its next
    // reading, as it does there.
    const Vec3 d = torsoCentre - torso().pos;
    for (dBodyID b : bodies_) {
        const dReal* p = dBodyGetPosition(b);
        dBodySetPosition(b, p[0] + d.x, p[1] + d.y, p[2] + d.z);
        dBodySetLinearVel(b, 0.0, 0.0, 0.0);
        dBodySetAngularVel(b, 0.0, 0.0, 0.0);
    }
    // The real server reads the gyro for the perception after its rules
    // have run, so the cycle of a move reports a torso at rest.
    gyro_ = {};
    if (state_ == BodyState::Upright) lastSound_ = {torsoCentre.x, torsoCentre.y, 0.0};
}

void PhysicsBody::refreshSensors() {
    const Pose t = torso();
    gyro_ = t.rot.transposed() * toVec(dBodyGetAngularVel(bodies_[NaoBuild::Torso])) * (1.0 / kDeg);
    acc_ = t.rot.transposed() * Vec3{0.0, 0.0, PhysicsModel::kGravity};
    updateState();
}

void PhysicsBody::knockOver(bool onFront) {
    // A shove at the top of the torso (shoulder height) toward its front or
    // back, applied over the next step; whether the robot goes down is up to
    // the physics.
    const Pose t = torso();
    Vec3 forward = t.rot * Vec3{0.0, 1.0, 0.0};
    forward.z = 0.0;
    const double len = forward.length();
    forward = len > 1e-9 ? forward * (1.0 / len) : Vec3{1.0, 0.0, 0.0};
    const Vec3 f = forward * ((onFront ? 1.0 : -1.0) * kKnockImpulse / 0.02);
    dBodyEnable(bodies_[NaoBuild::Torso]);
    dBodyAddForceAtRelPos(bodies_[NaoBuild::Torso], f.x, f.y, f.z, 0.0, 0.0, kKnockHeight);
}

FallCause PhysicsBody::takeNewFall() {
    const FallCause c = newFall_;
    newFall_ = FallCause::None;
    return c;
}

std::vector<std::string> PhysicsBody::takeNotes() {
    std::vector<std::string> out;
    out.swap(notes_);
    return out;
}

double PhysicsBody::heading() const {
    const Mat3 r = torso().rot;
    // The model's forward axis is +y; the heading is counter-clockwise from world +x.
    return std::remainder(std::atan2(-r.at(0, 1), r.at(1, 1)) / kDeg + 90.0, 360.0);
}

double PhysicsBody::pitch() const { return std::asin(std::clamp(torso().rot.at(2, 1), -1.0, 1.0)) / kDeg; }

double PhysicsBody::roll() const {
    const Mat3 r = torso().rot;
    return std::atan2(-r.at(2, 0), r.at(2, 2)) / kDeg;
}

Vec3 PhysicsBody::partCentre(VisiblePart part) const {
    switch (part) {
        case VisiblePart::Head: return partPose(NaoBuild::Head).pos;
        case VisiblePart::RightLowerArm: return partPose(NaoBuild::RLowerArm).pos;
        case VisiblePart::LeftLowerArm: return partPose(NaoBuild::LLowerArm).pos;
        case VisiblePart::RightFoot: return partPose(NaoBuild::RFoot).pos;
        case VisiblePart::LeftFoot: return partPose(NaoBuild::LFoot).pos;
    }
    return torso().pos;
}

int PhysicsBody::footOf(const ColliderTag* tag) const {
    if (!tag || tag->owner != this) return -1;
    if (tag->part == NaoBuild::RFoot) return 0;
    if (tag->part == NaoBuild::LFoot) return 1;
    return -1;
}

void PhysicsBody::beforeStep(double dt) {
    // The accelerometer: the torso's change of velocity over the last step,
    // less gravity, in the torso frame as it is now.
    const Vec3 v = toVec(dBodyGetLinearVel(bodies_[NaoBuild::Torso]));
    const Vec3 a = (v - previousVelocity_) * (dt > 0.0 ? 1.0 / dt : 0.0) + Vec3{0.0, 0.0, PhysicsModel::kGravity};
    acc_ = torso().rot.transposed() * a;
    previousVelocity_ = v;
    // The beam after the sample: the real robot's reading in the cycle of its
    // beam still shows the fall before it (0.001 m/s2), the one after the
    // beam the drop from rest (9.809). The drag then acts on the bodies as
    // the beam left them: the real readings after the beam leave no room for
    // the pull of the velocities it cancelled (it would read 9.820).
    if (beamPending_) {
        beamPending_ = false;
        place(beamTo_[0], beamTo_[1], beamTo_[2]);
    }
    for (dBodyID b : bodies_) {
        const dReal* bv = dBodyGetLinearVel(b);
        const dReal* w = dBodyGetAngularVel(b);
        dBodyAddForce(b, -kLinearDrag * bv[0], -kLinearDrag * bv[1], -kLinearDrag * bv[2]);
        dBodyAddTorque(b, -kAngularDrag * w[0], -kAngularDrag * w[1], -kAngularDrag * w[2]);
    }
    footContacts_[0].clear();
    footContacts_[1].clear();
}

void PhysicsBody::addFootContact(int foot, dJointFeedback* feedback, const Vec3& position) {
    if (foot == 0 || foot == 1) footContacts_[foot].push_back({feedback, position});
}

void PhysicsBody::afterStep() {
    for (int f = 0; f < 2; ++f) {
        FootContact& out = feet_[f];
        if (footContacts_[f].empty()) {
            out = FootContact{};
            continue;
        }
        Vec3 force, weighted;
        double total = 0.0;
        for (const FootRecord& r : footContacts_[f]) {
            const Vec3 fi = toVec(r.feedback->f1);
            const double m = fi.length();
            force += fi;
            weighted += r.position * m;
            total += m;
        }
        out.touching = true;
        // A foot frozen by the engine's auto-disable gets no forces: the
        // last reading stays, as on the real server.
        if (!(total > 0.0)) continue;
        const Pose foot = partPose(f == 0 ? NaoBuild::RFoot : NaoBuild::LFoot);
        out.centre = foot.toLocal(weighted * (1.0 / total));
        out.force = foot.rot.transposed() * force;
    }
    const Pose t = torso();
    gyro_ = t.rot.transposed() * toVec(dBodyGetAngularVel(bodies_[NaoBuild::Torso])) * (1.0 / kDeg);
    updateState();
    if (state_ == BodyState::Upright) {
        lastSound_ = t.pos;
        lastSoundHeading_ = heading();
    }
}

void PhysicsBody::updateState() {
    const Pose t = torso();
    const double tilt = std::acos(std::clamp(t.rot.at(2, 2), -1.0, 1.0)) / kDeg;
    // Lying on the front when the torso's forward axis points down.
    const BodyState lying = t.rot.at(2, 1) < 0.0 ? BodyState::LyingFront : BodyState::LyingBack;
    if (state_ == BodyState::Upright) {
        if (tilt > kLyingTiltDeg) {
            state_ = lying;
            newFall_ = FallCause::Toppled;
        }
    } else if (tilt < kUprightTiltDeg && t.pos.z > kUprightHeight) {
        state_ = BodyState::Upright;
    } else if (tilt > kLyingTiltDeg) {
        state_ = lying;
    }
    // In between (sitting up, kneeling) it is still down as it was.
}

bool PhysicsBody::recoverIfBroken() {
    bool ok = true;
    for (dBodyID b : bodies_) {
        ok = ok && sound(dBodyGetPosition(b), 3, kFarAway) && sound(dBodyGetLinearVel(b), 3, kTooFast) &&
             sound(dBodyGetAngularVel(b), 3, kSpinningTooFast) && sound(dBodyGetRotation(b), 12, 1.0 + 1e-6);
    }
    if (ok) return false;
    notes_.push_back("its bodies were thrown out of any sound state by the solver; put back upright where it last stood");
    // Back to the build pose, joints at zero and still, upright where it last stood.
    const Vec3 origin = NaoBuild::kBuildPosition;
    for (int i = 0; i < NaoBuild::kPartCount; ++i) {
        const Vec3 at = origin + NaoBuild::part(i).centre;
        dMatrix3 id;
        dRSetIdentity(id);
        dBodySetPosition(bodies_[i], at.x, at.y, at.z);
        dBodySetRotation(bodies_[i], id);
    }
    for (dJointID j : joints_) dJointSetHingeParam(j, dParamVel, 0.0);
    place(lastSound_.x, lastSound_.y, lastSoundHeading_);
    for (FootContact& f : feet_) f = FootContact{};
    gyro_ = {};
    acc_ = {0.0, 0.0, PhysicsModel::kGravity};
    previousVelocity_ = {};
    beamPending_ = false;
    return true;
}

namespace {

// The box colliders the rule tests, and the joints each one freezes.
struct RuleBox {
    int part;
    int firstJoint;
    int jointCount;
};

const RuleBox kRuleBoxes[] = {
    {NaoBuild::Torso, 0, 0},
    {NaoBuild::RUpperArm, NaoModel::RAJ1, 4}, {NaoBuild::RLowerArm, NaoModel::RAJ1, 4},
    {NaoBuild::LUpperArm, NaoModel::LAJ1, 4}, {NaoBuild::LLowerArm, NaoModel::LAJ1, 4},
    {NaoBuild::RThigh, NaoModel::RLJ1, 6}, {NaoBuild::RShank, NaoModel::RLJ1, 6}, {NaoBuild::RFoot, NaoModel::RLJ1, 6},
    {NaoBuild::LThigh, NaoModel::LLJ1, 6}, {NaoBuild::LShank, NaoModel::LLJ1, 6}, {NaoBuild::LFoot, NaoModel::LLJ1, 6},
};

// Neighbours along a leg that always overlap where they join.
bool exempt(int a, int b) {
    const auto is = [&](int x, int y) { return (a == x && b == y) || (a == y && b == x); };
    return is(NaoBuild::Torso, NaoBuild::RThigh) || is(NaoBuild::Torso, NaoBuild::LThigh) ||
           is(NaoBuild::RThigh, NaoBuild::RShank) || is(NaoBuild::LThigh, NaoBuild::LShank) ||
           is(NaoBuild::RShank, NaoBuild::RFoot) || is(NaoBuild::LShank, NaoBuild::LFoot);
}

}  // namespace

int PhysicsBody::applySelfCollisionRule(double now, bool gamePaused) {
    if (gamePaused) {
        for (bool& f : frozen_) f = false;
        return 0;
    }
    for (int j = 0; j < NaoModel::kJointCount; ++j) {
        if (frozen_[j] && now - frozenAt_[j] >= SelfCollision::kFreezeFor - 1e-9) frozen_[j] = false;
    }
    int count = 0;
    const int boxes = static_cast<int>(sizeof kRuleBoxes / sizeof kRuleBoxes[0]);
    for (int i = 0; i < boxes; ++i) {
        for (int k = i + 1; k < boxes; ++k) {
            const RuleBox& a = kRuleBoxes[i];
            const RuleBox& b = kRuleBoxes[k];
            if (exempt(a.part, b.part)) continue;
            const Vec3 sa = NaoBuild::part(a.part).size * 0.5, sb = NaoBuild::part(b.part).size * 0.5;
            if (!SelfCollision::deepOverlap(partPose(a.part), sa, partPose(b.part), sb)) continue;
            const int before = count;
            for (const RuleBox* box : {&a, &b}) {
                for (int j = box->firstJoint; j < box->firstJoint + box->jointCount; ++j) {
                    if (now - frozenAt_[j] < SelfCollision::kRefreezeAfter - 1e-9) continue;
                    frozen_[j] = true;
                    frozenAt_[j] = now;
                    ++count;
                }
            }
            if (count > before) {
                notes_.push_back(std::string("self-collision of ") + NaoBuild::part(a.part).name + " and " +
                                 NaoBuild::part(b.part).name + ": their joints frozen for 1 s");
            }
        }
    }
    return count;
}
