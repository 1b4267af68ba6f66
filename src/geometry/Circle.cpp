#include "geometry/Circle.h"

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

void Circle::show(std::ostream& os) const { os << "c:" << m_posCenter << ", r:" << m_dRadius; }

std::ostream& operator<<(std::ostream& os, const Circle& c) {
    c.show(os);
    return os;
}
