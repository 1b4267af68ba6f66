#include "geometry/Point.h"

#include <cmath>
#include <iostream>

#include "buildMode.h"

Point::Point() : x_Ro(0.0), y_Phi(0.0), z_Teta(0.0) {}

Point::Point(double fX, double fY, double fZ) : x_Ro(fX), y_Phi(fY), z_Teta(fZ) {}

void Point::setX(double x) { x_Ro = x; }
void Point::setY(double y) { y_Phi = y; }
void Point::setZ(double z) { z_Teta = z; }
void Point::setRo(double ro) { x_Ro = ro; }
void Point::setPhi(double phi) { y_Phi = phi; }
void Point::setTeta(double teta) { z_Teta = teta; }

double Point::getX() const { return x_Ro; }
double Point::getY() const { return y_Phi; }
double Point::getZ() const { return z_Teta; }
double Point::getRo() const { return x_Ro; }
double Point::getPhi() const { return y_Phi; }
double Point::getTeta() const { return z_Teta; }

Point Point::operator+(const Point& p) const {
    return Point(x_Ro + p.x_Ro, y_Phi + p.y_Phi, z_Teta + p.z_Teta);
}

Point Point::operator-(const Point& p) const {
    return Point(x_Ro - p.x_Ro, y_Phi - p.y_Phi, z_Teta - p.z_Teta);
}

Point Point::operator+=(const Point& p) {
    *this = *this + p;
    return *this;
}

Point Point::operator-=(const Point& p) {
    *this = *this - p;
    return *this;
}

Point Point::operator*(double d) const { return Point(x_Ro * d, y_Phi * d, z_Teta * d); }

Point Point::operator*=(double d) {
    *this = *this * d;
    return *this;
}

Point Point::operator/(double d) const {
    if (d == 0.0) {
        // Infinite or NaN coordinates would spread through the world model
        // into the joint commands; keep the point as it is and say so.
        std::cerr << "!!!Divided By Zero!!!" << *this << '\n';
        return *this;
    }
    return Point(x_Ro / d, y_Phi / d, z_Teta / d);
}

Point Point::operator/=(double d) {
    *this = *this / d;
    return *this;
}

bool Point::operator==(const Point& p) const {
    constexpr double eps = 1e-10;
    return p.x_Ro - eps < x_Ro && x_Ro < p.x_Ro + eps && p.y_Phi - eps < y_Phi &&
           y_Phi < p.y_Phi + eps && p.z_Teta - eps < z_Teta && z_Teta < p.z_Teta + eps;
}

bool Point::operator!=(const Point& p) const { return !(*this == p); }

double Point::getMagnitude() const {
    return std::sqrt(x_Ro * x_Ro + y_Phi * y_Phi + z_Teta * z_Teta);
}

double Point::getDistanceTo(const Point& p) const { return (*this - p).getMagnitude(); }

double Point::getDistanceTo2(const Point& p) const {
    const double dx = x_Ro - p.x_Ro;
    const double dy = y_Phi - p.y_Phi;
    return std::sqrt(dx * dx + dy * dy);
}

Point Point::getNorm() const {
    const double mag = getMagnitude();
    // Too short to have a meaningful direction.
    if (mag < 0.001) {
        return Point(0.0, 0.0, 0.0);
    }
    return *this / mag;
}

void Point::printOnScreen() const {
    devOut("point: (", x_Ro, " , ", y_Phi, " , ", z_Teta, "  )", '\n');
}

std::ostream& operator<<(std::ostream& os, const Point& p) {
    return os << "X= " << p.x_Ro << "\t\tY= " << p.y_Phi << "\t\tZ= " << p.z_Teta << "\t\t";
}
