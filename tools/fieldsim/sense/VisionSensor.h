// What the camera makes of a point: polar coordinates relative to the head
// (distance, azimuth positive to the left, elevation positive up), the view
// cone and the real server's noise.
#pragma once

#include "util/Pose.h"
#include "util/Random.h"
#include "util/Vec3.h"

struct Polar {
    double distance = 0.0;   // m
    double azimuth = 0.0;    // deg
    double elevation = 0.0;  // deg
};

class VisionSensor {
public:
    static constexpr double kHalfCone = 60.0;     // deg, each way, both directions
    static constexpr double kMinDistance = 0.1;   // m
    static constexpr double kDistanceSigma = 0.0965;  // percent of the distance
    static constexpr double kAzimuthSigma = 0.1480;   // deg
    static constexpr double kElevationSigma = 0.1225; // deg
    static constexpr double kCalibrationRange = 0.005; // m, each component

    // `local` is in the head frame: +x right, +y forward, +z up.
    static Polar polarOf(const Vec3& local);
    static Polar observe(const Pose& camera, const Vec3& worldPoint, const Vec3& calibration);
    static bool visible(const Polar& p, bool fullView);
    static void addNoise(Polar& p, Random& rng);
    static Vec3 drawCalibration(Random& rng);
};
