#include "robot/physics/Surfaces.h"

namespace {

// One collider's declared surface; a value below zero means "not declared".
struct Declared {
    double softErp;
    double softCfm;
    double bounce;
    double bounceVel;
    double slip;
};

constexpr double kNone = -1.0;

Declared declared(ColliderKind kind) {
    switch (kind) {
        case ColliderKind::RobotPart: return {0.6, 1e-4, kNone, kNone, 0.005};
        case ColliderKind::Ball: return {0.5, 0.05, 0.8, 0.8, 0.6};
        // The ground's own slip setting is rejected by the real server, which
        // leaves ODE's 0.005 in place, and its soft CFM is never switched on.
        case ColliderKind::Ground: return {0.2, kNone, kNone, kNone, 0.005};
        // Walls and goal panels keep the engine's default surface: bounce only.
        case ColliderKind::Static: return {kNone, kNone, 0.8, 2.0, kNone};
    }
    return {kNone, kNone, kNone, kNone, kNone};
}

// Both declared: the mean; one: that one; neither: not declared.
double combine(double a, double b) {
    if (a >= 0.0 && b >= 0.0) return 0.5 * (a + b);
    if (a >= 0.0) return a;
    return b;
}

}  // namespace

dSurfaceParameters Surfaces::pair(ColliderKind a, ColliderKind b) {
    const Declared da = declared(a), db = declared(b);
    dSurfaceParameters s{};
    s.mu = dInfinity;
    const double erp = combine(da.softErp, db.softErp);
    const double cfm = combine(da.softCfm, db.softCfm);
    const double bounce = combine(da.bounce, db.bounce);
    const double bounceVel = combine(da.bounceVel, db.bounceVel);
    const double slip = combine(da.slip, db.slip);
    if (erp >= 0.0) {
        s.mode |= dContactSoftERP;
        s.soft_erp = erp;
    }
    if (cfm >= 0.0) {
        s.mode |= dContactSoftCFM;
        s.soft_cfm = cfm;
    }
    if (bounce >= 0.0) {
        s.mode |= dContactBounce;
        s.bounce = bounce;
        s.bounce_vel = bounceVel;
    }
    if (slip >= 0.0) {
        s.mode |= dContactSlip1 | dContactSlip2;
        s.slip1 = slip;
        s.slip2 = slip;
    }
    return s;
}
