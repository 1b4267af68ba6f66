#include "worldModel/TorsoAttitude.h"

#include <cmath>

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kGravity = 9.81;

double asinDeg(double s) {
    if (!(s > -1.0)) return -90.0;
    if (!(s < 1.0)) return 90.0;
    return std::asin(s) / kDegToRad;
}

}  // namespace

TorsoAttitude::TorsoAttitude() : q{1.0, 0.0, 0.0, 0.0} {}

void TorsoAttitude::reset() {
    q[0] = 1.0;
    q[1] = q[2] = q[3] = 0.0;
}

bool TorsoAttitude::levelFrom(const Point& acc) {
    const double n =
        std::sqrt(acc.getX() * acc.getX() + acc.getY() * acc.getY() + acc.getZ() * acc.getZ());
    if (!std::isfinite(n) || !(n > 5.0 && n < 15.0) || !(acc.getZ() > 0.0)) return false;
    // Shortest arc from up = acc / n to (0, 0, 1): axis up x z, half angle
    // from 1 + up . z.
    const double ux = acc.getX() / n, uy = acc.getY() / n, uz = acc.getZ() / n;
    const double r[4] = {1.0 + uz, uy, -ux, 0.0};
    const double m = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    for (int i = 0; i < 4; ++i) q[i] = r[i] / m;
    return true;
}

bool TorsoAttitude::levelKeepingFacing() {
    const double f = facing();
    if (!std::isfinite(f)) return false;
    // A turn about the vertical by theta faces the torso's +y axis
    // 90 + theta degrees counter-clockwise of the reference's +x.
    const double half = 0.5 * (f - 90.0) * kDegToRad;
    q[0] = std::cos(half);
    q[1] = q[2] = 0.0;
    q[3] = std::sin(half);
    return true;
}

bool TorsoAttitude::correctLean(const Point& acc, double gain) {
    const double n =
        std::sqrt(acc.getX() * acc.getX() + acc.getY() * acc.getY() + acc.getZ() * acc.getZ());
    // A jolt (a step landing, a fall) adds the torso's own acceleration:
    // only a reading close to gravity alone tells where up is.
    if (!std::isfinite(n) || std::fabs(n - kGravity) > 1.0 || !(gain > 0.0)) return false;
    if (gain > 1.0) gain = 1.0;
    // Up as measured and as the attitude has it, both in the torso frame.
    const double m[3] = {acc.getX() / n, acc.getY() / n, acc.getZ() / n};
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    // Third row of the rotation matrix: the reference frame's z in torso
    // coordinates.
    const double p[3] = {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)};
    // A small torso-frame turn about m x p moves the attitude's up toward
    // the measured one by `gain` of the angle between them.
    const double axis[3] = {m[1] * p[2] - m[2] * p[1], m[2] * p[0] - m[0] * p[2],
                            m[0] * p[1] - m[1] * p[0]};
    const double h = 0.5 * gain;
    const double d[4] = {1.0, h * axis[0], h * axis[1], h * axis[2]};
    // q <- q * d.
    double r[4] = {
        w * d[0] - x * d[1] - y * d[2] - z * d[3], w * d[1] + x * d[0] + y * d[3] - z * d[2],
        w * d[2] - x * d[3] + y * d[0] + z * d[1], w * d[3] + x * d[2] - y * d[1] + z * d[0]};
    const double len = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2] + r[3] * r[3]);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    for (int i = 0; i < 4; ++i) q[i] = r[i] / len;
    return true;
}

double TorsoAttitude::leanError(const Point& acc) const {
    const double n =
        std::sqrt(acc.getX() * acc.getX() + acc.getY() * acc.getY() + acc.getZ() * acc.getZ());
    if (!std::isfinite(n) || std::fabs(n - kGravity) > 1.0) return std::nan("");
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    const double p[3] = {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)};
    double c = (acc.getX() * p[0] + acc.getY() * p[1] + acc.getZ() * p[2]) / n;
    if (c > 1.0) c = 1.0;
    if (c < -1.0) c = -1.0;
    return std::acos(c) / kDegToRad;
}

void TorsoAttitude::integrate(const Point& rate, double seconds) {
    const double body[3] = {rate.getX() * kDegToRad, rate.getY() * kDegToRad,
                            rate.getZ() * kDegToRad};
    if (!std::isfinite(body[0]) || !std::isfinite(body[1]) || !std::isfinite(body[2]) ||
        !std::isfinite(seconds)) {
        return;
    }
    // The rate in the reference frame, then q <- normalise(q + h/2 * (0, w)
    // * q): the engine's own update of a body's orientation over one step.
    double wv[3];
    toReference(body, wv);
    const double a = 0.5 * seconds;
    const double dq[4] = {-a * (wv[0] * q[1] + wv[1] * q[2] + wv[2] * q[3]),
                          a * (wv[0] * q[0] + wv[1] * q[3] - wv[2] * q[2]),
                          a * (wv[1] * q[0] + wv[2] * q[1] - wv[0] * q[3]),
                          a * (wv[2] * q[0] + wv[0] * q[2] - wv[1] * q[1])};
    double n = 0.0;
    for (int i = 0; i < 4; ++i) {
        q[i] += dq[i];
        n += q[i] * q[i];
    }
    n = std::sqrt(n);
    if (!(n > 0.0) || !std::isfinite(n)) {
        reset();
        return;
    }
    for (double& c : q) c /= n;
}

void TorsoAttitude::toReference(const double (&v)[3], double (&out)[3]) const {
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    out[0] =
        (1 - 2 * (y * y + z * z)) * v[0] + 2 * (x * y - w * z) * v[1] + 2 * (x * z + w * y) * v[2];
    out[1] =
        2 * (x * y + w * z) * v[0] + (1 - 2 * (x * x + z * z)) * v[1] + 2 * (y * z - w * x) * v[2];
    out[2] =
        2 * (x * z - w * y) * v[0] + 2 * (y * z + w * x) * v[1] + (1 - 2 * (x * x + y * y)) * v[2];
}

double TorsoAttitude::facing() const {
    const double forward[3] = {0.0, 1.0, 0.0};
    double f[3];
    toReference(forward, f);
    if (std::hypot(f[0], f[1]) < 0.2) return std::nan("");
    return std::atan2(f[1], f[0]) / kDegToRad;
}

double TorsoAttitude::axisFacing(const double (&axis)[3], double& horizontal) const {
    double f[3];
    toReference(axis, f);
    horizontal = std::hypot(f[0], f[1]);
    return std::atan2(f[1], f[0]) / kDegToRad;
}

double TorsoAttitude::forwardElevation() const {
    const double forward[3] = {0.0, 1.0, 0.0};
    double f[3];
    toReference(forward, f);
    return asinDeg(f[2]);
}

double TorsoAttitude::sideElevation() const {
    const double right[3] = {1.0, 0.0, 0.0};
    double r[3];
    toReference(right, r);
    return asinDeg(r[2]);
}
