#include "geometry/Geometry.h"

#include <algorithm>
#include <cmath>

float Geometry::convertDegToRad(float ang) { return static_cast<float>(ang * PI / 180.0); }

float Geometry::convertRadToDeg(float ang) { return static_cast<float>(ang * 180.0 / PI); }

double Geometry::getPI() { return PI; }

double Geometry::normalizeAngle(double angle) {
    // Far-off angles are folded first: stepping by 360 would take ages, and
    // beyond 2^53 it would never change the value at all. fmod is exact and
    // keeps the sign, so the loops below give what stepping would give.
    // Infinity folds to NaN, which the loops leave alone.
    if (!(std::fabs(angle) <= 1e4)) {
        angle = std::fmod(angle, 360.0);
    }
    while (angle > 180.0) {
        angle -= 360.0;
    }
    while (angle < -180.0) {
        angle += 360.0;
    }
    return angle;
}

int Geometry::signX(double value) {
    if (value > 0.0) {
        return 1;
    }
    if (value < 0.0) {
        return -1;
    }
    return 0;
}

Point Geometry::convertPolToCart(Point p) {
    const double ro = p.getRo();
    const double colat = convertDegToRad(static_cast<float>(90.0 - p.getPhi()));
    const double azim = convertDegToRad(static_cast<float>(p.getTeta()));
    return Point(ro * std::sin(colat) * std::cos(azim), ro * std::sin(colat) * std::sin(azim),
                 ro * std::cos(colat));
}

Point Geometry::convertCartToPol(Point p) {
    const double x = p.getX();
    const double y = p.getY();
    const double z = p.getZ();
    const double ro = std::sqrt(x * x + y * y + z * z);
    // The origin has no direction; NaN angles from 0/0 would poison every
    // caller, so it is (0, 0, 0).
    if (ro == 0.0) {
        return Point(0.0, 0.0, 0.0);
    }
    // Rounding can push the ratio a hair past 1 for points on the z axis.
    const double cosColat = std::clamp(z / ro, -1.0, 1.0);
    const double phi = 90.0 - convertRadToDeg(static_cast<float>(std::acos(cosColat)));

    double teta = 0.0;
    if (x != 0.0) {
        teta = convertRadToDeg(static_cast<float>(std::atan(y / x)));
    }
    if (x < 0.0 && y > 0.0) {
        teta += 180.0;
    } else if (x < 0.0 && y < 0.0) {
        teta -= 180.0;
    } else if (x < 0.0 && y == 0.0) {
        // Straight behind: the azimuth is 180, not the 0 that atan gives.
        teta = 180.0;
    }
    return Point(ro, phi, teta);
}

double Geometry::SineF(double time, double A1, double T1, double phi1, double alpha1, double A2,
                       double T2, double phi2, double alpha2) {
    // A zero period has no sine to speak of; its offset still counts, so a
    // bad parameter set gives a steady value instead of NaN.
    double term1 = 0.0;
    double term2 = 0.0;
    if (T1 != 0.0) {
        term1 = A1 * std::sin(2 * 3.1415 * time / T1 + phi1);
    }
    if (T2 != 0.0) {
        term2 = A2 * std::sin(2 * 3.1415 * time / T2 + phi2);
    }
    const double result = term1 + alpha1 + term2 + alpha2;
    return result;
}
