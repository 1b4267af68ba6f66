#include "RobotBody.h"

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

double clampAngle(int joint, double rad) {
    const JointSpec& spec = NaoModel::joint(joint);
    return std::clamp(rad, spec.minDeg * kDeg, spec.maxDeg * kDeg);
}

}  // namespace

const char* bodyStateName(BodyState state) {
    switch (state) {
        case BodyState::Upright: return "upright";
        case BodyState::LyingFront: return "front";
        case BodyState::LyingBack: return "back";
    }
    return "upright";
}

RobotBody::RobotBody() {
    place(0.0, 0.0, 0.0);
}

bool RobotBody::setVelocity(int joint, double radPerSec) {
    if (joint < 0 || joint >= NaoModel::kJointCount || !std::isfinite(radPerSec)) {
        return false;
    }
    const double limit = NaoModel::joint(joint).maxSpeed;
    velocities_[joint] = std::clamp(radPerSec, -limit, limit);
    return true;
}

void RobotBody::setAngle(int joint, double rad) {
    if (joint < 0 || joint >= NaoModel::kJointCount || !std::isfinite(rad)) {
        return;
    }
    angles_[joint] = clampAngle(joint, rad);
}

void RobotBody::stepJoints(double dt) {
    for (int j = 0; j < NaoModel::kJointCount; ++j) {
        angles_[j] = clampAngle(j, angles_[j] + velocities_[j] * dt);
    }
}

void RobotBody::place(double x, double y, double headingDeg) {
    state_ = BodyState::Upright;
    fallProgress_ = 1.0;
    hipsFlexedWhileLying_ = false;
    position_ = {x, y, 0.0};
    headingDeg_ = std::remainder(headingDeg, 360.0);
    placeUprightTorso();
    resetMotionHistory();
    updateFootContacts();
}

void RobotBody::knockOver(bool onFront) {
    state_ = onFront ? BodyState::LyingFront : BodyState::LyingBack;
    hipsFlexedWhileLying_ = false;
    fallProgress_ = 0.0;
    fallFrom_ = position_;
    fallPitchFrom_ = pitchDeg_;
    fallRollFrom_ = rollDeg_;
    // The torso ends up about its own length beyond where the feet were, on
    // the side it falls to.
    const double dir = onFront ? 1.0 : -1.0;
    const double h = headingDeg_ * kDeg;
    fallTo_ = {position_.x + dir * 0.2 * std::cos(h), position_.y + dir * 0.2 * std::sin(h),
               NaoModel::kTorsoHalfDepth};
}

void RobotBody::update(double dt) {
    ++updates_;
    limbs_ = BodyKinematics::compute(angles_);
    if (state_ == BodyState::Upright) {
        placeUprightTorso();
    } else {
        advanceFall(dt);
        checkGettingUp();
    }
    updateInertialSensors(dt);
    updateFootContacts();
}

Mat3 RobotBody::orientation() const {
    // The model's forward axis is +y, so a heading of 0 (facing +x) is a
    // model turn of -90 degrees about z.
    return Mat3::rotZ((headingDeg_ - 90.0) * kDeg) * Mat3::rotX(pitchDeg_ * kDeg) *
           Mat3::rotY(rollDeg_ * kDeg);
}

void RobotBody::placeUprightTorso() {
    limbs_ = BodyKinematics::compute(angles_);
    const Vec3 soleOffset{0.0, 0.0, -NaoModel::kFootHalfHeight};
    const Vec3 rightSole = limbs_.rightFoot.apply(NaoModel::kRightFootCentre + soleOffset);
    const Vec3 leftSole = limbs_.leftFoot.apply(NaoModel::kLeftFootCentre + soleOffset);
    // The lower foot carries the robot; on a tie the old stance foot stays.
    constexpr double kTie = 0.0005;
    if (rightSole.z < leftSole.z - kTie) {
        rightStance_ = true;
    } else if (leftSole.z < rightSole.z - kTie) {
        rightStance_ = false;
    }
    const Pose& stance = rightStance_ ? limbs_.rightFoot : limbs_.leftFoot;
    const Vec3& sole = rightStance_ ? rightSole : leftSole;

    // Tilt the torso so that the stance sole lies flat: its up axis must
    // become the world's up axis. With tilt = rotX(pitch) * rotY(roll) this
    // gives roll and pitch directly.
    const Vec3 up = stance.rot * Vec3{0.0, 0.0, 1.0};
    rollDeg_ = std::atan2(-up.x, up.z) / kDeg;
    pitchDeg_ = std::atan2(up.y, std::sqrt(up.x * up.x + up.z * up.z)) / kDeg;
    const Mat3 tilt = Mat3::rotX(pitchDeg_ * kDeg) * Mat3::rotY(rollDeg_ * kDeg);
    // Locomotion will later move (x, y) by keeping the stance foot anchored;
    // for now the torso stays above the point where it was placed.
    position_.z = -(tilt * sole).z;
    torso_ = {orientation(), position_};
}

void RobotBody::advanceFall(double dt) {
    if (fallProgress_ < 1.0) {
        fallProgress_ = std::min(1.0, fallProgress_ + dt / kFallDuration);
    }
    // Accelerating like a toppling body: slow at first, fast at the end.
    const double s = fallProgress_ * fallProgress_;
    const double pitchTo = state_ == BodyState::LyingFront ? -90.0 : 90.0;
    position_ = fallFrom_ + (fallTo_ - fallFrom_) * s;
    pitchDeg_ = fallPitchFrom_ + (pitchTo - fallPitchFrom_) * s;
    rollDeg_ = fallRollFrom_ * (1.0 - s);
    torso_ = {orientation(), position_};
}

bool RobotBody::legsNearStandingPose() const {
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

void RobotBody::checkGettingUp() {
    if (fallProgress_ < 1.0) {
        return;
    }
    if (angles_[NaoModel::RLJ3] / kDeg > kGetUpHipFlexionDeg &&
        angles_[NaoModel::LLJ3] / kDeg > kGetUpHipFlexionDeg) {
        hipsFlexedWhileLying_ = true;
    }
    if (hipsFlexedWhileLying_ && legsNearStandingPose()) {
        state_ = BodyState::Upright;
        hipsFlexedWhileLying_ = false;
        placeUprightTorso();
        // The stand-up motion took its time on the robot's side; a reading of
        // the whole quarter turn in one cycle would be an artefact.
        resetMotionHistory();
    }
}

void RobotBody::updateFootContacts() {
    feet_[0] = FootContact{};
    feet_[1] = FootContact{};
    if (state_ == BodyState::Upright) {
        const Pose* limb[2] = {&limbs_.rightFoot, &limbs_.leftFoot};
        const Vec3 centre[2] = {NaoModel::kRightFootCentre, NaoModel::kLeftFootCentre};
        int loaded = 0;
        for (int f = 0; f < 2; ++f) {
            double lowest = 1e9;
            for (int corner = 0; corner < 4; ++corner) {
                const Vec3 c = centre[f] + Vec3{(corner & 1) ? NaoModel::kFootHalfWidth : -NaoModel::kFootHalfWidth,
                                               (corner & 2) ? NaoModel::kFootHalfLength : -NaoModel::kFootHalfLength,
                                               -NaoModel::kFootHalfHeight};
                lowest = std::min(lowest, worldPoint(*limb[f], c).z);
            }
            feet_[f].touching = lowest <= kContactTolerance;
            loaded += feet_[f].touching ? 1 : 0;
        }
        for (auto& foot : feet_) {
            if (foot.touching) {
                foot.centre = kStandingCentre;
                foot.force = {0.0, 0.001, NaoModel::kTotalMass * NaoModel::kGravity / loaded};
            }
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

void RobotBody::updateInertialSensors(double dt) {
    const Mat3& rot = torso_.rot;
    Vec3 accel;
    if (historyLength_ >= 1 && dt > 0.0) {
        gyro_ = (prevRot_.transposed() * rot).rotationVector() * (1.0 / dt / kDeg);
    } else {
        gyro_ = {};
    }
    if (historyLength_ >= 2 && dt > 0.0) {
        accel = (position_ - prevPos_ * 2.0 + prevPrevPos_) * (1.0 / (dt * dt));
    }
    acc_ = rot.transposed() * (accel + Vec3{0.0, 0.0, NaoModel::kGravity});
    prevPrevPos_ = historyLength_ >= 1 ? prevPos_ : position_;
    prevPos_ = position_;
    prevRot_ = rot;
    historyLength_ = std::min(historyLength_ + 1, 2);
}

void RobotBody::resetMotionHistory() {
    historyLength_ = 0;
    gyro_ = {};
    acc_ = torso_.rot.transposed() * Vec3{0.0, 0.0, NaoModel::kGravity};
    prevPos_ = position_;
    prevPrevPos_ = position_;
    prevRot_ = torso_.rot;
}

Pose RobotBody::camera() const {
    const Pose head = torso_.compose(limbs_.head);
    return {head.rot, head.apply(NaoModel::kHeadCentre)};
}

Vec3 RobotBody::worldPoint(const Pose& limb, const Vec3& zeroPosePoint) const {
    return torso_.apply(limb.apply(zeroPosePoint));
}
