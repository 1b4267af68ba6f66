#include "util/Mat3.h"

#include <algorithm>
#include <cmath>

Mat3::Mat3() : m_{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}} {}

Mat3 Mat3::fromRows(const Vec3& r0, const Vec3& r1, const Vec3& r2) {
    Mat3 m;
    const Vec3 rows[3] = {r0, r1, r2};
    for (int i = 0; i < 3; ++i) {
        m.m_[i][0] = rows[i].x;
        m.m_[i][1] = rows[i].y;
        m.m_[i][2] = rows[i].z;
    }
    return m;
}

Mat3 Mat3::rotX(double rad) {
    Mat3 r;
    const double c = std::cos(rad), s = std::sin(rad);
    r.m_[1][1] = c;
    r.m_[1][2] = -s;
    r.m_[2][1] = s;
    r.m_[2][2] = c;
    return r;
}

Mat3 Mat3::rotY(double rad) {
    Mat3 r;
    const double c = std::cos(rad), s = std::sin(rad);
    r.m_[0][0] = c;
    r.m_[0][2] = s;
    r.m_[2][0] = -s;
    r.m_[2][2] = c;
    return r;
}

Mat3 Mat3::rotZ(double rad) {
    Mat3 r;
    const double c = std::cos(rad), s = std::sin(rad);
    r.m_[0][0] = c;
    r.m_[0][1] = -s;
    r.m_[1][0] = s;
    r.m_[1][1] = c;
    return r;
}

Mat3 Mat3::axisAngle(const Vec3& axis, double rad) {
    const double len = axis.length();
    if (!(len > 0.0)) {
        return Mat3();
    }
    const Vec3 k = axis * (1.0 / len);
    const double c = std::cos(rad), s = std::sin(rad), t = 1.0 - c;
    Mat3 r;
    r.m_[0][0] = t * k.x * k.x + c;
    r.m_[0][1] = t * k.x * k.y - s * k.z;
    r.m_[0][2] = t * k.x * k.z + s * k.y;
    r.m_[1][0] = t * k.x * k.y + s * k.z;
    r.m_[1][1] = t * k.y * k.y + c;
    r.m_[1][2] = t * k.y * k.z - s * k.x;
    r.m_[2][0] = t * k.x * k.z - s * k.y;
    r.m_[2][1] = t * k.y * k.z + s * k.x;
    r.m_[2][2] = t * k.z * k.z + c;
    return r;
}

Mat3 Mat3::operator*(const Mat3& o) const {
    Mat3 r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m_[i][j] = m_[i][0] * o.m_[0][j] + m_[i][1] * o.m_[1][j] + m_[i][2] * o.m_[2][j];
        }
    }
    return r;
}

Vec3 Mat3::operator*(const Vec3& v) const {
    return {m_[0][0] * v.x + m_[0][1] * v.y + m_[0][2] * v.z,
            m_[1][0] * v.x + m_[1][1] * v.y + m_[1][2] * v.z,
            m_[2][0] * v.x + m_[2][1] * v.y + m_[2][2] * v.z};
}

Mat3 Mat3::transposed() const {
    Mat3 r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m_[i][j] = m_[j][i];
        }
    }
    return r;
}

Vec3 Mat3::rotationVector() const {
    const double trace = m_[0][0] + m_[1][1] + m_[2][2];
    const double cosA = std::clamp((trace - 1.0) * 0.5, -1.0, 1.0);
    const double angle = std::acos(cosA);
    const Vec3 skew{m_[2][1] - m_[1][2], m_[0][2] - m_[2][0], m_[1][0] - m_[0][1]};
    if (angle < 1e-9) {
        return skew * 0.5;
    }
    const double s = std::sin(angle);
    if (s > 1e-6) {
        return skew * (angle / (2.0 * s));
    }
    // Half a turn: the axis comes from the diagonal.
    Vec3 axis{std::sqrt(std::max(0.0, (m_[0][0] + 1.0) * 0.5)),
              std::sqrt(std::max(0.0, (m_[1][1] + 1.0) * 0.5)),
              std::sqrt(std::max(0.0, (m_[2][2] + 1.0) * 0.5))};
    if (m_[0][1] < 0.0) axis.y = -axis.y;
    if (m_[0][2] < 0.0) axis.z = -axis.z;
    return axis * angle;
}
