#include "robot/kinematic/Contacts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

Vec3 flat(const Vec3& v) { return {v.x, v.y, 0.0}; }

double flatLength(const Vec3& v) { return std::hypot(v.x, v.y); }

Vec3 nearestOnSegment(const Vec3& a, const Vec3& b, const Vec3& p) {
    const Vec3 ab = flat(b - a);
    const double len2 = ab.dot(ab);
    const double t = len2 > 0.0 ? std::clamp(flat(p - a).dot(ab) / len2, 0.0, 1.0) : 0.0;
    return flat(a) + ab * t;
}

// Sets the ball's velocity along `normal` to at least `speed`, keeping the rest.
void atLeast(Ball& ball, const Vec3& normal, double speed) {
    const Vec3 v = ball.velocity();
    const double along = v.x * normal.x + v.y * normal.y;
    if (along < speed) ball.setVelocity(v + normal * (speed - along));
}

}  // namespace

KinematicBody& Contacts::kinematic(Robot& robot) { return static_cast<KinematicBody&>(robot.body()); }

const KinematicBody& Contacts::kinematic(const Robot& robot) {
    return static_cast<const KinematicBody&>(robot.body());
}

void Contacts::closestPoints(const Vec3& p1, const Vec3& q1, const Vec3& p2, const Vec3& q2, Vec3& c1, Vec3& c2) {
    const Vec3 d1 = flat(q1 - p1), d2 = flat(q2 - p2), r = flat(p1 - p2);
    const double a = d1.dot(d1), e = d2.dot(d2), f = d2.dot(r);
    double s = 0.0, t = 0.0;
    constexpr double kTiny = 1e-12;
    if (a <= kTiny && e <= kTiny) {
        s = t = 0.0;
    } else if (a <= kTiny) {
        t = std::clamp(f / e, 0.0, 1.0);
    } else {
        const double c = d1.dot(r);
        if (e <= kTiny) {
            s = std::clamp(-c / a, 0.0, 1.0);
        } else {
            const double b = d1.dot(d2), denom = a * e - b * b;
            s = denom > kTiny ? std::clamp((b * f - c * e) / denom, 0.0, 1.0) : 0.0;
            t = (b * s + f) / e;
            if (t < 0.0) {
                t = 0.0;
                s = std::clamp(-c / a, 0.0, 1.0);
            } else if (t > 1.0) {
                t = 1.0;
                s = std::clamp((b - c) / a, 0.0, 1.0);
            }
        }
    }
    c1 = flat(p1) + d1 * s;
    c2 = flat(p2) + d2 * t;
}

std::vector<RobotContact> Contacts::separateRobots(std::map<int, Robot>& robots, const FieldGeometry& field) {
    std::vector<RobotContact> touching;
    std::vector<Robot*> onField;
    for (auto& [id, r] : robots) {
        if (r.joined) onField.push_back(&r);
    }
    for (size_t i = 0; i < onField.size(); ++i) {
        for (size_t j = i + 1; j < onField.size(); ++j) {
            KinematicBody& a = kinematic(*onField[i]);
            KinematicBody& b = kinematic(*onField[j]);
            const Footprint fa = a.footprint(), fb = b.footprint();
            Vec3 ca, cb;
            closestPoints(fa.a, fa.b, fb.a, fb.b, ca, cb);
            Vec3 n = cb - ca;
            double dist = flatLength(n);
            const double overlap = fa.radius + fb.radius - dist;
            // Robots pushed apart in an earlier cycle stand exactly touching.
            if (overlap < -kTouchTolerance) continue;
            const Vec3 at = ca + (cb - ca) * (fa.radius / std::max(fa.radius + fb.radius, 1e-9));
            touching.push_back({onField[i]->clientId, onField[j]->clientId, {at.x, at.y, 0.0}});
            if (overlap <= 0.0) continue;
            if (dist < 1e-9) {
                // Right on top of each other: part them along the field's length.
                n = {1.0, 0.0, 0.0};
                dist = 1.0;
            }
            n = n * (1.0 / dist);
            a.shift(-n.x * overlap * 0.5, -n.y * overlap * 0.5);
            b.shift(n.x * overlap * 0.5, n.y * overlap * 0.5);
        }
    }
    // The walls around the field stop robots as they stop the ball.
    const double xMax = field.halfLength() + FieldGeometry::kBorder - KinematicBody::kUprightRadius;
    const double yMax = field.halfWidth() + FieldGeometry::kBorder - KinematicBody::kUprightRadius;
    for (Robot* r : onField) {
        const Vec3 p = r->body().torso().pos;
        kinematic(*r).shift(std::clamp(p.x, -xMax, xMax) - p.x, std::clamp(p.y, -yMax, yMax) - p.y);
    }
    return touching;
}

bool Contacts::pushOutOfFoot(Ball& ball, const KinematicBody& body, int foot) {
    const Pose box = body.footBox(foot);
    const Vec3 local = box.toLocal(ball.position());
    const Vec3 half{NaoModel::kFootHalfWidth, NaoModel::kFootHalfLength, NaoModel::kFootHalfHeight};
    const Vec3 inside{std::clamp(local.x, -half.x, half.x), std::clamp(local.y, -half.y, half.y),
                      std::clamp(local.z, -half.z, half.z)};
    const Vec3 gap = local - inside;
    const double dist = gap.length();
    if (dist >= Ball::kRadius) return false;
    // Out of the box along the shortest way: the gap's direction, or from
    // within the box the nearest face.
    Vec3 normalLocal;
    double depth = Ball::kRadius - dist;
    if (dist > 1e-9) {
        normalLocal = gap * (1.0 / dist);
    } else {
        const double dx = half.x - std::fabs(local.x), dy = half.y - std::fabs(local.y);
        if (dx < dy) {
            normalLocal = {local.x >= 0.0 ? 1.0 : -1.0, 0.0, 0.0};
            depth = Ball::kRadius + dx;
        } else {
            normalLocal = {0.0, local.y >= 0.0 ? 1.0 : -1.0, 0.0};
            depth = Ball::kRadius + dy;
        }
    }
    // The ball rolls on the ground: only the horizontal part of the push counts.
    Vec3 n = flat(box.rot * normalLocal);
    const double len = flatLength(n);
    if (len < 1e-6) return true;  // stepped on from above: touched, not moved
    n = n * (1.0 / len);
    ball.moveTo(ball.position() + n * depth);
    const Vec3 v = flat(body.footVelocity(foot));
    const double into = v.x * n.x + v.y * n.y;
    const Vec3 bv = ball.velocity();
    if (into > 0.0 && into > bv.x * n.x + bv.y * n.y) {
        // A foot moving into the ball sends it along the foot's velocity.
        ball.setVelocity(Vec3{v.x, v.y, 0.0} * kKickGain + Vec3{0.0, 0.0, bv.z});
    } else {
        atLeast(ball, n, 0.0);  // a ball rolling into a foot stops against it
    }
    return true;
}

bool Contacts::pushOutOfFootprint(Ball& ball, const KinematicBody& body) {
    const bool upright = body.state() == BodyState::Upright;
    if (ball.position().z - Ball::kRadius > (upright ? kUprightReach : kLyingReach)) return false;
    Footprint fp = body.footprint();
    if (upright) fp.radius = KinematicBody::kUprightBallRadius;
    const Vec3 near = nearestOnSegment(fp.a, fp.b, ball.position());
    Vec3 n = flat(ball.position()) - near;
    double dist = flatLength(n);
    const double overlap = fp.radius + Ball::kRadius - dist;
    if (overlap <= 0.0) return false;
    if (dist < 1e-9) {
        const double h = body.heading() * 3.14159265358979323846 / 180.0;
        n = {std::cos(h), std::sin(h), 0.0};
        dist = 1.0;
    }
    n = n * (1.0 / dist);
    ball.moveTo(ball.position() + n * overlap);
    // A body walking into the ball takes it along.
    const Vec3 v = body.torsoVelocity();
    atLeast(ball, n, std::max(0.0, v.x * n.x + v.y * n.y));
    return true;
}

std::vector<int> Contacts::pushBall(Ball& ball, const std::map<int, Robot>& robots) {
    std::vector<int> touchers;
    for (const auto& [id, r] : robots) {
        if (!r.joined) continue;
        bool touched = false;
        if (r.body().state() == BodyState::Upright) {
            touched = pushOutOfFoot(ball, kinematic(r), 0) || touched;
            touched = pushOutOfFoot(ball, kinematic(r), 1) || touched;
        }
        touched = pushOutOfFootprint(ball, kinematic(r)) || touched;
        if (touched) touchers.push_back(id);
    }
    return touchers;
}
