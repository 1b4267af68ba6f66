#include "skills/ApproachPlan.h"

#include <algorithm>
#include <cmath>
#include <utility>


namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = 180.0 / kPi;

// The field and the goal the kick aims at (team frame).
constexpr double kGoalX = 6.0;
constexpr double kGoalHalfWidth = 0.7;
constexpr double kFieldHalfWidth = 4.0;
// The kick's own scatter: the ball leaves up to a few degrees off the
// heading, and a post hit is no goal. A shot must pass this far inside.
constexpr double kPostMargin = 0.2;
// Aiming inside the near post by this much keeps a ball off the middle's
// line from a wide angle, where the goal mouth looks narrow.
constexpr double kAimInside = 0.35;
// How far a kick takes the ball, roughly: a shot from farther than this
// is a pass toward the goal, judged by its direction only.
constexpr double kShotRange = 4.5;
constexpr double kKickLength = 3.0;

// The kick's window, from the torso centre in the body frame.
constexpr double kWindowNear = 0.16;
constexpr double kWindowFar = 0.25;
constexpr double kWindowSide = 0.085;

// Going round the ball: keep this far from it, and pass it on the side the
// robot is on.
constexpr double kClearance = 0.4;
// Mild steering asks at most this much (the walk turns sharply above 15).
constexpr double kMildTurn = 14.0;
// A turn asked above 15 degrees turns at a crawl; any such value turns the
// same, this one is plainly sharp.
constexpr double kSharpTurn = 40.0;
// Targets farther off the heading than this are turned to at a crawl
// before walking on (until they lie within 8 degrees).
constexpr double kTurnFirst = 25.0;
constexpr double kTurnFirstSlow = 12.0;
// The staging point lies at most this much farther back from afar (m).
constexpr double kFarStaging = 0.6;
// The slowest walk that still moves the robot on.
constexpr double kCreep = 0.15;
// A player walking to a spot: there within kArrive (m), gone again beyond
// kArriveLeave; the ball kSupportClearance (m) off its way at least; it faces
// the ball within kFaceBall (degrees).
constexpr double kArrive = 0.3;
constexpr double kArriveLeave = 0.6;
constexpr double kSupportClearance = 0.6;
constexpr double kFaceBall = 25.0;
// Turning at a crawl, the walk keeps its slowest pace.
constexpr double kCrawl = 0.1;
// Turned onto the kick line this closely (degrees), the walk up begins.
constexpr double kAligned = 6.0;
// Standing at the ball this long (s) with the kick off target, it kicks
// anyway if the goal lies roughly ahead.
constexpr double kLongestLineUp = 1.0;
// In the walk up, a course this far off (degrees) is mended by a sharp turn
// while the ball is still more than kSharpUntil (m) beyond the kick's spot.
constexpr double kWalkUpSharp = 8.0;
constexpr double kSharpUntil = 0.25;
// A robot backing off from the ball goes until it lies this far beyond the
// kick's spot (m).
constexpr double kBackOffRoom = 0.15;

double norm180(double a) {
    if (!std::isfinite(a)) return 0.0;
    a = std::fmod(a, 360.0);
    if (a > 180.0) a -= 360.0;
    if (a <= -180.0) a += 360.0;
    return a;
}

double finiteOr0(double v, double fallback = 0.0) { return std::isfinite(v) ? v : fallback; }

}  // namespace

const std::vector<SkillParams::Param>& ApproachPlan::paramList() {
    // The first eight are the older approach's, with the values it was
    // first written with (0.7 m behind the ball, facing it within 15
    // degrees, no check that the goal lies beyond the ball, the ball
    // straight ahead of the torso). The plan's own design values come from
    // the kick's window and the walk's figures: the ball 0.20 m before the
    // torso and 0.055 m to the side (the middle of the window), 0.28 m to
    // stop from full speed (0.9 s of braking), the walk up at half speed.
    static const std::vector<SkillParams::Param> list = {
        {"behindDist", 0.7},   {"fitRange", 0.1},    {"fitLeave", 1.0},  {"faceTol", 15.0},
        {"lineTol", 180.0},    {"stopDist", 0.20},   {"footSide", 0.0},  {"ownerRange", 0.8},
        {"nearPoint", 0.15},   {"walkTol", 20.0},    {"lane", 0.08},     {"farTol", 20.0},
        {"standAhead", 0.20},  {"brake", 0.6},       {"walkUpSpeed", 0.45}, {"fullSpeed", 0.9},
    };
    return list;
}

std::vector<double> ApproachPlan::loadValues() {
    std::vector<double> values = SkillParams::getUniqueInstance()->values(kSkill, paramList());
    // A value that is no number keeps the design value.
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values[i])) values[i] = paramList()[i].designValue;
    }
    return values;
}

ApproachPlan::ApproachPlan(std::vector<double> values) : v(std::move(values)) {
    if (v.size() != paramList().size()) {
        v.clear();
        for (const SkillParams::Param& p : paramList()) v.push_back(p.designValue);
    }
}

ApproachPlan::ApproachPlan() : ApproachPlan(std::vector<double>()) {}

ApproachPlan::Step ApproachPlan::goTo(const Situation& s, double tx, double ty) {
    Step step;
    const bool sane = std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.facing) && std::isfinite(tx) &&
                      std::isfinite(ty);
    if (!sane) {
        reset();
        step.action = STOP;
        step.phase = "hold";
        return step;
    }
    const double walkSpeed = std::fabs(finiteOr0(s.walkSpeed));
    const bool ball = s.ballKnown && std::isfinite(s.ballX) && std::isfinite(s.ballY);
    // Round the ball when the way passes it closely: the ball is the
    // attacker's, and a touch on the way would only spoil its kick.
    double wx = tx, wy = ty;
    step.phase = "to spot";
    if (ball) {
        const double px = tx - s.x, py = ty - s.y;
        const double l2 = px * px + py * py;
        const double bx = s.ballX - s.x, by = s.ballY - s.y;
        const double t = std::clamp(l2 > 1e-9 ? (bx * px + by * py) / l2 : 0.0, 0.0, 1.0);
        const double cx = s.x + t * px - s.ballX, cy = s.y + t * py - s.ballY;
        const double closest = std::hypot(cx, cy);
        if (closest < kSupportClearance && t > 0.0 && t < 1.0) {
            const double l = std::max(closest, 1e-6);
            // Out sideways from the ball, on the side the way passes it.
            const double ox = closest > 1e-3 ? cx / l : -py / std::sqrt(std::max(l2, 1e-9));
            const double oy = closest > 1e-3 ? cy / l : px / std::sqrt(std::max(l2, 1e-9));
            wx = s.ballX + ox * kSupportClearance * 1.3;
            wy = s.ballY + oy * kSupportClearance * 1.3;
            step.phase = "round ball";
        }
    }
    const double dist = std::hypot(tx - s.x, ty - s.y);
    if (dist > kArriveLeave) arrived = false;
    if (dist < kArrive) arrived = true;
    if (arrived) {
        // There: face the ball (at a crawl while far off it), then stand.
        turningFirst = false;
        const double bearing = ball ? norm180(std::atan2(s.ballY - s.y, s.ballX - s.x) * kDeg - s.facing) : 0.0;
        if (std::fabs(bearing) > kFaceBall) {
            step.action = WALK;
            step.speed = kCrawl;
            step.degree = bearing > 0 ? -kSharpTurn : kSharpTurn;
            step.phase = "face ball";
            return step;
        }
        step.action = STOP;
        step.phase = "wait";
        return step;
    }
    const double bearing = norm180(std::atan2(wy - s.y, wx - s.x) * kDeg - s.facing);
    if (std::fabs(bearing) > (walkSpeed > 0.3 ? kTurnFirst : kTurnFirstSlow)) turningFirst = true;
    if (std::fabs(bearing) < 8.0) turningFirst = false;
    step.action = WALK;
    if (turningFirst) {
        step.speed = kCrawl;
        step.degree = bearing > 0 ? -kSharpTurn : kSharpTurn;
    } else {
        step.degree = std::clamp(-bearing, -kMildTurn, kMildTurn);
        step.speed = value(P_FULL_SPEED) * std::clamp(dist / 0.8, 0.35, 1.0);
    }
    return step;
}

void ApproachPlan::reset() {
    arrived = false;
    offTargetSince = -1.0;
    backingOff = false;
    stage = TO_POINT;
    turningFirst = false;
    foot = 0;
}

void ApproachPlan::aimPoint(double, double by, double& ax, double& ay) {
    ax = kGoalX;
    ay = std::clamp(finiteOr0(by), -kAimInside, kAimInside);
}

bool ApproachPlan::bodyPointOf(double distance, double azimuth, double elevation, double pan, double tilt,
                               double& x, double& y) {
    const double a = azimuth / kDeg, e = elevation / kDeg, p = pan / kDeg, t = tilt / kDeg;
    // In the head's frame, then the tilt undone (about the head's y axis),
    // then the pan (about the body's up axis).
    const double hx = distance * std::cos(e) * std::cos(a);
    const double hy = distance * std::cos(e) * std::sin(a);
    const double hz = distance * std::sin(e);
    const double forward = hx * std::cos(t) - hz * std::sin(t);
    const double bx = forward * std::cos(p) - hy * std::sin(p);
    const double by = forward * std::sin(p) + hy * std::cos(p);
    if (!std::isfinite(bx) || !std::isfinite(by)) return false;
    x = bx;
    y = by;
    return true;
}

bool ApproachPlan::inKickWindow(double ahead, double side) {
    return ahead >= kWindowNear && ahead <= kWindowFar && std::fabs(side) <= kWindowSide;
}

bool ApproachPlan::shotOnTarget(double bx, double by, double heading) const {
    const double h = heading / kDeg;
    const double cx = std::cos(h), cy = std::sin(h);
    if (!std::isfinite(cx) || !std::isfinite(cy)) return false;
    double ax = 0.0, ay = 0.0;
    aimPoint(bx, by, ax, ay);
    const double range = std::hypot(ax - bx, ay - by);
    // Near the goal: the ball's line must cross the goal line inside the
    // posts.
    if (cx > 0.05) {
        const double yAtGoal = by + cy / cx * (kGoalX - bx);
        if (std::fabs(yAtGoal) <= kGoalHalfWidth - kPostMargin) return true;
    }
    if (range <= kShotRange) return false;
    // Farther out: toward the aim within the tolerance, and the ball stays
    // on the field.
    const double off = norm180(heading - std::atan2(ay - by, ax - bx) * kDeg);
    const double endY = by + kKickLength * cy;
    return std::fabs(off) <= value(P_FAR_TOL) && std::fabs(endY) < kFieldHalfWidth - 0.3;
}

bool ApproachPlan::shotOnTargetSeen(double bx, double by, double p1x, double p1y, double p2x, double p2y) const {
    // Where the ball's way straight ahead (y = by) crosses the line through
    // the posts, as a share of the way from post 2 to post 1.
    const double gy = p1y - p2y;
    if (!(std::fabs(gy) > 1e-6)) return false;
    const double w = (by - p2y) / gy;
    const double crossX = p2x + w * (p1x - p2x);
    if (!(crossX > bx)) return false;
    const double width = std::hypot(p1x - p2x, gy);
    const double margin = kPostMargin / std::max(width, 1e-6);
    if (!(w >= margin && w <= 1.0 - margin)) {
        // Wide of the posts: still worth it from far out, roughly toward the
        // goal.
        const double range = std::hypot((p1x + p2x) / 2 - bx, (p1y + p2y) / 2 - by);
        if (range <= kShotRange) return false;
        const double off = std::atan2((p1y + p2y) / 2 - by, (p1x + p2x) / 2 - bx) * kDeg;
        return std::fabs(off) <= value(P_FAR_TOL);
    }
    return true;
}

ApproachPlan::Step ApproachPlan::next(const Situation& s) {
    Step step;
    const bool sane = std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.facing) &&
                      std::isfinite(s.ballX) && std::isfinite(s.ballY);
    if (!s.ballKnown || !sane) {
        reset();
        step.action = SEARCH;
        step.phase = "search";
        return step;
    }
    const double walkSpeed = std::fabs(finiteOr0(s.walkSpeed));

    // The ball in the body frame.
    const double f = s.facing / kDeg;
    const double dx = s.ballX - s.x, dy = s.ballY - s.y;
    const double ahead = dx * std::cos(f) + dy * std::sin(f);
    const double side = -dx * std::sin(f) + dy * std::cos(f);

    // The kick line: from the ball toward the aim; from the posts as seen
    // when they were, else from where the robot believes it stands.
    double ux = 1.0, uy = 0.0;
    bool onTarget = false;
    const bool posts = s.postsSeen && std::isfinite(s.post1X) && std::isfinite(s.post1Y) &&
                       std::isfinite(s.post2X) && std::isfinite(s.post2Y) &&
                       std::hypot(s.post1X - s.post2X, s.post1Y - s.post2Y) > 0.5;
    if (posts) {
        const double mx = (s.post1X + s.post2X) / 2, my = (s.post1Y + s.post2Y) / 2;
        const double width = std::hypot(s.post1X - s.post2X, s.post1Y - s.post2Y);
        const double gx = (s.post1X - s.post2X) / width, gy = (s.post1Y - s.post2Y) / width;
        const double t = std::clamp((ahead - mx) * gx + (side - my) * gy, -kAimInside, kAimInside);
        const double bx = mx + t * gx - ahead, by = my + t * gy - side;
        const double l = std::hypot(bx, by);
        if (l > 1e-6) {
            // Turned from the body frame into the field frame.
            ux = (bx * std::cos(f) - by * std::sin(f)) / l;
            uy = (bx * std::sin(f) + by * std::cos(f)) / l;
        }
        onTarget = shotOnTargetSeen(ahead, side, s.post1X, s.post1Y, s.post2X, s.post2Y);
    } else {
        double ax = 0.0, ay = 0.0;
        aimPoint(s.ballX, s.ballY, ax, ay);
        const double l = std::hypot(ax - s.ballX, ay - s.ballY);
        if (l > 1e-6) {
            ux = (ax - s.ballX) / l;
            uy = (ay - s.ballY) / l;
        }
        onTarget = shotOnTarget(s.ballX, s.ballY, s.facing);
    }
    const double lineHeading = std::atan2(uy, ux) * kDeg;

    // The robot relative to the kick line.
    const double along = -(dx * ux + dy * uy);  // negative: behind the ball
    const double lateral = -(-dx * uy + dy * ux);
    const double headingOff = norm180(lineHeading - s.facing);

    // Standing with the ball in the window and the kick on target: kick. A
    // robot that has stood there a while with the kick a little off kicks
    // anyway when the goal lies roughly ahead: lining up again from the
    // start costs more than the shot loses.
    const bool ready = s.standing && inKickWindow(ahead, side);
    if (ready && !onTarget) {
        if (offTargetSince < 0) offTargetSince = s.time;
    } else {
        offTargetSince = -1.0;
    }
    const bool waitedLong = offTargetSince >= 0 && s.time - offTargetSince >= kLongestLineUp &&
                            std::fabs(headingOff) <= value(P_FAR_TOL);
    if (ready && (onTarget || waitedLong)) {
        step.action = KICK;
        step.phase = onTarget ? "kick" : "kick anyway";
        stage = TO_POINT;
        offTargetSince = -1.0;
        return step;
    }

    const double behind = value(P_BEHIND_DIST);
    const double standAhead = value(P_STAND_AHEAD);
    // Behind the ball in its lane (wider farther back) and facing along the
    // line: the walk up can begin; once begun it holds through more.
    auto inLane = [&](double slack) {
        const double lane = value(P_LANE) + 0.15 * std::max(0.0, -along - standAhead);
        return along < -0.1 / slack && std::fabs(lateral) <= lane * slack &&
               std::fabs(headingOff) <= value(P_WALK_TOL) * slack && -along <= behind + 0.3 * slack;
    };
    // From afar the staging point lies farther back on the line, and comes
    // nearer the ball as the robot does: the robot joins the line early,
    // at a slant it can take by steering, instead of turning at the end.
    const double ballDist = std::hypot(dx, dy);
    const double stage0 = behind + std::clamp(0.4 * (ballDist - behind - 0.5), 0.0, kFarStaging);
    const double sx = s.ballX - stage0 * ux, sy = s.ballY - stage0 * uy;
    const double toPoint = std::hypot(sx - s.x, sy - s.y);

    switch (stage) {
        case WALK_UP:
            if (!inLane(1.5)) stage = TO_POINT;
            break;
        case ONTO_LINE:
            if (toPoint > value(P_NEAR_POINT) + 0.3) stage = TO_POINT;
            else if (std::fabs(headingOff) <= kAligned && inLane(1.5)) stage = WALK_UP;
            break;
        case TO_POINT:
            if (inLane(1.0)) stage = WALK_UP;
            else if (toPoint < value(P_NEAR_POINT)) stage = ONTO_LINE;
            break;
    }

    if (stage == WALK_UP) {
        turningFirst = false;
        // The foot: the one whose line lies nearer, kept unless the other
        // becomes plainly nearer.
        {
            const double fs = value(P_FOOT_SIDE);
            const double leftOff = std::fabs(lateral + fs), rightOff = std::fabs(lateral - fs);
            const int nearer = leftOff <= rightOff ? 1 : -1;
            if (foot == 0 || (nearer != foot && std::fabs(leftOff - rightOff) > 0.04)) foot = nearer;
        }
        const double wantSide = foot * value(P_FOOT_SIDE);
        const double toGo = ahead - standAhead;
        // Steer for a point on the foot's line (the kick line moved to the
        // side by the foot's offset) a little ahead: that mends the heading
        // and the sideways offset together, gently, since the walk answers a
        // turn late and a sharp one brings it to a crawl.
        const double footLat = lateral + wantSide;  // sideways off the foot's line (m)
        const double look = std::max(toGo, 0.25);
        const double bearing = norm180(std::atan2(-footLat, look) * kDeg + headingOff);
        // Still some way off, a plain miss is mended at a crawl: a sharp turn
        // toward the line, the walk on, and back; near the ball only gently,
        // since turning there swings the ball across the feet.
        double degree = std::clamp(-2.0 * bearing, -kMildTurn, kMildTurn);
        if (toGo > kSharpUntil && std::fabs(bearing) > kWalkUpSharp) degree = bearing > 0 ? -kSharpTurn : kSharpTurn;
        // Backing off (too near the ball, beside it, or facing too far off
        // to kick) goes on until there is room to walk up again.
        if (s.standing && (toGo < -0.04 || (toGo < 0.08 && std::fabs(side) > kWindowSide) ||
                           (inKickWindow(ahead, side) && std::fabs(headingOff) > value(P_WALK_TOL) / 2))) {
            backingOff = true;
        }
        if (backingOff && toGo > kBackOffRoom) backingOff = false;
        if (backingOff) {
            step.action = WALK;
            step.speed = -0.3;
            step.degree = 0.0;
            step.phase = "back";
            return step;
        }
        // The speed from which the walk's braking ends at the spot, and the
        // stop once the spot is that near. The sighting and the command each
        // lag a few cycles: a margin for them.
        const double brake = std::max(value(P_BRAKE), 1e-3);
        const double lag = 0.02 + 0.05 * walkSpeed;
        if (toGo <= brake * walkSpeed * walkSpeed + lag) {
            if (s.standing) {
                // Stopped short of the window: a small step on.
                step.action = WALK;
                step.speed = kCreep;
                step.degree = degree;
                step.phase = "shuffle";
                return step;
            }
            step.action = STOP;
            step.phase = "stop";
            return step;
        }
        step.action = WALK;
        step.speed = std::clamp(std::sqrt(std::max(toGo - lag, 0.0) / brake), kCreep, value(P_WALK_UP_SPEED));
        step.degree = degree;
        step.phase = "walk up";
        return step;
    }
    foot = 0;
    backingOff = false;

    if (stage == ONTO_LINE) {
        // At the staging point: turn onto the kick line, at a crawl while far
        // off it, then mildly. (Turning on the spot is no quicker: the turn
        // and the standing posture before and after it cost more than the
        // crawl's slower turning.)
        turningFirst = false;
        step.action = WALK;
        step.speed = kCrawl;
        step.degree = std::fabs(headingOff) > kAligned ? (headingOff > 0 ? -kSharpTurn : kSharpTurn)
                                                       : std::clamp(-headingOff, -kMildTurn, kMildTurn);
        step.phase = "onto line";
        return step;
    }

    // To the staging point behind the ball, round the ball if it lies in
    // the way.
    double tx = sx, ty = sy;
    step.phase = "to point";
    {
        const double wx = tx - s.x, wy = ty - s.y;
        const double wl2 = wx * wx + wy * wy;
        const double t = std::clamp(wl2 > 1e-9 ? (dx * wx + dy * wy) / wl2 : 0.0, 0.0, 1.0);
        const double closest = std::hypot(s.x + t * wx - s.ballX, s.y + t * wy - s.ballY);
        if (closest < kClearance && along > -behind * 0.8) {
            // Beside the ball, on the robot's side of the line.
            const double sideSign = lateral >= 0 ? 1.0 : -1.0;
            tx = s.ballX + sideSign * kClearance * 1.2 * (-uy) - 0.15 * ux;
            ty = s.ballY + sideSign * kClearance * 1.2 * ux - 0.15 * uy;
            step.phase = "round ball";
        }
    }
    const double tdx = tx - s.x, tdy = ty - s.y;
    const double dist = std::hypot(tdx, tdy);
    const double bearing = norm180(std::atan2(tdy, tdx) * kDeg - s.facing);
    // Turn at a crawl toward the point while it lies well to the side, until
    // it lies nearly ahead; then walk, steering mildly.
    // A robot that stands or walks slowly turns first for less.
    if (std::fabs(bearing) > (walkSpeed > 0.3 ? kTurnFirst : kTurnFirstSlow)) turningFirst = true;
    if (std::fabs(bearing) < 8.0) turningFirst = false;
    step.action = WALK;
    if (turningFirst) {
        step.speed = kCrawl;
        step.degree = bearing > 0 ? -kSharpTurn : kSharpTurn;
    } else {
        step.degree = std::clamp(-bearing, -kMildTurn, kMildTurn);
        step.speed = value(P_FULL_SPEED) * std::clamp(dist / 0.8, 0.35, 1.0);
    }
    return step;
}
