#include "worldModel/SelfLocaliser.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kPi = 3.14159265358979323846;

// How far one look's point may lie from where the fit puts it: the vision's
// noise is millimetres to centimetres, the lean's error a few centimetres
// more at a distance; a sighting past this is not of the landmark it names
// (or the head moved under it) and is dropped.
constexpr double kAllowance = 0.15;
constexpr double kAllowancePerMetre = 0.03;
// The spread of a seen point in the fit: the noise grows with the distance.
constexpr double kSpread = 0.01;
constexpr double kSpreadPerMetre = 0.005;
// How well the gyro's heading is trusted against the landmarks' (radians).
constexpr double kCarriedSpread = 2.0 * kDegToRad;
// A carried heading this far from what the landmarks say has lost its way
// (a fall, the referee's hand) and takes no part.
constexpr double kCarriedGate = 10.0 * kDegToRad;
// A lone landmark confirming a jump must agree with the first within this
// and come soon after it.
constexpr double kJumpAgreement = 0.3;
constexpr double kJumpWindow = 0.5;
// A lone landmark that disagrees with both of a pair that does not fit
// together must still lie this close to the belief to be taken.
constexpr double kPairFallbackReach = 0.5;
// Messages farther apart than this missed the turning in between.
constexpr double kLongestGap = 0.1;
// The accelerometer nudges the lean by this fraction per message.
constexpr double kLeanGain = 0.02;
// Quiet accelerometer readings this far (degrees) from the attitude's up,
// this many messages in a row, and the lean is taken from them outright.
constexpr double kLeanLost = 10.0;
constexpr int kLeanLostMessages = 3;
// Where the camera can be: a standing robot's is about half a metre up.
constexpr double kLowestCamera = -0.15;
constexpr double kHighestCamera = 0.8;
// How far off the field a fix may put the robot.
constexpr double kOffField = 1.5;
// Whether the vision shows the scene as it was one step before the gyro's
// reading of the same message, so that the sightings must be levelled with
// the attitude of the message before. The real server's vision reads body
// positions refreshed one step late (a teleport shows a cycle late);
// fieldsim's vision is of the current step, and there leveling with the
// current attitude measured no worse. Kept switchable until it can be
// checked against a recording of the real server's vision while turning.
constexpr bool kVisionLags = false;
// The camera of a standing robot, the height taken after a beam.
constexpr double kStandingCameraHeight = 0.5;

double wrapPi(double a) {
    if (!std::isfinite(a)) return a;
    a = std::fmod(a + kPi, 2.0 * kPi);
    if (a < 0.0) a += 2.0 * kPi;
    return a - kPi;
}

double wrapDeg(double a) {
    if (!std::isfinite(a)) return a;
    a = std::fmod(a + 180.0, 360.0);
    if (a < 0.0) a += 360.0;
    return a - 180.0;
}

// A body-frame sighting as a torso-frame vector (x right, y forward, z up).
void torsoVector(double distance, double azimuthDeg, double elevationDeg, double (&v)[3]) {
    const double az = azimuthDeg * kDegToRad;
    const double el = elevationDeg * kDegToRad;
    v[0] = -distance * std::sin(az) * std::cos(el);
    v[1] = distance * std::cos(az) * std::cos(el);
    v[2] = distance * std::sin(el);
}

bool isFinite(double v) { return std::isfinite(v); }

}  // namespace

SelfLocaliser::SelfLocaliser() : lastCarry(std::nan("")), beamTime(-HUGE_VAL) {}

void SelfLocaliser::reset() {
    const bool side = right;
    Point table[kLandmarkCount];
    std::copy(landmarks, landmarks + kLandmarkCount, table);
    *this = SelfLocaliser();
    right = side;
    std::copy(table, table + kLandmarkCount, landmarks);
}

void SelfLocaliser::setLandmark(int slot, const Point& pos) {
    if (slot < 0 || slot >= kLandmarkCount) return;
    landmarks[slot] = pos;
}

void SelfLocaliser::setRightSide(bool r) {
    right = r;
    refreshYaw();
}

void SelfLocaliser::carry(double time, const Point& gyroRate, const Point* acc) {
    carryAttitude(time, gyroRate, acc);
    refreshYaw();
}

void SelfLocaliser::carryAttitude(double time, const Point& gyroRate, const Point* acc) {
    const double gap = time - lastCarry;
    lastCarry = time;
    seenBy = torso;
    if (gap > 0.0 && gap <= kLongestGap) torso.integrate(gyroRate, gap);
    if (acc == nullptr) return;
    // The attitude can lose the vertical where the gyro never saw the
    // torso turn: the server's beam (or the referee) sets a lying robot
    // down upright. Quiet readings that keep disagreeing by far set the
    // lean outright; small disagreements are nudged away.
    const double error = torso.leanError(*acc);
    if (leveled && std::isfinite(error) && error > kLeanLost) {
        ++leanLostCount;
    } else if (std::isfinite(error)) {
        leanLostCount = 0;
    }
    if (leveled && leanLostCount < kLeanLostMessages) {
        torso.correctLean(*acc, kLeanGain);
        return;
    }
    // The new lean turns the torso's axes about the vertical too; the
    // heading offset makes up for that, judged by whichever axis lies most
    // level in both (the forward axis of a robot on its feet, the head's
    // direction for one lying on its face or back).
    const TorsoAttitude before = torso;
    if (!torso.levelFrom(*acc)) return;
    leveled = true;
    leanLostCount = 0;
    static const double kAxes[3][3] = {{0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}, {1.0, 0.0, 0.0}};
    double best = 0.0, turn = 0.0;
    for (const auto& axis : kAxes) {
        double h0 = 0.0, h1 = 0.0;
        const double f0 = before.axisFacing(axis, h0);
        const double f1 = torso.axisFacing(axis, h1);
        if (std::min(h0, h1) > best && isFinite(f0) && isFinite(f1)) {
            best = std::min(h0, h1);
            turn = f0 - f1;
        }
    }
    psi = wrapPi(psi + turn * kDegToRad);
}

bool SelfLocaliser::onField(double x, double y) const {
    // The landmarks mark the field's corners; a robot is never farther off
    // it than the referee sets one down.
    double halfLength = 0.0, halfWidth = 0.0;
    for (const Point& L : landmarks) {
        halfLength = std::max(halfLength, std::fabs(L.getX()));
        halfWidth = std::max(halfWidth, std::fabs(L.getY()));
    }
    return isFinite(x) && isFinite(y) && std::fabs(x) <= halfLength + kOffField &&
           std::fabs(y) <= halfWidth + kOffField;
}

void SelfLocaliser::placeBy(const Seen& s, double offset, double& px, double& py) const {
    const double c = std::cos(offset), n = std::sin(offset);
    px = s.landmarkX - (c * s.ux - n * s.uy);
    py = s.landmarkY - (n * s.ux + c * s.uy);
}

void SelfLocaliser::fit(const Seen* s, int n, bool usePrior, double& offset, double& px, double& py,
                        double& worstExcess, int& worst) const {
    // Weighted centroids of the known points and of the seen offsets.
    double W = 0.0, lx = 0.0, ly = 0.0, ux = 0.0, uy = 0.0;
    double w[kMaxSightings];
    for (int i = 0; i < n; ++i) {
        const double spread = kSpread + kSpreadPerMetre * s[i].distance;
        w[i] = 1.0 / (spread * spread);
        W += w[i];
        lx += w[i] * s[i].landmarkX;
        ly += w[i] * s[i].landmarkY;
        ux += w[i] * s[i].ux;
        uy += w[i] * s[i].uy;
    }
    lx /= W;
    ly /= W;
    ux /= W;
    uy /= W;
    // The turn that lays the seen offsets best onto the known points, in
    // closed form: the weighted squared misfit is C - 2 (A cos + B sin).
    double A = 0.0, B = 0.0;
    for (int i = 0; i < n; ++i) {
        const double Lx = s[i].landmarkX - lx, Ly = s[i].landmarkY - ly;
        const double Ux = s[i].ux - ux, Uy = s[i].uy - uy;
        A += w[i] * (Lx * Ux + Ly * Uy);
        B += w[i] * (Ux * Ly - Uy * Lx);
    }
    const double K = std::hypot(A, B);
    const double seen = std::atan2(B, A);
    offset = seen;
    if (usePrior && K > 0.0) {
        // Near its best the misfit grows as K (offset - seen)^2, so the
        // landmarks fix the heading to within 1/sqrt(K); two posts of the
        // far goal fix it poorly, and the gyro's heading then counts more.
        const double prior = seen + wrapPi(psi - seen);
        const double priorWeight = 1.0 / (kCarriedSpread * kCarriedSpread);
        const double gate = std::max(kCarriedGate, 4.0 * std::sqrt(1.0 / K + 1.0 / priorWeight));
        if (std::fabs(prior - seen) <= gate) {
            offset = (K * seen + priorWeight * prior) / (K + priorWeight);
        }
    } else if (usePrior) {
        offset = psi;
    }
    offset = wrapPi(offset);
    const double c = std::cos(offset), sn = std::sin(offset);
    px = lx - (c * ux - sn * uy);
    py = ly - (sn * ux + c * uy);
    worstExcess = -HUGE_VAL;
    worst = 0;
    for (int i = 0; i < n; ++i) {
        const double ex = px + c * s[i].ux - sn * s[i].uy - s[i].landmarkX;
        const double ey = py + sn * s[i].ux + c * s[i].uy - s[i].landmarkY;
        const double excess =
            std::hypot(ex, ey) - (kAllowance + kAllowancePerMetre * s[i].distance);
        if (excess > worstExcess) {
            worstExcess = excess;
            worst = i;
        }
    }
}

SelfLocaliser::FixKind SelfLocaliser::see(double time, const Sighting* sightings, int count) {
    const FixKind kind = fix(time, sightings, count);
    refreshYaw();
    return kind;
}

SelfLocaliser::FixKind SelfLocaliser::fix(double time, const Sighting* sightings, int count) {
    const FixKind kind = fixWith(time, sightings, count);
    if (kind != FIX_REJECTED || !leanImplausible) return kind;
    // Several landmarks that all put the camera far above a standing robot
    // or under the ground: the lean carried by the gyro has gone wrong (a
    // jolt the gyro or the accelerometer misread, a robot the server or the
    // referee set down upright). An upright robot is nearly level: try that.
    const TorsoAttitude carried = torso;
    if (!torso.levelKeepingFacing()) return kind;
    const FixKind again = fixWith(time, sightings, count);
    if (again == FIX_REJECTED && leanImplausible) torso = carried;
    return again;
}

SelfLocaliser::FixKind SelfLocaliser::fixWith(double time, const Sighting* sightings, int count) {
    lastUsed = 0;
    lastRejected = 0;
    leanImplausible = false;
    // Right after our own beam the vision still shows where we were.
    if (time < beamTime + kBeamBlind) return FIX_HELD;
    if (sightings == nullptr || count <= 0) return FIX_NONE;

    Seen s[kMaxSightings];
    double heights[kMaxSightings];
    int n = 0;
    for (int i = 0; i < count && n < kMaxSightings; ++i) {
        const Sighting& g = sightings[i];
        if (g.slot < 0 || g.slot >= kLandmarkCount) continue;
        const double az = g.azimuth + g.pan;
        const double el = g.elevation + g.tilt;
        if (!isFinite(g.distance) || !isFinite(az) || !isFinite(el) || !(g.distance > 0.0) ||
            g.distance > 100.0) {
            continue;
        }
        double v[3];
        torsoVector(g.distance, az, el, v);
        double r[3];
        (kVisionLags ? seenBy : torso).toReference(v, r);
        const Point& L = landmarks[g.slot];
        Seen& e = s[n];
        e.slot = g.slot;
        e.distance = g.distance;
        e.landmarkX = L.getX();
        e.landmarkY = L.getY();
        e.landmarkZ = L.getZ();
        e.bearing = std::atan2(r[1], r[0]);
        e.cameraZ = L.getZ() - r[2];
        e.ux = std::hypot(r[0], r[1]);  // the horizontal reach, for now
        e.uy = 0.0;
        heights[n] = e.cameraZ;
        ++n;
    }
    if (n == 0) return FIX_NONE;

    // The camera's height: the middle of what the sightings say. The
    // horizontal reach then follows from the distance and the height
    // difference, which the torso's lean hardly disturbs (the elevation
    // alone would: a lean of two degrees is 2 cm at 5 m).
    std::sort(heights, heights + n);
    double cameraZ = n % 2 == 1 ? heights[n / 2] : 0.5 * (heights[n / 2 - 1] + heights[n / 2]);
    // A camera far above a standing robot's or below the ground means the
    // lean is wrong (it is found again from the accelerometer once the
    // robot is quiet); nothing seen through it can be placed.
    if (!(cameraZ > kLowestCamera && cameraZ < kHighestCamera)) {
        lastRejected = n;
        leanImplausible = n >= 2;
        return FIX_REJECTED;
    }
    cameraZ = std::clamp(cameraZ, 0.0, kHighestCamera);
    for (int i = 0; i < n; ++i) {
        Seen& e = s[i];
        const double dz = e.landmarkZ - cameraZ;
        const double reach =
            e.distance > std::fabs(dz) ? std::sqrt(e.distance * e.distance - dz * dz) : e.ux;
        e.ux = reach * std::cos(e.bearing);
        e.uy = reach * std::sin(e.bearing);
    }

    if (n >= 2) {
        int active = n;
        for (;;) {
            double offset = 0.0, px = 0.0, py = 0.0, excess = 0.0;
            int worst = 0;
            fit(s, active, psiKnown, offset, px, py, excess, worst);
            if (!(excess > 0.0) && onField(px, py) && isFinite(offset)) {
                accept(px, py, offset, cameraZ);
                lastUsed = active;
                return FIX_SEVERAL;
            }
            if (active > 2) {
                // Drop the worst and fit the rest again.
                s[worst] = s[active - 1];
                --active;
                ++lastRejected;
                continue;
            }
            // Two that do not fit together: one of them is wrong, and only
            // the belief can tell which.
            if (!poseKnown || !psiKnown) {
                lastRejected += 2;
                return FIX_REJECTED;
            }
            int best = -1;
            double bestDistance = HUGE_VAL, bx = 0.0, by = 0.0;
            for (int i = 0; i < 2; ++i) {
                double x = 0.0, y = 0.0;
                placeBy(s[i], psi, x, y);
                const double d = std::hypot(x - camX, y - camY);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                    bx = x;
                    by = y;
                }
            }
            if (best < 0 || !(bestDistance < kPairFallbackReach)) {
                lastRejected += 2;
                return FIX_REJECTED;
            }
            accept(bx, by, psi, cameraZ);
            lastUsed = 1;
            ++lastRejected;
            return FIX_ONE;
        }
    }

    // One landmark: the position by the carried heading.
    if (!psiKnown) return FIX_NONE;
    double px = 0.0, py = 0.0;
    placeBy(s[0], psi, px, py);
    if (!onField(px, py)) {
        lastRejected = 1;
        return FIX_REJECTED;
    }
    if (poseKnown && std::hypot(px - camX, py - camY) > kJumpDistance) {
        const bool confirms = jumpPending && time - jumpTime <= kJumpWindow &&
                              std::hypot(px - jumpX, py - jumpY) < kJumpAgreement;
        if (!confirms) {
            jumpPending = true;
            jumpX = px;
            jumpY = py;
            jumpTime = time;
            lastRejected = 1;
            return FIX_REJECTED;
        }
    }
    accept(px, py, psi, cameraZ);
    lastUsed = 1;
    return FIX_ONE;
}

void SelfLocaliser::accept(double px, double py, double offset, double cameraZ) {
    camX = px;
    camY = py;
    camZ = cameraZ;
    psi = offset;
    psiKnown = true;
    poseKnown = true;
    jumpPending = false;
}

void SelfLocaliser::beamed(double time, double x, double y, double rotDeg) {
    if (!isFinite(x) || !isFinite(y) || !isFinite(rotDeg) || !isFinite(time)) return;
    const double s = right ? -1.0 : 1.0;
    // The server sets the robot down upright, facing the beam's heading
    // (turned half a circle for a team on the right).
    torso.reset();
    seenBy.reset();
    leveled = true;
    leanLostCount = 0;
    camX = s * x;
    camY = s * y;
    camZ = kStandingCameraHeight;
    const double worldHeading = rotDeg + (right ? 180.0 : 0.0);
    psi = wrapPi((worldHeading - torso.facing()) * kDegToRad);
    psiKnown = true;
    poseKnown = true;
    jumpPending = false;
    beamTime = time;
    refreshYaw();
}

void SelfLocaliser::torsoFromCamera(double& dx, double& dy) const {
    const double down[3] = {0.0, 0.0, -kCameraAboveTorso};
    double r[3];
    torso.toReference(down, r);
    const double c = std::cos(psi), s = std::sin(psi);
    dx = c * r[0] - s * r[1];
    dy = s * r[0] + c * r[1];
}

Point SelfLocaliser::position() const {
    double dx = 0.0, dy = 0.0;
    torsoFromCamera(dx, dy);
    const double s = right ? -1.0 : 1.0;
    return Point(s * (camX + dx), s * (camY + dy), camZ);
}

void SelfLocaliser::refreshYaw() {
    const double facing = torso.facing();
    // Lying with its forward axis straight up or down the torso faces
    // nowhere; the heading it had is the best answer until it rises.
    if (!isFinite(facing)) return;
    const double worldHeading = psi / kDegToRad + facing;
    currentYaw = wrapDeg(-(worldHeading + (right ? 180.0 : 0.0)));
}

double SelfLocaliser::roll() const { return wrapDeg(180.0 - torso.sideElevation()); }

double SelfLocaliser::pitch() const { return -torso.forwardElevation(); }

Point SelfLocaliser::fieldPointOf(double distance, double azimuth, double elevation,
                                  double groundHeight) const {
    double v[3];
    torsoVector(distance, azimuth, elevation, v);
    double r[3];
    (kVisionLags ? seenBy : torso).toReference(v, r);
    const double seenZ = camZ + r[2];
    const double dz = groundHeight - camZ;
    double reach = std::hypot(r[0], r[1]);
    double z = seenZ;
    // Low enough to lie on the ground: its height is known, and the reach
    // follows from it better than from the lean.
    if (seenZ < groundHeight + 0.25 && distance > std::fabs(dz)) {
        reach = std::sqrt(distance * distance - dz * dz);
        z = groundHeight;
    }
    const double b = std::atan2(r[1], r[0]) + psi;
    const double s = right ? -1.0 : 1.0;
    return Point(s * (camX + reach * std::cos(b)), s * (camY + reach * std::sin(b)), z);
}
