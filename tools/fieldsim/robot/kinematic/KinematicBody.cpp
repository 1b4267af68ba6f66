#include "robot/kinematic/KinematicBody.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// The standing posture the getting-up rule compares the legs with (degrees),
// per leg in the order yaw-pitch, roll, hip pitch, knee, ankle pitch, ankle roll.
constexpr double kStandingLeg[6] = {0.0, 0.0, 11.0, -29.0, 18.0, 0.0};

// Foot force readings taken from the real server.
const Vec3 kStandingCentre{0.0, -0.009, -0.010};
const Vec3 kToesCentre{0.0, 0.086, -0.020};
const Vec3 kHeelsCentre{0.0, -0.079, -0.012};
const Vec3 kHeelsForce{0.0, 50.1, -12.1};

const Vec3 kFootCentre[2] = {NaoModel::kRightFootCentre, NaoModel::kLeftFootCentre};

double clampAngle(int joint, double rad) {
    const JointFigures& figure = NaoModel::joint(joint);
    return std::clamp(rad, figure.minDeg * kDeg, figure.maxDeg * kDeg);
}

// The model's forward axis is +y; its turn about z (rad) for a rotation.
double yawOf(const Mat3& r) { return std::atan2(-r.at(0, 1), r.at(1, 1)); }

bool finite(const Mat3& m) {
    for (int i = 0; i < 3; ++i) {
        if (!m.column(i).isFinite()) return false;
    }
    return true;
}

Vec3 horizontalUnit(const Vec3& v, const Vec3& fallback) {
    const double len = std::hypot(v.x, v.y);
    if (!(len > 1e-9) || !std::isfinite(len)) return fallback;
    return {v.x / len, v.y / len, 0.0};
}

// Corner k (0..3) of a sole, at the zero pose, torso-relative.
Vec3 soleCorner(int foot, int k) {
    return kFootCentre[foot] + Vec3{(k & 1) ? NaoModel::kFootHalfWidth : -NaoModel::kFootHalfWidth,
                                    (k & 2) ? NaoModel::kFootHalfLength : -NaoModel::kFootHalfLength,
                                    -NaoModel::kFootHalfHeight};
}

}  // namespace

KinematicBody::KinematicBody() {
    place(0.0, 0.0, 0.0);
}

bool KinematicBody::setVelocity(int joint, double radPerSec) {
    if (joint < 0 || joint >= NaoModel::kJointCount || !std::isfinite(radPerSec)) {
        return false;
    }
    const double limit = NaoModel::joint(joint).maxSpeed;
    velocities_[joint] = std::clamp(radPerSec, -limit, limit);
    return true;
}

void KinematicBody::setAngle(int joint, double rad) {
    if (joint < 0 || joint >= NaoModel::kJointCount || !std::isfinite(rad)) {
        return;
    }
    angles_[joint] = clampAngle(joint, rad);
}

void KinematicBody::stepJoints(double dt) {
    if (!std::isfinite(dt)) return;
    ++jointSteps_;
    for (int j = 0; j < NaoModel::kJointCount; ++j) {
        angles_[j] = clampAngle(j, angles_[j] + velocities_[j] * dt);
    }
}

double KinematicBody::sensedAngle(int joint) const {
    if (joint < 0 || joint >= NaoModel::kJointCount) return 0.0;
    const JointFigures& figure = NaoModel::joint(joint);
    const double angle = angles_[joint], v = velocities_[joint];
    const bool pushedUp = v > 0.0 && angle >= figure.maxDeg * kDeg;
    const bool pushedDown = v < 0.0 && angle <= figure.minDeg * kDeg;
    if (!pushedUp && !pushedDown) return angle;
    // A fixed scramble of (cycle, joint) gives a reading that looks like
    // jitter yet repeats from run to run.
    unsigned long long h = (static_cast<unsigned long long>(jointSteps_) << 5) + joint;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    const double past = (-0.5 + 7.0 * static_cast<double>(h % 1000) / 999.0) * kDeg;
    return pushedUp ? angle + past : angle - past;
}

Vec3 KinematicBody::soleInTorso(bool right) const {
    const Pose& limb = right ? limbs_.rightFoot : limbs_.leftFoot;
    return limb.apply(kFootCentre[right ? 0 : 1] + Vec3{0.0, 0.0, -NaoModel::kFootHalfHeight});
}

void KinematicBody::place(double x, double y, double headingDeg) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(headingDeg)) {
        return;
    }
    state_ = BodyState::Upright;
    fallProgress_ = 1.0;
    hipsFlexedWhileLying_ = false;
    offBalanceFor_ = -1.0;
    lifted_ = 0.0;
    limbs_ = BodyKinematics::compute(angles_);

    // Stand on the lower sole (in the torso frame; the tilt is not known yet).
    const Vec3 right = soleInTorso(true), left = soleInTorso(false);
    if (right.z < left.z - kStanceTie) {
        rightStance_ = true;
    } else if (left.z < right.z - kStanceTie) {
        rightStance_ = false;
    }
    // Turn the stance foot so that the torso faces the heading: a turn of the
    // foot about the vertical turns the torso's heading by the same angle.
    const Pose& stance = rightStance_ ? limbs_.rightFoot : limbs_.leftFoot;
    const Mat3 untilted = stance.rot.transposed();
    anchorYaw_ = std::remainder((headingDeg - 90.0) * kDeg - yawOf(untilted), 2.0 * kPi);
    anchor_ = {0.0, 0.0, 0.0};
    limbAngles_ = angles_;
    standOnStance(SoleOnGround{});
    // The torso goes exactly above (x, y), whichever foot ended up carrying it.
    const Vec3 d{x - position_.x, y - position_.y, 0.0};
    anchor_ += d;
    setTorso(torso_.rot, torso_.pos + d);
    com_ = torso_.apply(BodyKinematics::centreOfMass(angles_));
    resetMotionHistory();
    updateSupport();
    updateFootContacts();
}

void KinematicBody::poseFromAnchor() {
    // The stance foot lies flat, turned by anchorYaw_: world = Rz * foot.rot,
    // so the torso is Rz * foot.rot^T, placed so that the sole is at the anchor.
    const Pose& stance = rightStance_ ? limbs_.rightFoot : limbs_.leftFoot;
    const Mat3 rot = Mat3::rotZ(anchorYaw_) * stance.rot.transposed();
    setTorso(rot, anchor_ - rot * soleInTorso(rightStance_));
}

double KinematicBody::lowestCorner(int foot) const {
    const Pose& limb = foot == 0 ? limbs_.rightFoot : limbs_.leftFoot;
    double lowest = 1e300;
    for (int k = 0; k < 4; ++k) lowest = std::min(lowest, worldPoint(limb, soleCorner(foot, k)).z);
    return lowest;
}

KinematicBody::SoleOnGround KinematicBody::otherSole() const {
    const Pose& limb = rightStance_ ? limbs_.leftFoot : limbs_.rightFoot;
    SoleOnGround was;
    was.known = true;
    was.down = lowestCorner(rightStance_ ? 1 : 0) <= kFootDown;
    was.position = torso_.apply(soleInTorso(!rightStance_));
    const Mat3 footRot = torso_.rot * limb.rot;
    const Vec3 forward = footRot * Vec3{0.0, 1.0, 0.0};
    const Vec3 side = footRot * Vec3{1.0, 0.0, 0.0};
    // A foot pointing steeply up or down still has a usable sideways axis.
    was.yaw = std::hypot(forward.x, forward.y) > 0.2 ? std::atan2(-forward.x, forward.y) : std::atan2(side.y, side.x);
    return was;
}

void KinematicBody::passSupportToOtherFoot(const SoleOnGround& was) {
    // The other foot takes the weight flat, keeping its turn about the
    // vertical, where it was before this motion (it touched down there).
    const SoleOnGround now = was.known ? was : otherSole();
    anchorYaw_ = now.yaw;
    anchor_ = {now.position.x, now.position.y, 0.0};
    rightStance_ = !rightStance_;
    poseFromAnchor();
}

void KinematicBody::standOnStance(const SoleOnGround& was) {
    onBothFeet_ = false;
    poseFromAnchor();
    const int stance = rightStance_ ? 0 : 1;
    const bool otherLifts = lowestCorner(1 - stance) >= -kStanceTie;
    if (otherLifts && !was.down) return;
    // Either the other sole reaches below the ground, or both feet stood and
    // one of them may now leave it. The other foot takes over if it can
    // carry the robot alone without the first one reaching below the ground.
    const Pose flatOnStance = torso_;
    const Vec3 anchor = anchor_;
    const double yaw = anchorYaw_;
    passSupportToOtherFoot(was);
    const bool firstLifts = lowestCorner(stance) >= -kStanceTie;
    if (firstLifts && !otherLifts) return;
    // Back on the first foot: it carries alone when the other one lifts and
    // could not carry alone; otherwise (each foot could lift off the other,
    // or neither can stand alone) the robot stays on both.
    rightStance_ = stance == 0;
    anchor_ = anchor;
    anchorYaw_ = yaw;
    setTorso(flatOnStance.rot, flatOnStance.pos);
    if (otherLifts && !firstLifts) return;
    rockOntoBothFeet();
}

void KinematicBody::rockOntoBothFeet() {
    // Tip the body about a horizontal axis through the stance sole's centre,
    // toward the other foot or away from it, until the lowest corners of both
    // soles are level; then it rests on them (inner edges with the legs
    // spread, outer edges with the legs drawn together).
    const Vec3 from = torso_.apply(soleInTorso(rightStance_));
    const Vec3 to = torso_.apply(soleInTorso(!rightStance_));
    const Vec3 d = horizontalUnit(to - from, {1.0, 0.0, 0.0});
    Vec3 corners[2][4];
    for (int f = 0; f < 2; ++f) {
        const Pose& limb = f == 0 ? limbs_.rightFoot : limbs_.leftFoot;
        for (int k = 0; k < 4; ++k) corners[f][k] = worldPoint(limb, soleCorner(f, k)) - from;
    }
    // Turning by +angle about d x z lifts the points on the other foot's side.
    const auto lowestAfter = [&](int foot, double angle) {
        const double c = std::cos(angle), s = std::sin(angle);
        double lowest = 1e300;
        for (const Vec3& r : corners[foot]) lowest = std::min(lowest, r.dot(d) * s + r.z * c);
        return lowest;
    };
    const int stance = rightStance_ ? 0 : 1;
    // Tipping toward the other foot lowers the stance sole's far edge and
    // lifts the other sole; the level point lies within a quarter turn.
    double lo = -kPi / 2.0, hi = kPi / 2.0;
    for (int i = 0; i < 50; ++i) {
        const double mid = 0.5 * (lo + hi);
        (lowestAfter(stance, mid) > lowestAfter(1 - stance, mid) ? lo : hi) = mid;
    }
    const double lift = -std::min(lowestAfter(0, hi), lowestAfter(1, hi));
    const Mat3 rock = Mat3::axisAngle(d.cross(Vec3{0.0, 0.0, 1.0}), hi);
    setTorso(rock * torso_.rot, from + rock * (torso_.pos - from) + Vec3{0.0, 0.0, lift});
    onBothFeet_ = true;
}

void KinematicBody::tipOntoOtherFoot() {
    // Standing on one foot is decided by the feet's heights alone; when the
    // weight then lies outside that sole, the body tips over its edge and,
    // if the other foot is near the ground, comes to rest on both feet
    // instead of falling.
    const Pose onOne = torso_;
    rockOntoBothFeet();
    const double tipped = (onOne.rot.transposed() * torso_.rot).rotationVector().length() / kDeg;
    com_ = torso_.apply(BodyKinematics::centreOfMass(angles_));
    updateSupport();
    if (tipped <= kMaxTipOntoFootDeg && support_.contains(com_)) return;
    onBothFeet_ = false;
    setTorso(onOne.rot, onOne.pos);
    com_ = torso_.apply(BodyKinematics::centreOfMass(angles_));
    updateSupport();
}

void KinematicBody::setTorso(const Mat3& rot, const Vec3& pos) {
    torso_ = {rot, pos};
    position_ = pos;
    // rot = Rz(heading - 90) * Rx(pitch) * Ry(roll); the y column is
    // (-sin a cos p, cos a cos p, sin p) and the z row (-cos p sin r, sin p, cos p cos r).
    pitchDeg_ = std::asin(std::clamp(rot.at(2, 1), -1.0, 1.0)) / kDeg;
    rollDeg_ = std::atan2(-rot.at(2, 0), rot.at(2, 2)) / kDeg;
    headingDeg_ = std::remainder(yawOf(rot) / kDeg + 90.0, 360.0);
}

void KinematicBody::knockOver(bool onFront) {
    const double h = headingDeg_ * kDeg;
    const Vec3 facing{std::cos(h), std::sin(h), 0.0};
    fall(onFront ? facing : -facing, onFront, FallCause::Knocked);
}

void KinematicBody::fall(const Vec3& toward, bool onFront, FallCause cause) {
    land();
    const double h = headingDeg_ * kDeg;
    const Vec3 facing{std::cos(h), std::sin(h), 0.0};
    const Vec3 dir = horizontalUnit(toward, onFront ? facing : -facing);
    const bool wasUpright = state_ == BodyState::Upright;
    state_ = onFront ? BodyState::LyingFront : BodyState::LyingBack;
    hipsFlexedWhileLying_ = false;
    offBalanceFor_ = -1.0;
    fallProgress_ = 0.0;
    fallFrom_ = position_;
    fallPitchFrom_ = pitchDeg_;
    fallRollFrom_ = rollDeg_;
    fallHeadingFrom_ = headingDeg_;
    // Lying on the front the head points where it fell and the robot faces
    // down that way; on the back the head points there and it faces away.
    const Vec3 faces = onFront ? dir : -dir;
    fallHeadingTo_ = std::atan2(faces.y, faces.x) / kDeg;
    // The torso comes to lie beyond the feet, or a little beyond where it
    // leans to already.
    const Vec3 feet = wasUpright ? anchor_ : Vec3{position_.x, position_.y, 0.0};
    const double along = (position_.x - feet.x) * dir.x + (position_.y - feet.y) * dir.y;
    const double reach = std::max(kFallReach, along + 0.05);
    fallTo_ = {feet.x + dir.x * reach, feet.y + dir.y * reach, NaoModel::kTorsoHalfDepth};
    newFall_ = cause;
}

FallCause KinematicBody::takeNewFall() {
    const FallCause c = newFall_;
    newFall_ = FallCause::None;
    return c;
}

void KinematicBody::shift(double dx, double dy) {
    if (!std::isfinite(dx) || !std::isfinite(dy)) return;
    moveBy({dx, dy, 0.0});
}

void KinematicBody::relocate(const Vec3& torsoCentre) {
    if (!torsoCentre.isFinite()) return;
    const Vec3 d = torsoCentre - torso_.pos;
    moveBy(d);
    lifted_ += d.z;
    // The move stops the robot: nothing of its motion before the move is
    // carried past it (velocities, the gyro, the feet's speed).
    resetMotionHistory();
}

void KinematicBody::land() {
    if (lifted_ == 0.0) return;
    // No momentum and no flight here: it is simply back on the ground.
    moveBy({0.0, 0.0, -lifted_});
    lifted_ = 0.0;
}

void KinematicBody::moveBy(const Vec3& d) {
    position_ += d;
    torso_.pos += d;
    anchor_ += d;
    com_ += d;
    fallFrom_ += d;
    fallTo_ += d;
    // The history moves along, so a push does not read as a jolt.
    prevPos_ += d;
    prevPrevPos_ += d;
    for (int f = 0; f < 2; ++f) {
        footCentre_[f] += d;
        prevFootCentre_[f] += d;
    }
}

void KinematicBody::update(double dt) {
    if (!std::isfinite(dt) || dt < 0.0) dt = 0.0;
    ++updates_;
    land();
    if (state_ == BodyState::Upright) {
        const Pose before = torso_;
        const Vec3 anchorBefore = anchor_;
        const double yawBefore = anchorYaw_;
        const bool stanceBefore = rightStance_;
        // Follow the cycle's motion in small steps from the angles of the
        // last update (or of the last placement).
        const JointAngles from = limbAngles_;
        double largest = 0.0;
        for (int j = 0; j < NaoModel::kJointCount; ++j) {
            largest = std::max(largest, std::fabs(angles_[j] - from[j]) / kDeg);
        }
        const int steps = std::clamp(static_cast<int>(std::ceil(largest / kSubStepDeg)), 1, kMaxSubSteps);
        for (int i = 1; i <= steps; ++i) {
            const SoleOnGround was = otherSole();
            JointAngles at = angles_;
            if (i < steps) {
                for (int j = 0; j < NaoModel::kJointCount; ++j) at[j] = from[j] + (angles_[j] - from[j]) * i / steps;
            }
            limbs_ = BodyKinematics::compute(at);
            standOnStance(was);
        }
        limbAngles_ = angles_;
        if (!finite(torso_.rot) || !torso_.pos.isFinite() || !std::isfinite(headingDeg_)) {
            // Cannot happen with finite, clamped joints; if it ever does, the
            // robot keeps its last sound pose and goes down.
            anchor_ = anchorBefore;
            anchorYaw_ = yawBefore;
            rightStance_ = stanceBefore;
            setTorso(before.rot, before.pos);
            fall(Vec3{}, true, FallCause::Spin);
        } else {
            com_ = torso_.apply(BodyKinematics::centreOfMass(angles_));
            updateSupport();
            if (!onBothFeet_ && !support_.contains(com_)) tipOntoOtherFoot();
            applyFallRules(before.rot, historyLength_ >= 1, dt);
        }
    } else {
        limbs_ = BodyKinematics::compute(angles_);
        limbAngles_ = angles_;
        advanceFall(dt);
        checkGettingUp();
    }
    updateInertialSensors(dt);
    updateFootContacts();
    updateFeetMotion(dt);
}

void KinematicBody::applyFallRules(const Mat3& previousRot, bool comparable, double dt) {
    const Vec3 up = torso_.rot.column(2);
    const double h = headingDeg_ * kDeg;
    const Vec3 facing{std::cos(h), std::sin(h), 0.0};
    const double tilt = std::acos(std::clamp(up.z, -1.0, 1.0)) / kDeg;
    if (tilt > kMaxTiltDeg) {
        // Toppling the way the torso leans: on the front when leaning forward.
        fall(up, pitchDeg_ <= 0.0, FallCause::Tilt);
        return;
    }
    if (comparable) {
        const double turn = (previousRot.transposed() * torso_.rot).rotationVector().length() / kDeg;
        if (!(turn <= kMaxTurnPerUpdateDeg)) {
            fall(up, pitchDeg_ <= 0.0, FallCause::Spin);
            return;
        }
    }
    if (support_.contains(com_)) {
        offBalanceFor_ = -1.0;
        return;
    }
    // Counted from the update that first finds it outside.
    offBalanceFor_ = offBalanceFor_ < 0.0 ? 0.0 : offBalanceFor_ + dt;
    if (offBalanceFor_ + 1e-9 >= kMaxOffBalance) {
        const Vec3 out = com_ - support_.nearest(com_);
        const Vec3 dir = horizontalUnit(out, up);
        fall(dir, dir.x * facing.x + dir.y * facing.y >= 0.0, FallCause::Balance);
    }
}

Mat3 KinematicBody::orientation() const {
    // The model's forward axis is +y, so a heading of 0 (facing +x) is a
    // model turn of -90 degrees about z.
    return Mat3::rotZ((headingDeg_ - 90.0) * kDeg) * Mat3::rotX(pitchDeg_ * kDeg) *
           Mat3::rotY(rollDeg_ * kDeg);
}

void KinematicBody::advanceFall(double dt) {
    if (fallProgress_ < 1.0) {
        fallProgress_ = std::min(1.0, fallProgress_ + dt / kFallDuration);
    }
    // Accelerating like a toppling body: slow at first, fast at the end.
    const double s = fallProgress_ * fallProgress_;
    const double pitchTo = state_ == BodyState::LyingFront ? -90.0 : 90.0;
    position_ = fallFrom_ + (fallTo_ - fallFrom_) * s;
    pitchDeg_ = fallPitchFrom_ + (pitchTo - fallPitchFrom_) * s;
    rollDeg_ = fallRollFrom_ * (1.0 - s);
    headingDeg_ = std::remainder(
        fallHeadingFrom_ + std::remainder(fallHeadingTo_ - fallHeadingFrom_, 360.0) * s, 360.0);
    torso_ = {orientation(), position_};
    com_ = torso_.apply(BodyKinematics::centreOfMass(angles_));
}

bool KinematicBody::legsNearStandingPose() const {
    for (int leg = 0; leg < 2; ++leg) {
        const int first = leg == 0 ? NaoModel::RLJ1 : NaoModel::LLJ1;
        for (int k = 0; k < 6; ++k) {
            if (std::fabs(angles_[first + k] / kDeg - kStandingLeg[k]) > kGetUpToleranceDeg) {
                return false;
            }
        }
    }
    return true;
}

void KinematicBody::checkGettingUp() {
    if (fallProgress_ < 1.0) {
        return;
    }
    if (angles_[NaoModel::RLJ3] / kDeg > kGetUpHipFlexionDeg &&
        angles_[NaoModel::LLJ3] / kDeg > kGetUpHipFlexionDeg) {
        hipsFlexedWhileLying_ = true;
    }
    if (hipsFlexedWhileLying_ && legsNearStandingPose()) {
        // Upright where it lay, facing as it lay. The stand-up motion took
        // its time on the robot's side; place() starts the motion history
        // afresh, so the quarter turn does not read as one cycle's spin.
        place(position_.x, position_.y, headingDeg_);
    }
}

void KinematicBody::updateSupport() {
    support_.clear();
    for (int f = 0; f < 2; ++f) {
        const Pose& limb = f == 0 ? limbs_.rightFoot : limbs_.leftFoot;
        double lowest = 1e300;
        Vec3 corners[4];
        for (int k = 0; k < 4; ++k) {
            corners[k] = worldPoint(limb, soleCorner(f, k));
            lowest = std::min(lowest, corners[k].z);
        }
        soleTouches_[f] = lowest <= kContactTolerance;
        for (const Vec3& c : corners) {
            if (c.z <= kContactTolerance) support_.add(c);
        }
    }
    support_.build();
}

void KinematicBody::updateFootContacts() {
    feet_[0] = FootContact{};
    feet_[1] = FootContact{};
    if (state_ == BodyState::Upright) {
        // The weight is shared by the loaded feet by the lever rule along the
        // line between their centres.
        const double weight = NaoModel::kTotalMass * NaoModel::kGravity;
        double share[2] = {soleTouches_[0] ? 1.0 : 0.0, soleTouches_[1] ? 1.0 : 0.0};
        if (soleTouches_[0] && soleTouches_[1]) {
            const Vec3 r = torso_.apply(soleInTorso(true));
            const Vec3 l = torso_.apply(soleInTorso(false));
            const double dx = l.x - r.x, dy = l.y - r.y;
            const double len2 = dx * dx + dy * dy;
            const double t = len2 > 1e-12 ? std::clamp(((com_.x - r.x) * dx + (com_.y - r.y) * dy) / len2, 0.0, 1.0)
                                          : 0.5;
            share[0] = 1.0 - t;
            share[1] = t;
        }
        for (int f = 0; f < 2; ++f) {
            if (soleTouches_[f]) feet_[f] = {true, kStandingCentre, {0.0, 0.001, weight * share[f]}};
        }
        return;
    }
    if (fallProgress_ < 1.0) {
        return;
    }
    if (state_ == BodyState::LyingFront) {
        // The toes touch only now and then.
        if (updates_ % 3 == 0) {
            feet_[0] = {true, kToesCentre, {-3.6, -56.0, -63.0}};
            feet_[1] = {true, kToesCentre, {3.6, -56.0, -63.0}};
        }
        return;
    }
    // On the back the feet are in the air unless the knees are bent enough
    // to put the heels down; then they touch in most cycles.
    if (updates_ % 5 == 0) {
        return;
    }
    constexpr double kHeelsDownKneeDeg = -60.0;
    if (angles_[NaoModel::RLJ4] / kDeg < kHeelsDownKneeDeg) {
        feet_[0] = {true, kHeelsCentre, kHeelsForce};
    }
    if (angles_[NaoModel::LLJ4] / kDeg < kHeelsDownKneeDeg) {
        feet_[1] = {true, kHeelsCentre, kHeelsForce};
    }
}

void KinematicBody::updateInertialSensors(double dt) {
    const Mat3& rot = torso_.rot;
    Vec3 accel;
    if (historyLength_ >= 1 && dt > 0.0) {
        gyro_ = (prevRot_.transposed() * rot).rotationVector() * (1.0 / dt / kDeg);
        torsoVelocity_ = (position_ - prevPos_) * (1.0 / dt);
    } else {
        gyro_ = {};
        torsoVelocity_ = {};
    }
    if (historyLength_ >= 2 && dt > 0.0) {
        accel = (position_ - prevPos_ * 2.0 + prevPrevPos_) * (1.0 / (dt * dt));
    }
    acc_ = rot.transposed() * (accel + Vec3{0.0, 0.0, NaoModel::kGravity});
    if (dt > 0.0) {
        prevPrevPos_ = historyLength_ >= 1 ? prevPos_ : position_;
        prevPos_ = position_;
        prevRot_ = rot;
        historyLength_ = std::min(historyLength_ + 1, 2);
    }
}

void KinematicBody::updateFeetMotion(double dt) {
    for (int f = 0; f < 2; ++f) {
        footCentre_[f] = footBox(f).pos;
        if (feetHistory_ && dt > 0.0) {
            footVelocity_[f] = (footCentre_[f] - prevFootCentre_[f]) * (1.0 / dt);
        } else {
            footVelocity_[f] = {};
        }
        if (dt > 0.0 || !feetHistory_) prevFootCentre_[f] = footCentre_[f];
    }
    feetHistory_ = true;
}

void KinematicBody::resetMotionHistory() {
    historyLength_ = 0;
    gyro_ = {};
    torsoVelocity_ = {};
    acc_ = torso_.rot.transposed() * Vec3{0.0, 0.0, NaoModel::kGravity};
    prevPos_ = position_;
    prevPrevPos_ = position_;
    prevRot_ = torso_.rot;
    feetHistory_ = false;
    for (Vec3& v : footVelocity_) v = {};
}

Pose KinematicBody::footBox(int foot) const {
    const int f = foot == 0 ? 0 : 1;
    const Pose& limb = f == 0 ? limbs_.rightFoot : limbs_.leftFoot;
    return {torso_.rot * limb.rot, worldPoint(limb, kFootCentre[f])};
}

Footprint KinematicBody::footprint() const {
    const Vec3 ground{position_.x, position_.y, 0.0};
    if (state_ == BodyState::Upright) return {ground, ground, kUprightRadius};
    // Lying (or falling): from the head to the feet along the torso's up axis.
    const double h = headingDeg_ * kDeg;
    const Vec3 up = horizontalUnit(torso_.rot.column(2), {std::cos(h), std::sin(h), 0.0});
    const double reachHead = NaoModel::kHeadTopAbove - kLyingRadius;
    const double reachFeet = NaoModel::kSoleBelow - kLyingRadius;
    return {ground + up * reachHead, ground - up * reachFeet, kLyingRadius};
}

Pose KinematicBody::camera() const {
    const Pose head = torso_.compose(limbs_.head);
    return {head.rot, head.apply(NaoModel::kHeadCentre)};
}

std::array<Pose, NaoModel::kBodyPartCount> KinematicBody::partPoses() const {
    std::array<Pose, NaoModel::kBodyPartCount> out = BodyKinematics::parts(angles_);
    for (int i = 0; i < NaoModel::kBodyPartCount; ++i) {
        Pose& p = out[static_cast<size_t>(i)];
        p = {torso_.rot * p.rot, worldPoint(p, NaoModel::bodyPart(i).centre)};
    }
    return out;
}

Vec3 KinematicBody::worldPoint(const Pose& limb, const Vec3& zeroPosePoint) const {
    return torso_.apply(limb.apply(zeroPosePoint));
}

Vec3 KinematicBody::partCentre(VisiblePart part) const {
    switch (part) {
        case VisiblePart::Head: return worldPoint(limbs_.head, NaoModel::kHeadCentre);
        case VisiblePart::RightLowerArm: return worldPoint(limbs_.rightLowerArm, NaoModel::kRightLowerArmCentre);
        case VisiblePart::LeftLowerArm: return worldPoint(limbs_.leftLowerArm, NaoModel::kLeftLowerArmCentre);
        case VisiblePart::RightFoot: return worldPoint(limbs_.rightFoot, NaoModel::kRightFootCentre);
        case VisiblePart::LeftFoot: return worldPoint(limbs_.leftFoot, NaoModel::kLeftFootCentre);
    }
    return torso_.pos;
}
