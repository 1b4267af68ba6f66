#include "sense/VisionSensor.h"

#include <cmath>

namespace {
constexpr double kRadToDeg = 180.0 / 3.14159265358979323846;
}

Polar VisionSensor::polarOf(const Vec3& v) {
    Polar p;
    p.distance = v.length();
    p.azimuth = std::atan2(-v.x, v.y) * kRadToDeg;
    p.elevation = std::atan2(v.z, std::sqrt(v.x * v.x + v.y * v.y)) * kRadToDeg;
    return p;
}

Polar VisionSensor::observe(const Pose& camera, const Vec3& worldPoint, const Vec3& calibration) {
    return polarOf(camera.toLocal(worldPoint) + calibration);
}

bool VisionSensor::visible(const Polar& p, bool fullView) {
    if (!(p.distance > kMinDistance)) return false;
    if (fullView) return true;
    return std::fabs(p.azimuth) <= kHalfCone && std::fabs(p.elevation) <= kHalfCone;
}

void VisionSensor::addNoise(Polar& p, Random& rng) {
    p.distance += rng.gaussian(kDistanceSigma) * p.distance / 100.0;
    p.azimuth += rng.gaussian(kAzimuthSigma);
    p.elevation += rng.gaussian(kElevationSigma);
}

Vec3 VisionSensor::drawCalibration(Random& rng) {
    return {rng.uniform(-kCalibrationRange, kCalibrationRange),
            rng.uniform(-kCalibrationRange, kCalibrationRange),
            rng.uniform(-kCalibrationRange, kCalibrationRange)};
}
