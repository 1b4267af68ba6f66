// A triple of doubles that the agent uses both as a Cartesian vector
// (x, y, z in metres) and as a polar triple (Ro metres, Phi elevation
// degrees, Teta azimuth degrees). Which meaning a value carries is up to its
// user; the accessor pairs below are aliases of the same three fields.
#pragma once

#include <ostream>

class Point {
public:
    // Starts at (0, 0, 0) so that a record nobody has filled yet still
    // compares and measures sensibly.
    Point();
    Point(double fX, double fY, double fZ);

    void setX(double x);
    void setY(double y);
    void setZ(double z);
    void setRo(double ro);
    void setPhi(double phi);
    void setTeta(double teta);

    double getX() const;
    double getY() const;
    double getZ() const;
    double getRo() const;
    double getPhi() const;
    double getTeta() const;

    Point operator+(const Point& p) const;
    Point operator-(const Point& p) const;
    Point operator+=(const Point& p);
    Point operator-=(const Point& p);
    Point operator*(double d) const;
    Point operator*=(double d);
    // A zero divisor is reported on standard error and leaves the point
    // unchanged instead of filling it with infinities.
    Point operator/(double d) const;
    Point operator/=(double d);

    // Equal when every field differs by less than 1e-10.
    bool operator==(const Point& p) const;
    bool operator!=(const Point& p) const;

    double getMagnitude() const;
    // 3-D distance.
    double getDistanceTo(const Point& p) const;
    // Distance in the x-y plane; z is ignored.
    double getDistanceTo2(const Point& p) const;
    // Unit vector; (0, 0, 0) for vectors shorter than 0.001.
    Point getNorm() const;

    // "point: (x , y , z  )"; silent in the competition build.
    void printOnScreen() const;

    double x_Ro;
    double y_Phi;
    double z_Teta;
};

// "X= x\t\tY= y\t\tZ= z\t\t", no newline.
std::ostream& operator<<(std::ostream& os, const Point& p);
