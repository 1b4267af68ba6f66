// A circle (or, for isInside, a ball) around a centre point.
#pragma once

#include <ostream>

#include "geometry/Point.h"

class Circle {
public:
    // Centre (-1000, -1000, -1000), radius 0: far off the field.
    Circle();
    Circle(Point pos, double dR);

    // Refuses radii <= 0 (and NaN) by storing 0 and returning false.
    bool setRadius(double dR);
    bool setCenter(Point pos);
    bool setCircle(Point pos, double dR);

    double getRadius() const;
    Point getCenter() const;
    double getCircumference() const;
    double getArea() const;

    // Strictly inside (3-D distance to the centre below the radius).
    bool isInside(Point pos) const;
    // How many of the two points are inside: 0, 1 or 2.
    int pointInCircle(Point pos1, Point pos2) const;

    // Crossing points with another circle in the x-y plane (z of the
    // results is 0; heights are ignored). Returns how many there are: 0
    // (apart, nested, concentric or a circle without radius), 1 (touching,
    // written to p1) or 2. Either pointer may be null.
    int getIntersectionPoints(Circle c, Point* p1, Point* p2) const;
    // Area the two discs share in the x-y plane.
    double getIntersectionArea(Circle c) const;

    // "c:" centre ", r:" radius
    void show(std::ostream& os) const;

    Point m_posCenter;
    double m_dRadius;
};

std::ostream& operator<<(std::ostream& os, const Circle& c);
