// A line in the field plane, written m_a*y + m_b*x + m_c = 0 (m_a goes with
// y). Vertical lines have m_a = 0; lines made from two points that are not
// vertical have m_a = 1 and m_b = -slope.
#pragma once

#include <ostream>

#include "geometry/Point.h"

class Line {
public:
    Line();
    Line(double a, double b, double c);

    // 0 when the line is vertical (m_a = 0).
    double getYGivenX(double x) const;
    // 0 when the line is horizontal (m_b = 0).
    double getXGivenY(double y) const;

    double getACoefficient() const;
    double getBCoefficient() const;
    double getCCoefficient() const;
    void setACoefficient(double i_a);
    void setBCoefficient(double i_b);
    void setCCoefficient(double i_c);

    // Line through the x-y projections of the two points.
    static Line makeLineFromTwoPoints(Point pos1, Point pos2);
    // Line through pos heading at angle degrees (from +x towards +y).
    static Line makeLineFromPositionAndAngle(Point pos, double angle);

    // The line through pos perpendicular to this one.
    Line getTangentLine(Point pos) const;
    // Crossing point (z = 0). Parallel, identical or degenerate lines have
    // none; the result is then (0, 0, 0) and carries no meaning.
    Point getIntersection(Line line) const;
    // Foot of the perpendicular from pos.
    Point getPointOnLineClosestTo(Point pos) const;
    // True when the foot of pos lies no farther from either end point than
    // the two end points are from each other.
    bool isInBetween(Point pos, Point point1, Point point2) const;
    // 3-D distance from pos to its foot on the line (the foot has z = 0).
    double getDistanceWithPoint(Point pos) const;

    double m_a;
    double m_b;
    double m_c;
};

// "( a , b , c )"
std::ostream& operator<<(std::ostream& os, const Line& l);
