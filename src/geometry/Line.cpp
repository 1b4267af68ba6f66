#include "geometry/Line.h"

#include <cmath>

#include "geometry/Geometry.h"

Line::Line() : m_a(0.0), m_b(0.0), m_c(0.0) {}

Line::Line(double a, double b, double c) : m_a(a), m_b(b), m_c(c) {}

double Line::getYGivenX(double x) const {
    if (m_a == 0.0) {
        return 0.0;
    }
    return -(m_b * x + m_c) / m_a;
}

double Line::getXGivenY(double y) const {
    if (m_b == 0.0) {
        return 0.0;
    }
    return -(m_a * y + m_c) / m_b;
}

double Line::getACoefficient() const { return m_a; }
double Line::getBCoefficient() const { return m_b; }
double Line::getCCoefficient() const { return m_c; }
void Line::setACoefficient(double i_a) { m_a = i_a; }
void Line::setBCoefficient(double i_b) { m_b = i_b; }
void Line::setCCoefficient(double i_c) { m_c = i_c; }

Line Line::makeLineFromTwoPoints(Point pos1, Point pos2) {
    double a = 1.0;
    double b = 0.0;
    const double dx = pos2.getX() - pos1.getX();
    if (std::fabs(dx) < 0.0001) {
        // Treat nearly equal x as vertical rather than divide by almost nothing.
        a = 0.0;
        b = 1.0;
    } else {
        b = -(pos2.getY() - pos1.getY()) / dx;
    }
    const double c = -a * pos2.getY() - b * pos2.getX();
    return Line(a, b, c);
}

Line Line::makeLineFromPositionAndAngle(Point pos, double angle) {
    // A second point one metre along the heading; near-vertical headings
    // then become vertical lines the same way as for two points.
    const double rad = angle * Geometry::PI / 180.0;
    const Point ahead(pos.getX() + std::cos(rad), pos.getY() + std::sin(rad), 0.0);
    return makeLineFromTwoPoints(ahead, pos);
}

Line Line::getTangentLine(Point pos) const {
    return Line(m_b, -m_a, m_a * pos.getX() - m_b * pos.getY());
}

Point Line::getIntersection(Line line) const {
    const double a1 = m_a;
    const double b1 = m_b;
    const double c1 = m_c;
    const double a2 = line.getACoefficient();
    const double b2 = line.getBCoefficient();
    const double c2 = line.getCCoefficient();

    // Same direction: compared as a cross product rather than as slopes
    // a/b, so two horizontal lines (b = 0) count as parallel whatever the
    // signs of a, and a line with a = b = 0 never reaches a division.
    // When the products differ, the denominator below cannot be zero.
    if (a1 * b2 == a2 * b1) {
        return Point();
    }

    double x = 0.0;
    double y = 0.0;
    if (a1 == 0.0) {
        x = -c1 / b1;
        y = line.getYGivenX(x);
    } else if (a2 == 0.0) {
        x = -c2 / b2;
        y = getYGivenX(x);
    } else {
        x = (a1 * c2 - a2 * c1) / (a2 * b1 - a1 * b2);
        y = getYGivenX(x);
    }
    return Point(x, y, 0.0);
}

Point Line::getPointOnLineClosestTo(Point pos) const {
    return getIntersection(getTangentLine(pos));
}

bool Line::isInBetween(Point pos, Point point1, Point point2) const {
    const Point foot = getPointOnLineClosestTo(pos);
    const double span = point1.getDistanceTo(point2);
    return foot.getDistanceTo(point1) <= span && foot.getDistanceTo(point2) <= span;
}

double Line::getDistanceWithPoint(Point pos) const {
    return pos.getDistanceTo(getPointOnLineClosestTo(pos));
}

std::ostream& operator<<(std::ostream& os, const Line& l) {
    return os << "( " << l.getACoefficient() << " , " << l.getBCoefficient() << " , "
              << l.getCCoefficient() << " )";
}
