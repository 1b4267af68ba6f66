#include "game/Ball.h"

#include <cmath>

namespace {
constexpr double kGravity = 9.81;
}

Ball::Ball() { place({0.0, 0.0, kRadius}); }

void Ball::place(const Vec3& position) {
    position_ = position.isFinite() ? position : Vec3{0.0, 0.0, kRadius};
    if (position_.z < kRadius) position_.z = kRadius;
    velocity_ = {};
    ++revision_;
}

void Ball::follow(const Vec3& position, const Vec3& velocity) {
    if (position.isFinite()) position_ = position;
    if (velocity.isFinite()) velocity_ = velocity;
}

namespace {

Vec3 capped(const Vec3& v) {
    const double speed = v.length();
    return speed > Ball::kMaxSpeed ? v * (Ball::kMaxSpeed / speed) : v;
}

}  // namespace

void Ball::push(const Vec3& velocity) {
    if (velocity.isFinite()) setVelocity(velocity_ + capped(velocity));
}

void Ball::setVelocity(const Vec3& velocity) {
    if (velocity.isFinite()) velocity_ = capped(velocity);
    ++revision_;
}

void Ball::moveTo(const Vec3& position) {
    if (!position.isFinite()) return;
    position_ = position;
    if (position_.z < kRadius) position_.z = kRadius;
    ++revision_;
}

void Ball::step(double dt) {
    const bool airborne = position_.z > kRadius + 1e-9 || velocity_.z > 0.0;
    if (airborne) {
        velocity_.z -= kGravity * dt;
        position_ += velocity_ * dt;
        if (position_.z <= kRadius) {
            position_.z = kRadius;
            velocity_.z = -velocity_.z > kMinBounceSpeed ? -velocity_.z * kBounce : 0.0;
        }
        return;
    }
    // Rolling: exact solution of dv/dt = -k v over one step.
    const double decay = std::exp(-kDamping * dt);
    const double travel = (1.0 - decay) / kDamping;
    position_.x += velocity_.x * travel;
    position_.y += velocity_.y * travel;
    velocity_.x *= decay;
    velocity_.y *= decay;
    velocity_.z = 0.0;
    if (std::hypot(velocity_.x, velocity_.y) < kStopSpeed) {
        velocity_ = {};
    }
}

void Ball::confine(double halfLength, double halfWidth) {
    if (std::fabs(position_.x) > halfLength) {
        position_.x = std::copysign(halfLength, position_.x);
        velocity_.x = 0.0;
    }
    if (std::fabs(position_.y) > halfWidth) {
        position_.y = std::copysign(halfWidth, position_.y);
        velocity_.y = 0.0;
    }
}
