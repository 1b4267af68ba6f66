// A 3x3 rotation matrix (row-major). Applied to a column vector: r = M * v.
#pragma once

#include "util/Vec3.h"

class Mat3 {
public:
    Mat3();  // identity
    // From its three rows.
    static Mat3 fromRows(const Vec3& r0, const Vec3& r1, const Vec3& r2);

    static Mat3 rotX(double rad);
    static Mat3 rotY(double rad);
    static Mat3 rotZ(double rad);
    // Right-hand rotation by `rad` about the unit vector `axis`.
    static Mat3 axisAngle(const Vec3& axis, double rad);

    Mat3 operator*(const Mat3& o) const;
    Vec3 operator*(const Vec3& v) const;
    Mat3 transposed() const;

    double at(int row, int col) const { return m_[row][col]; }
    Vec3 column(int col) const { return {m_[0][col], m_[1][col], m_[2][col]}; }

    // Rotation vector (axis times angle, rad) of this rotation; used to turn
    // the change of orientation between two cycles into an angular velocity.
    Vec3 rotationVector() const;

private:
    double m_[3][3];
};
