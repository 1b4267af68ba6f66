// The ball: it rolls with linear damping and, when lifted by a scripted
// event, falls back under gravity and bounces. Robots push it (Contacts).
#pragma once

#include "util/Vec3.h"

class Ball {
public:
    static constexpr double kRadius = 0.042;
    // Linear damping of the rolling speed (1/s): a ball rolling at 2 m/s
    // stops after about 4 m.
    static constexpr double kDamping = 0.5;
    static constexpr double kStopSpeed = 0.02;  // m/s: slower than this, the ball rests
    static constexpr double kBounce = 0.8;      // restitution on the ground
    static constexpr double kMinBounceSpeed = 0.8;
    static constexpr double kMaxSpeed = 50.0;  // m/s; faster pushes are cut to this

    Ball();

    void place(const Vec3& position);  // at rest; z below the radius is raised to it
    void push(const Vec3& velocity);   // adds to the current velocity
    void setVelocity(const Vec3& velocity);
    // Moves the ball without changing its velocity (pushed out of a body).
    void moveTo(const Vec3& position);
    void step(double dt);
    // Keeps the ball inside a rectangle around the field (the surrounding walls).
    void confine(double halfLength, double halfWidth);

    const Vec3& position() const { return position_; }
    const Vec3& velocity() const { return velocity_; }

    // Counts the changes made from outside the ball's own motion (placing,
    // pushing), so that a model that moves the ball itself sees them.
    unsigned long revision() const { return revision_; }
    // Takes over where a model's own motion left the ball.
    void follow(const Vec3& position, const Vec3& velocity);

private:
    Vec3 position_;
    Vec3 velocity_;
    unsigned long revision_ = 0;
};
