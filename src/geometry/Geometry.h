// Stateless helpers for angle units, angle normalisation and the
// polar/Cartesian conversions every sighting goes through.
#pragma once

#include "geometry/Point.h"

class Geometry {
public:
    static constexpr double PI = 3.141592653589793;

    // Single precision on purpose: the vision data is no more precise.
    static float convertDegToRad(float ang);
    static float convertRadToDeg(float ang);
    static double getPI();

    // Degrees into [-180, 180]; both ends are kept as they are.
    // A non-finite angle comes back as NaN instead of looping forever.
    static double normalizeAngle(double angle);

    // 1, -1 or 0 (also for -0.0 and NaN).
    static int signX(double value);

    // (Ro, Phi, Teta) -> (x, y, z). Phi is the elevation above the x-y
    // plane, Teta the azimuth from +x towards +y, both in degrees.
    static Point convertPolToCart(Point p);
    // (x, y, z) -> (Ro, Phi, Teta), Teta in [-180, 180]. The origin gives
    // (0, 0, 0); a point on the negative x axis gives Teta 180.
    static Point convertCartToPol(Point p);

    // A1 sin(2 3.1415 t / T1 + phi1) + alpha1 + A2 sin(2 3.1415 t / T2 + phi2) + alpha2.
    // A term with a zero period contributes only its offset.
    static double SineF(double time, double A1, double T1, double phi1, double alpha1,
                        double A2, double T2, double phi2, double alpha2);
};
