#include "skills/ApproachPlan.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "geometry/Geometry.h"

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
// The goalie stands in the middle of its goal: a shot aims between it and
// the post on the ball's side, and one that would pass nearer the middle
// than kGoalieClear (m) is no shot.
constexpr double kAimSide = 0.42;
constexpr double kGoalieClear = 0.2;
// A ball nearer our own end line than this (x, m) is cleared toward the
// side (at least kClearWide degrees off straight ahead), and a kick within
// kClearTol degrees of the clearing line goes; the point behind the ball
// stays kLineMargin (m) inside the end line, kClearBehind (m) behind it.
constexpr double kClearX = -4.4;
constexpr double kClearWide = 30.0;
constexpr double kClearTol = 40.0;
constexpr double kFieldHalfLength = 6.0;
constexpr double kLineMargin = 0.2;
constexpr double kClearBehind = 0.5;
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
// A turn larger than this (degrees) is made on the spot by the turn skill,
// which turns five times as fast as the walk's crawl, once the walk is slow;
// it goes on until the target lies within kSpinUntil.
constexpr double kSpinFrom = 45.0;
constexpr double kSpinUntil = 12.0;
constexpr double kSpinWalkSpeed = 0.3;
// Near the ball the crawl turns instead: it keeps the ball in view (the head
// is left alone while the turn steps) and needs no standing posture between
// a turn and the next few steps round the ball.
constexpr double kSpinBallDist = 0.9;
// The slowest walk that still moves the robot on.
constexpr double kCreep = 0.15;
// A player walking to a spot: there within kArrive (m), gone again beyond
// kArriveLeave; the ball kSupportClearance (m) off its way at least; it faces
// the ball within kFaceBall (degrees).
constexpr double kArrive = 0.3;
constexpr double kArriveLeave = 0.6;
constexpr double kSupportClearance = 0.6;
constexpr double kFaceBall = 25.0;
// Robots: one in the way within kAvoidReach (m) ahead and kAvoidWidth (m) to
// either side of the way is passed kPassBeside (m) beside it; one nearer
// than kGiveWay (m) before the body in the walk up to the ball is waited for
// (walking into it is a charge, and a robot walked into falls).
constexpr double kAvoidReach = 1.0;
constexpr double kAvoidWidth = 0.4;
constexpr double kPassBeside = 0.6;
constexpr double kGiveWay = 0.45;
// Turning at a crawl, the walk keeps its slowest pace.
constexpr double kCrawl = 0.1;
// Turned onto the kick line this closely (degrees), the walk up begins.
constexpr double kAligned = 6.0;
// A ball this near the goal line (m) is pushed in by walking through it.
constexpr double kPushRange = 1.3;
// A quick shot is taken from within kQuickRange (m) of the ball, turned to
// it within kQuickAligned (degrees).
constexpr double kQuickRange = 0.5;
constexpr double kQuickAligned = 6.0;
// With an opponent at the ball, a kick this far off the aim (degrees) goes.
constexpr double kScrumTol = 50.0;
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

double finiteOr0(double v, double fallback = 0.0) { return std::isfinite(v) ? v : fallback; }

// An angle within +-180 degrees; one that is no number counts as straight
// ahead, so that no step ever carries a NaN.
double norm180(double a) { return finiteOr0(Geometry::normalizeAngle(a)); }

// A position or a sighting this far off (m) is a fault upstream, not a place
// on or near any field: differences of such numbers overflow into infinities
// and the steering made of them into numbers that are none.
constexpr double kFarthest = 1000.0;
bool plausible(double v) { return std::isfinite(v) && std::fabs(v) < kFarthest; }

// The nearest robot in the corridor straight ahead of the body: at most
// `reach` ahead (m) and `halfWidth` to either side. False when none is.
bool robotAhead(const ApproachPlan::Situation& s, double reach, double halfWidth, double& ox, double& oy) {
    bool found = false;
    for (int i = 0; i < s.robotCount && i < ApproachPlan::Situation::kMaxRobots; ++i) {
        const double x = s.robots[i].x, y = s.robots[i].y;
        if (x > 0.0 && x < reach && std::fabs(y) < halfWidth && (!found || x < ox)) {
            ox = x;
            oy = y;
            found = true;
        }
    }
    return found;
}

// The bearing (degrees, body frame) to walk by for a target at bearing
// `bearing` and `dist` metres: past a robot in the way rather than into it,
// on the side of the way it does not lie on.
double bearingPastRobots(const ApproachPlan::Situation& s, double bearing, double dist, bool& detour) {
    detour = false;
    double ox = 0.0, oy = 0.0;
    // The corridor the body sweeps walking toward the target: turned into
    // the target's direction.
    const double b = bearing / kDeg;
    ApproachPlan::Situation turned = s;
    turned.robotCount = 0;
    for (int i = 0; i < s.robotCount && i < ApproachPlan::Situation::kMaxRobots; ++i) {
        const double x = s.robots[i].x * std::cos(b) + s.robots[i].y * std::sin(b);
        const double y = -s.robots[i].x * std::sin(b) + s.robots[i].y * std::cos(b);
        turned.addRobot(x, y);
    }
    if (!robotAhead(turned, std::min(dist, kAvoidReach), kAvoidWidth, ox, oy)) return bearing;
    detour = true;
    const double side = oy >= 0.0 ? -1.0 : 1.0;
    const double px = ox, py = oy + side * kPassBeside;
    return norm180(bearing + std::atan2(py, px) * kDeg);
}

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
    spunLast = spinning;
    spinning = false;
    const bool sane =
        plausible(s.x) && plausible(s.y) && std::isfinite(s.facing) && plausible(tx) && plausible(ty);
    if (!sane) {
        reset();
        step.action = STOP;
        step.phase = "hold";
        return step;
    }
    const double walkSpeed = std::fabs(finiteOr0(s.walkSpeed));
    const bool ball = s.ballKnown && plausible(s.ballX) && plausible(s.ballY);
    const double ballDist = ball ? std::hypot(s.ballX - s.x, s.ballY - s.y) : HUGE_VAL;
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
            step.phase = "face ball";
            return turnToward(step, bearing, walkSpeed, ballDist);
        }
        step.action = STOP;
        step.phase = "wait";
        return step;
    }
    return walkToward(step, s, wx, wy, dist, walkSpeed, ballDist);
}

ApproachPlan::Step ApproachPlan::walkToward(Step step, const Situation& s, double wx, double wy, double dist,
                                            double walkSpeed, double ballDist) {
    bool detour = false;
    const double bearing = bearingPastRobots(s, norm180(std::atan2(wy - s.y, wx - s.x) * kDeg - s.facing),
                                             std::hypot(wx - s.x, wy - s.y), detour);
    if (detour) step.phase = "round robot";
    // Turn toward the point while it lies well to the side, until it lies
    // nearly ahead; then walk, steering mildly. A robot that stands or walks
    // slowly turns first for less.
    if (std::fabs(bearing) > (walkSpeed > 0.3 ? kTurnFirst : kTurnFirstSlow)) turningFirst = true;
    if (std::fabs(bearing) < 8.0) turningFirst = false;
    if (turningFirst) return turnToward(step, bearing, walkSpeed, ballDist);
    step.action = WALK;
    step.degree = std::clamp(-bearing, -kMildTurn, kMildTurn);
    step.speed = value(P_FULL_SPEED) * std::clamp(dist / 0.8, 0.35, 1.0);
    return step;
}

ApproachPlan::Step ApproachPlan::turnToward(Step step, double bearing, double walkSpeed, double ballDist) {
    spinning = (std::fabs(bearing) > kSpinFrom && walkSpeed <= kSpinWalkSpeed && !(ballDist < kSpinBallDist)) ||
               (spunLast && std::fabs(bearing) >= kSpinUntil);
    if (spinning) {
        step.action = TURN;
        step.speed = 0.0;
        step.degree = -bearing;
        return step;
    }
    step.action = WALK;
    step.speed = kCrawl;
    step.degree = bearing > 0 ? -kSharpTurn : kSharpTurn;
    return step;
}

void ApproachPlan::reset() {
    spinning = spunLast = false;
    arrived = false;
    offTargetSince = -1.0;
    backingOff = false;
    stage = TO_POINT;
    turningFirst = false;
    foot = 0;
}

void ApproachPlan::clearingLine(double bx, double by, double& ux, double& uy) {
    // As much toward the opponent goal as keeps the point behind the ball
    // on the field, the rest toward the side line.
    const double room = (finiteOr0(bx) + kFieldHalfLength - kLineMargin) / kClearBehind;
    const double forward = std::clamp(room, 0.0, std::cos(kClearWide / kDeg));
    ux = forward;
    uy = std::sqrt(std::max(0.0, 1.0 - forward * forward)) * (finiteOr0(by) >= 0.0 ? 1.0 : -1.0);
}

void ApproachPlan::aimPoint(double, double by, double& ax, double& ay) {
    ax = kGoalX;
    ay = finiteOr0(by) >= 0.0 ? kAimSide : -kAimSide;
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

void ApproachPlan::fieldPointOf(double x, double y, double facing, double bx, double by, double& fx, double& fy) {
    const double f = facing / kDeg;
    fx = x + bx * std::cos(f) - by * std::sin(f);
    fy = y + bx * std::sin(f) + by * std::cos(f);
}

bool ApproachPlan::inKickWindow(double ahead, double side) {
    return ahead >= kWindowNear && ahead <= kWindowFar && std::fabs(side) <= kWindowSide;
}

bool ApproachPlan::contested(const Situation& s, double ahead, double side) {
    for (int i = 0; i < s.robotCount && i < Situation::kMaxRobots; ++i) {
        if (!s.robots[i].teammate && std::hypot(s.robots[i].x - ahead, s.robots[i].y - side) < kContested) return true;
    }
    return false;
}

bool ApproachPlan::shotOnTarget(double bx, double by, double heading, double farTol) const {
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
        const double y = std::fabs(yAtGoal);
        if (y <= kGoalHalfWidth - kPostMargin && y >= kGoalieClear) return true;
    }
    if (range <= kShotRange && farTol <= value(P_FAR_TOL)) return false;
    // Farther out: toward the aim within the tolerance, and the ball stays
    // on the field.
    const double off = norm180(heading - std::atan2(ay - by, ax - bx) * kDeg);
    const double endY = by + kKickLength * cy;
    return std::fabs(off) <= farTol && std::fabs(endY) < kFieldHalfWidth - 0.3;
}

bool ApproachPlan::shotOnTargetSeen(double bx, double by, double p1x, double p1y, double p2x, double p2y,
                                   double farTol) const {
    // Where the ball's way straight ahead (y = by) crosses the line through
    // the posts, as a share of the way from post 2 to post 1.
    const double gy = p1y - p2y;
    if (!(std::fabs(gy) > 1e-6)) return false;
    const double w = (by - p2y) / gy;
    const double crossX = p2x + w * (p1x - p2x);
    if (!(crossX > bx)) return false;
    const double width = std::hypot(p1x - p2x, gy);
    const double margin = kPostMargin / std::max(width, 1e-6);
    if (!(w >= margin && w <= 1.0 - margin) || std::fabs(w - 0.5) * width < kGoalieClear) {
        // Wide of the posts: still worth it from far out, roughly toward the
        // goal.
        const double range = std::hypot((p1x + p2x) / 2 - bx, (p1y + p2y) / 2 - by);
        if (range <= kShotRange && farTol <= value(P_FAR_TOL)) return false;
        const double off = std::atan2((p1y + p2y) / 2 - by, (p1x + p2x) / 2 - bx) * kDeg;
        return std::fabs(off) <= farTol;
    }
    return true;
}

ApproachPlan::Step ApproachPlan::next(const Situation& s) {
    Step step;
    spunLast = spinning;
    spinning = false;
    const bool sane = plausible(s.x) && plausible(s.y) && std::isfinite(s.facing) && plausible(s.ballX) &&
                      plausible(s.ballY);
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

    // With an opponent at the ball a rougher kick goes: anywhere roughly
    // toward the goal is better than waiting for the other side to kick.
    const bool scrum = contested(s, ahead, side);
    const double farTol = scrum ? kScrumTol : value(P_FAR_TOL);
    // The kick line: from the ball toward the aim; from the posts as seen
    // when they were, else from where the robot believes it stands.
    double ux = 1.0, uy = 0.0;
    bool onTarget = false;
    const bool posts = s.postsSeen && plausible(s.post1X) && plausible(s.post1Y) && plausible(s.post2X) &&
                       plausible(s.post2Y) &&
                       std::hypot(s.post1X - s.post2X, s.post1Y - s.post2Y) > 0.5;
    const bool clearing = s.ballX < kClearX;
    if (clearing) {
        // Near our own goal the ball is cleared away from it, toward the
        // side line the ball is nearer: a line to the opponent goal would
        // put the point behind the ball off the field, or in our goal.
        clearingLine(s.ballX, s.ballY, ux, uy);
        const double off = norm180(s.facing - std::atan2(uy, ux) * kDeg);
        onTarget = std::fabs(off) <= kClearTol;
    } else if (posts) {
        const double mx = (s.post1X + s.post2X) / 2, my = (s.post1Y + s.post2Y) / 2;
        const double width = std::hypot(s.post1X - s.post2X, s.post1Y - s.post2Y);
        const double gx = (s.post1X - s.post2X) / width, gy = (s.post1Y - s.post2Y) / width;
        const double t = (ahead - mx) * gx + (side - my) * gy >= 0.0 ? kAimSide : -kAimSide;
        const double bx = mx + t * gx - ahead, by = my + t * gy - side;
        const double l = std::hypot(bx, by);
        if (l > 1e-6) {
            // Turned from the body frame into the field frame.
            ux = (bx * std::cos(f) - by * std::sin(f)) / l;
            uy = (bx * std::sin(f) + by * std::cos(f)) / l;
        }
        onTarget = shotOnTargetSeen(ahead, side, s.post1X, s.post1Y, s.post2X, s.post2Y, farTol);
    } else {
        double ax = 0.0, ay = 0.0;
        aimPoint(s.ballX, s.ballY, ax, ay);
        const double l = std::hypot(ax - s.ballX, ay - s.ballY);
        if (l > 1e-6) {
            ux = (ax - s.ballX) / l;
            uy = (ay - s.ballY) / l;
        }
        onTarget = shotOnTarget(s.ballX, s.ballY, s.facing, farTol);
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
                            std::fabs(headingOff) <= farTol;
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
    const double walkTol = scrum ? std::max(value(P_WALK_TOL), kScrumTol * 0.7) : value(P_WALK_TOL);
    auto inLane = [&](double slack) {
        const double lane = value(P_LANE) + 0.15 * std::max(0.0, -along - standAhead);
        return along < -0.1 / slack && std::fabs(lateral) <= lane * slack &&
               std::fabs(headingOff) <= walkTol * slack && -along <= behind + 0.3 * slack;
    };
    // From afar the staging point lies farther back on the line, and comes
    // nearer the ball as the robot does: the robot joins the line early,
    // at a slant it can take by steering, instead of turning at the end.
    const double ballDist = std::hypot(dx, dy);
    const double stage0 = behind + std::clamp(0.4 * (ballDist - behind - 0.5), 0.0, kFarStaging);
    const double sx = s.ballX - stage0 * ux, sy = s.ballY - stage0 * uy;
    const double toPoint = std::hypot(sx - s.x, sy - s.y);

    // Near the ball and behind it, with the ball's own direction a good
    // enough shot: turn on the spot to put the ball before a foot and kick,
    // instead of going round to the line behind it first.
    const double toBall = std::atan2(dy, dx) * kDeg;
    auto quickShot = [&](double slack) {
        if (!(ballDist <= kQuickRange * slack) || !(along < 0.0)) return false;
        const double off = std::fabs(norm180(toBall - lineHeading));
        if (off <= kAligned) return false;  // the line itself: the walk up does it
        if (clearing) return off <= kClearTol * slack;
        if (posts || !shotOnTarget(s.ballX, s.ballY, toBall, farTol * slack)) {
            // From the posts as seen: the ball's own direction turned into
            // the body frame.
            if (!posts) return false;
            const double r = (toBall - s.facing) / kDeg;
            const double c = std::cos(-r), sn = std::sin(-r);
            auto rot = [&](double x, double y, double& ox, double& oy) {
                ox = x * c - y * sn;
                oy = x * sn + y * c;
            };
            double bx, by, p1x, p1y, p2x, p2y;
            rot(ahead, side, bx, by);
            rot(s.post1X, s.post1Y, p1x, p1y);
            rot(s.post2X, s.post2Y, p2x, p2y);
            return shotOnTargetSeen(bx, by, p1x, p1y, p2x, p2y, farTol * slack);
        }
        return true;
    };
    if (stage != QUICK && quickShot(1.0)) stage = QUICK;
    switch (stage) {
        case QUICK:
            if (!quickShot(1.3)) stage = TO_POINT;
            break;
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

    if (stage == QUICK) {
        turningFirst = false;
        backingOff = false;
        // The foot: the side the ball lies on now.
        if (foot == 0 || side * foot < -0.04) foot = side >= 0 ? 1 : -1;
        const double fs = value(P_FOOT_SIDE);
        const double face = toBall - foot * std::asin(std::clamp(fs / std::max(ballDist, fs + 1e-3), -1.0, 1.0)) * kDeg;
        const double e = norm180(face - s.facing);
        const double toGo = ahead - standAhead;
        step.phase = "quick";
        if (std::fabs(e) > kQuickAligned) {
            // Turn at a crawl (or stop first: a walk under way turns wide).
            if (walkSpeed > 0.2) {
                step.action = STOP;
                return step;
            }
            step.action = WALK;
            step.speed = kCrawl;
            step.degree = e > 0 ? -kSharpTurn : kSharpTurn;
            return step;
        }
        if (toGo < -0.04) {
            step.action = WALK;
            step.speed = -0.3;
            step.phase = "quick back";
            return step;
        }
        const double brake = std::max(value(P_BRAKE), 1e-3);
        if (toGo <= brake * walkSpeed * walkSpeed + 0.02 + 0.05 * walkSpeed) {
            step.action = s.standing ? WALK : STOP;
            step.speed = kCreep;
            step.degree = std::clamp(-2.0 * e, -kMildTurn, kMildTurn);
            if (!s.standing) return step;
            step.phase = "quick shuffle";
            return step;
        }
        step.action = WALK;
        step.speed = std::clamp(std::sqrt(std::max(toGo, 0.0) / brake), kCreep, value(P_WALK_UP_SPEED));
        step.degree = std::clamp(-2.0 * e, -kMildTurn, kMildTurn);
        return step;
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
                           (inKickWindow(ahead, side) && std::fabs(headingOff) > walkTol / 2))) {
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
        {
            double ox = 0.0, oy = 0.0;
            // A robot between the body and the ball is in the way; one
            // beyond the ball is not (the walk stops short of the ball).
            if (robotAhead(s, std::min(kGiveWay, ahead), 0.3, ox, oy)) {
                step.action = STOP;
                step.phase = "give way";
                return step;
            }
        }
        // Right before the goal a push goes in sooner than a kick: the walk
        // goes on through the ball while it is on target.
        if (kGoalX - s.ballX < kPushRange && std::fabs(s.ballY) < kGoalHalfWidth + 0.3 && onTarget &&
            std::fabs(headingOff) <= kAligned * 2) {
            step.action = WALK;
            step.speed = value(P_WALK_UP_SPEED);
            step.degree = degree;
            step.phase = "push";
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
        step.phase = "onto line";
        if (std::fabs(headingOff) > kAligned) return turnToward(step, headingOff, walkSpeed, ballDist);
        step.action = WALK;
        step.speed = kCrawl;
        step.degree = std::clamp(-headingOff, -kMildTurn, kMildTurn);
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
    return walkToward(step, s, tx, ty, std::hypot(tx - s.x, ty - s.y), walkSpeed, ballDist);
}
