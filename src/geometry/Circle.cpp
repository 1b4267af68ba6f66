#include "geometry/Circle.h"

#include <algorithm>
#include <cmath>

Circle::Circle() : m_posCenter(-1000.0, -1000.0, -1000.0), m_dRadius(0.0) {}

Circle::Circle(Point pos, double dR) : m_posCenter(), m_dRadius(0.0) { setCircle(pos, dR); }

bool Circle::setRadius(double dR) {
    // Written as "not > 0" so that NaN is refused too.
    if (!(dR > 0.0)) {
        m_dRadius = 0.0;
        return false;
    }
    m_dRadius = dR;
    return true;
}

bool Circle::setCenter(Point pos) {
    m_posCenter = pos;
    return true;
}

bool Circle::setCircle(Point pos, double dR) {
    setCenter(pos);
    return setRadius(dR);
}

double Circle::getRadius() const { return m_dRadius; }

Point Circle::getCenter() const { return m_posCenter; }

double Circle::getCircumference() const { return m_dRadius * 6.283185307179586; }

double Circle::getArea() const { return (m_dRadius * 3.141592653589793) * m_dRadius; }

bool Circle::isInside(Point pos) const { return m_posCenter.getDistanceTo(pos) < m_dRadius; }

int Circle::pointInCircle(Point pos1, Point pos2) const {
    return (isInside(pos1) ? 1 : 0) + (isInside(pos2) ? 1 : 0);
}

int Circle::getIntersectionPoints(Circle c, Point* p1, Point* p2) const {
    const double r1 = m_dRadius;
    const double r2 = c.getRadius();
    const double dx = c.getCenter().getX() - m_posCenter.getX();
    const double dy = c.getCenter().getY() - m_posCenter.getY();
    const double d = std::sqrt(dx * dx + dy * dy);
    if (r1 <= 0.0 || r2 <= 0.0 || d == 0.0 || !std::isfinite(d)) {
        return 0;
    }
    // a: distance from this centre to the chord's midpoint along the line of
    // centres; h: half the chord.
    const double a = (d * d + r1 * r1 - r2 * r2) / (2.0 * d);
    double h2 = r1 * r1 - a * a;
    // Touching circles rarely give exactly 0 after rounding; a relative
    // slack keeps them from being reported as apart or as two points.
    const double slack = 1e-9 * std::max(r1, r2) * std::max(r1, r2);
    if (h2 < -slack) {
        return 0;
    }
    const Point mid(m_posCenter.getX() + a * dx / d, m_posCenter.getY() + a * dy / d, 0.0);
    if (h2 <= slack) {
        if (p1 != nullptr) {
            *p1 = mid;
        }
        return 1;
    }
    h2 = std::sqrt(h2);
    const double ox = -dy * h2 / d;
    const double oy = dx * h2 / d;
    if (p1 != nullptr) {
        *p1 = Point(mid.getX() + ox, mid.getY() + oy, 0.0);
    }
    if (p2 != nullptr) {
        *p2 = Point(mid.getX() - ox, mid.getY() - oy, 0.0);
    }
    return 2;
}

double Circle::getIntersectionArea(Circle c) const {
    const double r1 = m_dRadius;
    const double r2 = c.getRadius();
    const double d = m_posCenter.getDistanceTo2(c.getCenter());
    if (r1 <= 0.0 || r2 <= 0.0 || d >= r1 + r2) {
        return 0.0;
    }
    if (d <= std::fabs(r1 - r2)) {
        const double r = std::min(r1, r2);
        return (r * 3.141592653589793) * r;
    }
    // Two circular segments, one cut from each disc by the common chord.
    const double c1 = std::clamp((d * d + r1 * r1 - r2 * r2) / (2.0 * d * r1), -1.0, 1.0);
    const double c2 = std::clamp((d * d + r2 * r2 - r1 * r1) / (2.0 * d * r2), -1.0, 1.0);
    const double k = (-d + r1 + r2) * (d + r1 - r2) * (d - r1 + r2) * (d + r1 + r2);
    return r1 * r1 * std::acos(c1) + r2 * r2 * std::acos(c2) - 0.5 * std::sqrt(std::max(k, 0.0));
}

void Circle::show(std::ostream& os) const { os << "c:" << m_posCenter << ", r:" << m_dRadius; }

std::ostream& operator<<(std::ostream& os, const Circle& c) {
    c.show(os);
    return os;
}
