#include "game/FoulRules.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "util/TextFormat.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double flatDistance(const Vec3& a, const Vec3& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Degrees between two directions on the ground; 0 when either has no direction.
double angleBetween(const Vec3& u, const Vec3& w) {
    const double lu = std::hypot(u.x, u.y), lw = std::hypot(w.x, w.y);
    if (!(lu > 1e-9) || !(lw > 1e-9)) return 0.0;
    return std::acos(std::clamp((u.x * w.x + u.y * w.y) / (lu * lw), -1.0, 1.0)) * 180.0 / kPi;
}

}  // namespace

FoulRules::FoulRules(World& world, RuleMover& mover, Random& random)
    : world_(world), mover_(mover), random_(random) {}

void FoulRules::forget(int clientId) {
    states_.erase(clientId);
    pending_.erase(clientId);
    for (auto it = contactSince_.begin(); it != contactSince_.end();) {
        it = it->first.first == clientId || it->first.second == clientId ? contactSince_.erase(it)
                                                                         : std::next(it);
    }
}

bool FoulRules::held(int clientId) const {
    const auto it = states_.find(clientId);
    return it != states_.end() && it->second.held >= 0;
}

int FoulRules::groundCycles(int clientId) const {
    const auto it = states_.find(clientId);
    return it == states_.end() ? 0 : it->second.ground;
}

int FoulRules::notStandingCycles(int clientId) const {
    const auto it = states_.find(clientId);
    return it == states_.end() ? 0 : it->second.notStanding;
}

std::vector<Robot*> FoulRules::team(TeamSide side) {
    std::vector<Robot*> out;
    for (auto& [id, r] : world_.robots()) {
        if (r.joined && r.side == side) out.push_back(&r);
    }
    return out;
}

void FoulRules::release(State& s) {
    s.notStanding = s.standing = s.ground = 0;
    s.held = -1;
    s.heldFor.clear();
}

Vec3 FoulRules::meanVelocity(const State& s) const {
    Vec3 sum;
    for (const Vec3& v : s.velocities) sum += v;
    return s.velocities.empty() ? Vec3{} : sum * (1.0 / static_cast<double>(s.velocities.size()));
}

void FoulRules::update(double now, double dt, const StepContacts& contacts, bool paused,
                       const std::map<int, double>& lastBallTouch) {
    // The torsos' velocities over the last three cycles (a move by a rule is
    // not a velocity).
    for (auto& [id, r] : world_.robots()) {
        if (!r.joined) continue;
        State& s = states_[id];
        const Vec3 p = r.body().torso().pos;
        if (s.havePosition && mover_.lastMoved(id) < now - dt / 2.0 && dt > 0.0) {
            s.velocities.push_back(
                {(p.x - s.lastPosition.x) / dt, (p.y - s.lastPosition.y) / dt, 0.0});
            if (s.velocities.size() > 3) s.velocities.pop_front();
        } else {
            s.velocities.clear();
        }
    }
    // Which pairs of robots touch, and since when.
    std::map<std::pair<int, int>, double> since;
    for (const RobotContact& c : contacts.robots) {
        const auto key = std::make_pair(c.a, c.b);
        const auto it = contactSince_.find(key);
        since[key] = it == contactSince_.end() ? now : it->second;
    }
    contactSince_.swap(since);
    pending_.clear();

    if (paused) {
        // While the game stands still nothing is counted, and a robot being
        // held drops where it is.
        for (auto& [id, s] : states_) {
            release(s);
            s.touchingSince = -1.0;
        }
    } else {
        for (auto& [id, r] : world_.robots()) {
            if (r.joined) countStanding(r, states_[id]);
        }
        charging(now, contacts, lastBallTouch);
        for (const TeamSide side : {TeamSide::Left, TeamSide::Right}) incapable(side);
        for (const TeamSide side : {TeamSide::Left, TeamSide::Right}) illegalDefence(side);
        touching(now, contacts);
        enforce();
    }
    // Where each robot ends the cycle, moves included, for the next velocities.
    for (auto& [id, r] : world_.robots()) {
        if (!r.joined) continue;
        State& s = states_[id];
        s.lastPosition = r.body().torso().pos;
        s.havePosition = true;
    }
}

void FoulRules::countStanding(Robot& robot, State& s) {
    if (s.held >= 0) return;
    const Vec3 p = robot.body().torso().pos;
    if (std::fabs(p.y) >= kCountedWithin) return;
    if (p.z < kNotStandingBelow) {
        ++s.notStanding;
        s.standing = 0;
        if (p.z < kGroundBelow) ++s.ground;
    } else {
        ++s.standing;
        s.ground = 0;
        if (s.standing > kStandingClears) s.notStanding = 0;
    }
}

void FoulRules::call(Robot& robot, Kind kind, const std::string& rule, const std::string& why,
                     const Vec3& awayFrom) {
    if (pending_.count(robot.clientId)) return;
    pending_[robot.clientId] = {kind, rule, why, awayFrom};
}

void FoulRules::charging(double now, const StepContacts& contacts,
                         const std::map<int, double>& lastBallTouch) {
    const Vec3 ball = world_.ball().position();
    const FieldGeometry& field = world_.field();
    for (const RobotContact& c : contacts.robots) {
        Robot* ra = world_.robot(c.a);
        Robot* rb = world_.robot(c.b);
        if (!ra || !rb || !ra->joined || !rb->joined || ra->side == rb->side) continue;
        State& sa = states_[c.a];
        State& sb = states_[c.b];
        const auto quiet = [&](const State& s, int id) {
            return s.notStanding == 0 && s.held < 0 && !pending_.count(id) &&
                   mover_.lastMoved(id) < now - kChargeImmunity;
        };
        if (!quiet(sa, c.a) || !quiet(sb, c.b)) continue;
        Robot* robots[2] = {ra, rb};
        Vec3 pos[2], vel[2];
        double speed[2], toBall[2], ballAngle[2], oppAngle[2];
        for (int i = 0; i < 2; ++i) {
            pos[i] = robots[i]->body().torso().pos;
            vel[i] = meanVelocity(i == 0 ? sa : sb);
            speed[i] = std::hypot(vel[i].x, vel[i].y);
            toBall[i] = flatDistance(pos[i], ball);
            ballAngle[i] = angleBetween(vel[i], ball - pos[i]);
            oppAngle[i] = angleBetween(vel[i], pos[1 - i] - pos[i]);
        }
        bool charges[2] = {true, true};
        if (toBall[0] < kBallRulesDistance || toBall[1] < kBallRulesDistance) {
            // Near the ball: a robot that runs at the opponent rather than at the ball.
            for (int i = 0; i < 2; ++i) {
                charges[i] = ballAngle[i] >= oppAngle[i] && ballAngle[i] >= kChargeBallAngle &&
                             speed[i] >= kChargeSpeed;
            }
            if (!charges[0] && !charges[1] &&
                std::fabs(toBall[0] - toBall[1]) > kChargeDistanceMargin) {
                const int far = toBall[0] > toBall[1] ? 0 : 1;
                charges[far] = ballAngle[far] - oppAngle[far] > kChargeAngleMargin ||
                               speed[1 - far] < kChargeSpeed;
            }
        }
        for (int i = 0; i < 2; ++i) {
            const Vec3 toContact = c.point - pos[i];
            const double len = std::hypot(toContact.x, toContact.y);
            const double into =
                len > 1e-9 ? (vel[i].x * toContact.x + vel[i].y * toContact.y) / len : 0.0;
            charges[i] = charges[i] && speed[i] >= kChargeSpeed && into >= kSpeedIntoContact;
        }
        if (charges[0] == charges[1]) continue;  // neither, or both ran into each other
        if (flatDistance(c.point, ball) < kContactBallDistance) continue;
        const int who = charges[0] ? 0 : 1;
        Robot& offender = *robots[who];
        const Vec3 p = pos[who];
        // A goalie in its own area (or behind it) may charge.
        const bool leftGoal = offender.side == TeamSide::Left;
        const double ax = leftGoal ? -p.x : p.x;
        if (isGoalie(offender) && ax >= field.halfLength() - FieldGeometry::kPenaltyDepth &&
            std::fabs(p.y) <= FieldGeometry::kPenaltyWidth / 2.0) {
            continue;
        }
        const auto contact = contactSince_.find({c.a, c.b});
        if (contact == contactSince_.end() || now - contact->second < kContactTime - 1e-9) continue;
        const auto touch = lastBallTouch.find(offender.clientId);
        if (touch != lastBallTouch.end() && now - touch->second < kChargeImmunity - 1e-9) continue;
        call(offender, Kind::Hold, "charging",
             "charging " + RuleMover::name(*robots[1 - who]) + " at " +
                 TextFormat::fixed(speed[who], 2) + " m/s");
    }
}

void FoulRules::incapable(TeamSide side) {
    std::vector<Robot*> robots = team(side);
    random_.shuffle(robots);
    for (Robot* r : robots) {
        const State& s = states_[r->clientId];
        if (s.held >= 0) continue;
        const int factor = isGoalie(*r) ? kGoalieFactor : 1;
        if (s.ground > kGroundLimit * factor) {
            call(*r, Kind::Hold, "incapable",
                 "incapable: " + std::to_string(15 * factor) + " s on the ground");
        } else if (s.notStanding > kNotStandingLimit * factor) {
            call(*r, Kind::Hold, "incapable",
                 "incapable: " + std::to_string(30 * factor) + " s not standing");
        }
    }
}

void FoulRules::illegalDefence(TeamSide side) {
    const FieldGeometry& field = world_.field();
    const bool leftGoal = side == TeamSide::Left;
    std::vector<Robot*> robots = team(side);
    std::vector<Robot*> inside;
    for (Robot* r : robots) {
        State& s = states_[r->clientId];
        const Vec3 p = r->body().torso().pos;
        const bool in =
            s.held < 0 && !pending_.count(r->clientId) && field.inPenaltyArea(leftGoal, p.x, p.y);
        if (in) inside.push_back(r);
    }
    if (static_cast<int>(inside.size()) > kMaxInOwnArea) {
        const Vec3 goal{leftGoal ? -field.halfLength() : field.halfLength(), 0.0, 0.0};
        const auto entered = [&](const Robot* r) { return !states_[r->clientId].inOwnArea; };
        bool goalieEntered = false;
        for (Robot* r : inside) {
            if (!entered(r)) continue;
            if (isGoalie(*r)) {
                goalieEntered = true;
            } else {
                call(*r, Kind::IllegalDefence, "illegal-defence",
                     "illegal defence: a fourth player in its own penalty area; pushed out of it");
            }
        }
        if (goalieEntered) {
            // The goalie has the right to be there: the fourth nearest to the goal goes.
            std::vector<Robot*> byDistance = inside;
            std::stable_sort(byDistance.begin(), byDistance.end(),
                             [&](const Robot* a, const Robot* b) {
                                 return flatDistance(a->body().torso().pos, goal) <
                                        flatDistance(b->body().torso().pos, goal);
                             });
            Robot* fourth = byDistance[kMaxInOwnArea];
            if (!isGoalie(*fourth)) {
                call(*fourth, Kind::IllegalDefence, "illegal-defence",
                     "illegal defence: a fourth player in its own penalty area; pushed out of it");
            }
        }
    }
    for (Robot* r : robots) {
        const Vec3 p = r->body().torso().pos;
        states_[r->clientId].inOwnArea = field.inPenaltyArea(leftGoal, p.x, p.y);
    }
}

void FoulRules::touching(double now, const StepContacts& contacts) {
    // Groups of robots touching each other, and since when each has touched anyone.
    std::map<int, int> parent;
    const auto root = [&](int id) {
        while (parent[id] != id) id = parent[id] = parent[parent[id]];
        return id;
    };
    for (const RobotContact& c : contacts.robots) {
        const Robot* a = world_.robot(c.a);
        const Robot* b = world_.robot(c.b);
        if (!a || !b || !a->joined || !b->joined || states_[c.a].held >= 0 ||
            states_[c.b].held >= 0)
            continue;
        for (const int id : {c.a, c.b}) {
            if (!parent.count(id)) parent[id] = id;
        }
        parent[root(c.a)] = root(c.b);
    }
    for (auto& [id, s] : states_) {
        if (!parent.count(id)) {
            s.touchingSince = -1.0;
        } else if (s.touchingSince < 0.0) {
            s.touchingSince = now;
        }
    }
    std::map<int, std::vector<Robot*>> groups;
    for (const auto& [id, p] : parent) groups[root(id)].push_back(world_.robot(id));
    for (auto& group : groups) {
        // A named reference, not a structured binding: a lambda below uses it.
        std::vector<Robot*>& members = group.second;
        if (static_cast<int>(members.size()) <= kMaxTouchGroup) continue;
        // The newcomer is the one that has touched the group for the shortest time.
        Robot* newcomer = members.front();
        for (Robot* m : members) {
            if (states_[m->clientId].touchingSince > states_[newcomer->clientId].touchingSince)
                newcomer = m;
        }
        int sameTeam = 0;
        Vec3 middle;
        for (Robot* m : members) {
            if (m->side == newcomer->side) ++sameTeam;
            middle += m->body().torso().pos;
        }
        middle = middle * (1.0 / static_cast<double>(members.size()));
        Robot* penalised = nullptr;
        const auto latest = [&](bool teammate) {
            Robot* best = nullptr;
            for (Robot* m : members) {
                if (m == newcomer || (m->side == newcomer->side) != teammate ||
                    (teammate && isGoalie(*m)))
                    continue;
                if (!best ||
                    states_[m->clientId].touchingSince > states_[best->clientId].touchingSince)
                    best = m;
            }
            return best;
        };
        if (2 * sameTeam >= static_cast<int>(members.size())) {
            penalised = isGoalie(*newcomer) ? latest(true) : newcomer;
        } else {
            penalised = latest(false);
        }
        if (penalised) {
            call(*penalised, Kind::Touching, "touching",
                 "touching: a group of " + std::to_string(members.size()) +
                     " robots; pushed out of it",
                 middle);
        }
    }
}

void FoulRules::enforce() {
    const FieldGeometry& field = world_.field();
    const bool rightFirst = random_.below(2) == 1;
    for (const TeamSide side : {rightFirst ? TeamSide::Right : TeamSide::Left,
                                rightFirst ? TeamSide::Left : TeamSide::Right}) {
        std::vector<Robot*> robots = team(side);
        random_.shuffle(robots);
        for (Robot* r : robots) {
            State& s = states_[r->clientId];
            const Vec3 p = r->body().torso().pos;
            const auto found = pending_.find(r->clientId);
            if (found != pending_.end()) {
                const Pending& f = found->second;
                switch (f.kind) {
                    case Kind::Hold:
                        s.held = 0;
                        s.heldFor = f.rule;
                        mover_.foul(*r, f.rule,
                                    f.why +
                                        "; held above the field for 0.5 s, then set down beyond "
                                        "the side line");
                        break;
                    case Kind::IllegalDefence:
                        mover_.moveRobot(
                            *r, field.outOfPenaltyArea(side == TeamSide::Left, p, kPushAway),
                            f.rule, f.why);
                        break;
                    case Kind::Touching: {
                        Vec3 away{p.x - f.awayFrom.x, p.y - f.awayFrom.y, 0.0};
                        const double len = std::hypot(away.x, away.y);
                        // Right in the middle: back toward its own goal.
                        away = len > 1e-9 ? away * (1.0 / len)
                                          : Vec3{side == TeamSide::Left ? -1.0 : 1.0, 0.0, 0.0};
                        mover_.moveRobot(*r, p + away * kPushAway, f.rule, f.why);
                        break;
                    }
                }
                continue;
            }
            if (s.held < 0) continue;
            ++s.held;
            if (s.held <= kHoldCycles) {
                // Up in the air, a centimetre higher each cycle, stopped each time.
                const Vec3 up{p.x, p.y, kHoldHeight + kHoldStep * (s.held + 1)};
                mover_.moveRobot(*r, up, s.heldFor, "held above the field", false, false, true);
                continue;
            }
            // Set down beyond the side line, on the side away from the ball.
            const double x = -kOffFieldStep * (7 - r->unum) * (side == TeamSide::Left ? 1.0 : -1.0);
            const double y = world_.ball().position().y < 0.0 ? kOffFieldY : -kOffFieldY;
            mover_.moveRobot(*r, {x, y, kStandHeight}, "off-field",
                             "set down off the field after its foul (" + s.heldFor + ")");
            release(s);
        }
    }
}
