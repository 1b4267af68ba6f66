#include "game/Referee.h"

#include <algorithm>
#include <cmath>

#include "game/RobotExtent.h"
#include "util/TextFormat.h"

namespace {

bool isSetPiece(PlayMode mode) {
    switch (mode) {
        case PlayMode::KickInLeft:
        case PlayMode::KickInRight:
        case PlayMode::CornerKickLeft:
        case PlayMode::CornerKickRight:
        case PlayMode::GoalKickLeft:
        case PlayMode::GoalKickRight:
        case PlayMode::FreeKickLeft:
        case PlayMode::FreeKickRight:
            return true;
        default:
            return false;
    }
}

// The team a set piece or kick-off belongs to.
TeamSide kickingTeam(PlayMode mode) {
    switch (mode) {
        case PlayMode::KickOffRight:
        case PlayMode::KickInRight:
        case PlayMode::CornerKickRight:
        case PlayMode::GoalKickRight:
        case PlayMode::FreeKickRight:
            return TeamSide::Right;
        default:
            return TeamSide::Left;
    }
}

bool isGoalKick(PlayMode mode) {
    return mode == PlayMode::GoalKickLeft || mode == PlayMode::GoalKickRight;
}

// The play mode's name as a person says it.
std::string spoken(PlayMode mode) {
    switch (mode) {
        case PlayMode::KickInLeft:
        case PlayMode::KickInRight:
            return "kick-in";
        case PlayMode::CornerKickLeft:
        case PlayMode::CornerKickRight:
            return "corner kick";
        case PlayMode::GoalKickLeft:
        case PlayMode::GoalKickRight:
            return "goal kick";
        case PlayMode::FreeKickLeft:
        case PlayMode::FreeKickRight:
            return "free kick";
        default:
            return playModeName(mode);
    }
}

double towardOwnGoal(TeamSide side) { return side == TeamSide::Left ? -1.0 : 1.0; }

PlayMode sidedMode(PlayMode left, PlayMode right, TeamSide side) {
    return side == TeamSide::Left ? left : right;
}

}  // namespace

Referee::Referee(GameRules& rules, World& world, std::uint64_t seed)
    // A generator of its own, so that the vision noise drawn for a seed stays
    // what it was whatever the referee draws.
    : rules_(rules),
      world_(world),
      random_(seed ^ 0x5eed0f7e1eedULL),
      mover_(world, rules),
      fouls_(world, mover_, random_) {}

Vec3 Referee::startSpot(TeamSide side) {
    const FieldGeometry& f = world_.field();
    const int n = started_[side == TeamSide::Left ? 0 : 1]++;
    const double across = 3.0 * kAgentRadius, along = 2.0 * kAgentRadius;
    const int perColumn = static_cast<int>(std::floor((f.width() - along) / across + 1e-9)) + 1;
    const double x =
        (side == TeamSide::Left ? -1.0 : 1.0) * (f.halfLength() - along) + along * (n / perColumn);
    const double y = f.halfWidth() - along - across * (n % perColumn);
    return {x, y, kAgentRadius};
}

void Referee::robotLeft(int clientId) {
    fouls_.forget(clientId);
    mover_.forget(clientId);
    lastTouch_.erase(clientId);
    if (taker_ == clientId) taker_ = -1;
}

int Referee::robotsInGame() const { return static_cast<int>(world_.joinedRobots().size()); }

std::vector<Robot*> Referee::drawnOrder() {
    const bool rightFirst = random_.below(2) == 1;
    std::vector<Robot*> out;
    for (const TeamSide side : {rightFirst ? TeamSide::Right : TeamSide::Left,
                                rightFirst ? TeamSide::Left : TeamSide::Right}) {
        std::vector<Robot*> team;
        for (auto& [id, r] : world_.robots()) {
            if (r.joined && r.side == side) team.push_back(&r);
        }
        random_.shuffle(team);
        out.insert(out.end(), team.begin(), team.end());
    }
    return out;
}

void Referee::update(double now, double dt, const StepContacts& contacts) {
    mover_.startCycle(now);
    noteTouches(now, contacts);
    rules_.advance(now, dt);
    if (rules_.modeChanges() != seenChanges_) enterMode(now);
    handleMode(now);
    const bool paused = rules_.paused();
    if (!paused) checkDoubleTouch(now);
    fouls_.update(now, dt, contacts, paused, lastTouch_);
    if (!paused) {
        // The physics model froze these robots' joints; the console has its line.
        for (const int id : contacts.selfCollided) {
            if (const Robot* r = world_.robot(id))
                mover_.foul(*r, "self-collision", "self-collision", true);
        }
    }
    ballBefore_ = world_.ball().position();
    haveBallBefore_ = true;
}

void Referee::noteTouches(double now, const StepContacts& contacts) {
    touchers_.clear();
    const Vec3 ball = world_.ball().position();
    for (const int id : contacts.ballTouchers) {
        const Robot* r = world_.robot(id);
        if (!r || !r->joined) continue;
        touchers_.push_back(id);
        lastTouch_[id] = now;
        everTouched_ = true;
        lastToucher_ = r->side;
        mover_.touched(*r);
        // The kick-off team may score again once the other team has touched
        // the ball, or it touched it outside the centre circle.
        if (kickOffRestricted_ &&
            (r->side != kickOffTeam_ || std::hypot(ball.x, ball.y) > kCircle)) {
            kickOffRestricted_ = false;
        }
        // Anybody else touching the ball ends the kick taker's restriction.
        if (taker_ >= 0 && id != taker_) taker_ = -1;
    }
}

void Referee::setTaker(const Robot& robot, double now, bool indirect) {
    taker_ = robot.clientId;
    takerSide_ = robot.side;
    takerFirstTouch_ = takerLastTouch_ = now;
    takerIndirect_ = indirect;
}

void Referee::enterMode(double /*now*/) {
    seenChanges_ = rules_.modeChanges();
    outNoted_ = false;
    const PlayMode mode = rules_.playMode();
    if (mode == PlayMode::PlayOn || mode == PlayMode::GameOver) return;
    // A new kick-off or set piece: the last one's taker has had its chance.
    taker_ = -1;
    kickOffRestricted_ = false;
    if (isSetPiece(mode)) {
        spot_ = setPieceSpot(mode);
        repelled_ = false;
        goalKickTouched_ = false;
    }
}

void Referee::handleMode(double now) {
    const PlayMode mode = rules_.playMode();
    switch (mode) {
        case PlayMode::BeforeKickOff:
            beforeKickOff();
            break;
        case PlayMode::KickOffLeft:
        case PlayMode::KickOffRight:
            kickOff(now, kickingTeam(mode), false);
            break;
        case PlayMode::GoalLeft:
        case PlayMode::GoalRight:
            // The team scored on kicks off next.
            kickOff(now, mode == PlayMode::GoalLeft ? TeamSide::Right : TeamSide::Left, true);
            break;
        case PlayMode::PlayOn:
            playOn(now);
            break;
        case PlayMode::GameOver:
            break;
        default:
            if (isSetPiece(mode)) setPiece(now);
            break;
    }
}

void Referee::putBall(const Vec3& spot, const std::string& rule, const std::string& why) {
    mover_.placeBall(spot, rule, why);
    freeKickSpot_ = world_.ball().position();
}

void Referee::holdBall(const Vec3& spot) {
    mover_.holdBall(spot);
    freeKickSpot_ = world_.ball().position();
}

void Referee::beforeKickOff() {
    // The ball stays on the centre spot, put back every cycle, once there is
    // anybody to play with it.
    if (robotsInGame() > 0) holdBall({0.0, 0.0, Ball::kRadius});
    for (Robot* r : drawnOrder()) {
        const FlatRect rect = RobotExtent::rectangle(r->body());
        const bool over = r->side == TeamSide::Left ? rect.maxX >= 0.0 : rect.minX <= 0.0;
        if (!over) continue;
        const Vec3 p = r->body().torso().pos;
        mover_.moveRobot(*r, {towardOwnGoal(r->side) * kClearance, p.y, p.z}, "before-kickoff-half",
                         "before kick-off, in the opponent half");
    }
}

void Referee::clearForKickOff(TeamSide kicking) {
    const Vec3 centre{0.0, 0.0, 0.0};
    for (Robot* r : drawnOrder()) {
        const double home = towardOwnGoal(r->side) * kClearance;
        const auto over = [&] {
            const FlatRect rect = RobotExtent::rectangle(r->body());
            return std::make_pair(r->side == TeamSide::Left ? rect.maxX >= 0.0 : rect.minX <= 0.0,
                                  rect);
        };
        if (r->side == kicking) {
            // The kicking team may cross the middle line only inside the circle.
            const auto [crossed, rect] = over();
            if (crossed && !RobotExtent::rectInsideCircle(rect, kCircle)) {
                const Vec3 p = r->body().torso().pos;
                mover_.moveRobot(*r, {home, p.y, p.z}, "kickoff-half",
                                 "kick-off, in the opponent half outside the centre circle");
            }
            continue;
        }
        if (over().first) {
            const Vec3 p = r->body().torso().pos;
            mover_.moveRobot(*r, {home, p.y, p.z}, "kickoff-half",
                             "kick-off for the other team, in its half");
        }
        if (RobotExtent::sphereMeetsBox(centre, kCircle, RobotExtent::box(r->body()))) {
            const Vec3 p = r->body().torso().pos;
            mover_.moveRobot(*r, {home, p.y, p.z}, "kickoff-circle",
                             "kick-off for the other team, in the centre circle");
        }
    }
}

void Referee::kickOff(double now, TeamSide kicking, bool goalPause) {
    // The clearing comes first, then the touch and the time.
    clearForKickOff(kicking);
    const double inMode = now - rules_.modeSince();
    if (goalPause) {
        if (inMode + 1e-9 >= kGoalPause) {
            putBall({0.0, 0.0, Ball::kRadius}, "kickoff-spot",
                    "on the centre spot for the kick-off");
            rules_.changeMode(sidedMode(PlayMode::KickOffLeft, PlayMode::KickOffRight, kicking),
                              now);
        }
        return;
    }
    if (inMode > kDropBallAfter + 1e-9) {
        dropBall(world_.ball().position(), now, "the kick-off was not taken within 15 s");
        return;
    }
    if (touchers_.empty() || !(now > rules_.modeSince() + 1e-9)) return;
    const Robot* toucher = world_.robot(touchers_.front());
    rules_.changeMode(PlayMode::PlayOn, now);
    if (toucher && robotsInGame() > 2) {
        setTaker(*toucher, now, true);
        kickOffRestricted_ = true;
        kickOffTeam_ = toucher->side;
    }
}

bool Referee::ballOnField(const Vec3& p) const {
    const FieldGeometry& f = world_.field();
    return std::fabs(p.x) < f.halfLength() + Ball::kRadius + kOutMargin &&
           std::fabs(p.y) < f.halfWidth() + Ball::kRadius + kOutMargin;
}

bool Referee::ballInGoal(const Vec3& before, const Vec3& after, bool& rightGoal) const {
    // The real server's goal is a box inside each goal that records the
    // ball: from one ball radius behind the goal line to one radius before
    // the back, one radius inside the posts, up to the bar. The ball scores
    // once it overlaps that box, i.e. once its centre is past the goal line.
    const FieldGeometry& f = world_.field();
    const double r = Ball::kRadius, line = f.halfLength();
    const double halfG = f.goalWidth() / 2.0;
    for (const double sign : {1.0, -1.0}) {
        const double x = sign * after.x;
        const Vec3 nearest{std::clamp(x, line + r, line + FieldGeometry::kGoalDepth - r),
                           std::clamp(after.y, -(halfG - r), halfG - r),
                           std::clamp(after.z, 0.0, FieldGeometry::kGoalHeight)};
        const Vec3 d{x - nearest.x, after.y - nearest.y, after.z - nearest.z};
        bool in = d.dot(d) < r * r;
        // A ball fast enough to pass the box within a step: where it
        // crossed the box's front.
        const double b = sign * before.x;
        if (!in && b <= line + r && x > line + r) {
            const double t = (line + r - b) / (x - b);
            const double y = before.y + (after.y - before.y) * t;
            const double z = before.z + (after.z - before.z) * t;
            in = std::fabs(y) < halfG && z < FieldGeometry::kGoalHeight;
        }
        if (in) {
            rightGoal = sign > 0.0;
            return true;
        }
    }
    return false;
}

void Referee::playOn(double now) {
    const Vec3 ball = world_.ball().position();
    bool rightGoal = false;
    if (haveBallBefore_ && ballInGoal(ballBefore_, ball, rightGoal)) {
        goal(rightGoal ? TeamSide::Left : TeamSide::Right, now);
        return;
    }
    if (!ballOnField(ball)) {
        ballOut(now);
        return;
    }
    freeKickSpot_ = ball;
    outNoted_ = false;
}

void Referee::goal(TeamSide scorer, double now) {
    const TeamSide conceding = opposite(scorer);
    std::string cancelled;
    PlayMode instead = PlayMode::PlayOn;
    if (robotsInGame() > 2) {
        if (taker_ >= 0 && takerSide_ == conceding) {
            cancelled = "an own goal straight from the kick taker";
            instead = sidedMode(PlayMode::CornerKickLeft, PlayMode::CornerKickRight, scorer);
        } else if (taker_ >= 0 && takerIndirect_ &&
                   takerLastTouch_ - takerFirstTouch_ < kDoubleTouch) {
            cancelled = "straight from an indirect kick";
            instead = sidedMode(PlayMode::GoalKickLeft, PlayMode::GoalKickRight, conceding);
        } else if (kickOffRestricted_ && kickOffTeam_ == scorer) {
            cancelled =
                "from the kick-off before the other team or a touch outside the centre circle";
            instead = sidedMode(PlayMode::GoalKickLeft, PlayMode::GoalKickRight, conceding);
        }
    }
    taker_ = -1;
    kickOffRestricted_ = false;
    if (cancelled.empty()) {
        rules_.scoreGoal(scorer, now);
        return;
    }
    rules_.note(std::string("goal for ") + teamSideName(scorer) + " not given: " + cancelled);
    rules_.changeMode(instead, now);
}

void Referee::ballOut(double now) {
    if (!everTouched_) {
        // As on the real server: nobody to blame, no set piece.
        if (!outNoted_) rules_.note("ball out, but no robot has touched it yet: play goes on");
        outNoted_ = true;
        return;
    }
    const Vec3 b = world_.ball().position();
    const FieldGeometry& f = world_.field();
    taker_ = -1;
    kickOffRestricted_ = false;
    if (std::fabs(b.x) >= f.halfLength()) {
        const TeamSide defender = b.x > 0.0 ? TeamSide::Right : TeamSide::Left;
        if (lastToucher_ == defender) {
            rules_.note("ball out over the goal line by the defenders");
            rules_.changeMode(
                sidedMode(PlayMode::CornerKickLeft, PlayMode::CornerKickRight, opposite(defender)),
                now);
        } else {
            rules_.note("ball out over the goal line");
            rules_.changeMode(sidedMode(PlayMode::GoalKickLeft, PlayMode::GoalKickRight, defender),
                              now);
        }
        return;
    }
    rules_.note("ball out over the side line at x " + TextFormat::fixed(freeKickSpot_.x, 2));
    rules_.changeMode(
        sidedMode(PlayMode::KickInLeft, PlayMode::KickInRight, opposite(lastToucher_)), now);
}

Vec3 Referee::setPieceSpot(PlayMode mode) const {
    const FieldGeometry& f = world_.field();
    const double r = Ball::kRadius;
    const TeamSide kicking = kickingTeam(mode);
    const Vec3 last = freeKickSpot_;
    switch (mode) {
        case PlayMode::KickInLeft:
        case PlayMode::KickInRight:
            // On the side line where the ball left, one radius inside.
            return {last.x, (last.y > 0.0 ? 1.0 : -1.0) * (f.halfWidth() - r), r};
        case PlayMode::CornerKickLeft:
        case PlayMode::CornerKickRight:
            // Not on the corner: the real server keeps an older field's spot,
            // a quarter of the field's width plus the goal's across.
            return {-towardOwnGoal(kicking) * (f.halfLength() - r),
                    (last.y >= 0.0 ? 1.0 : -1.0) * ((f.width() + f.goalWidth()) / 4.0 - r), r};
        case PlayMode::GoalKickLeft:
        case PlayMode::GoalKickRight:
            return {towardOwnGoal(kicking) * (f.halfLength() - kGoalKickDistance), 0.0, r};
        default: {
            // A free kick in a penalty area is taken from the area's front corner.
            Vec3 spot{last.x, last.y, r};
            for (const bool leftGoal : {true, false}) {
                if (f.inPenaltyArea(leftGoal, spot.x, spot.y)) {
                    spot.x =
                        (leftGoal ? -1.0 : 1.0) * (f.halfLength() - FieldGeometry::kPenaltyDepth);
                    spot.y = (spot.y >= 0.0 ? 1.0 : -1.0) * FieldGeometry::kPenaltyWidth / 2.0;
                }
            }
            return spot;
        }
    }
}

void Referee::clearAround(const Vec3& spot, bool bothTeams, TeamSide team, const std::string& rule,
                          const std::string& why) {
    const double halfL = world_.field().halfLength();
    for (Robot* r : drawnOrder()) {
        if (!bothTeams && r->side != team) continue;
        if (fouls_.held(r->clientId)) continue;
        if (!RobotExtent::sphereMeetsBox(spot, kCircle, RobotExtent::box(r->body()))) continue;
        const Vec3 p = r->body().torso().pos;
        Vec3 to{spot.x + towardOwnGoal(r->side) * kClearance, p.y, p.z};
        if (std::fabs(to.x) > halfL) {
            // Not behind the goal line: across the field, toward the middle.
            to = {p.x, spot.y + (spot.y > 0.0 ? -kClearance : kClearance), p.z};
        }
        mover_.moveRobot(*r, to, rule, why);
    }
}

void Referee::setPiece(double now) {
    const PlayMode mode = rules_.playMode();
    const TeamSide kicking = kickingTeam(mode);
    const double inMode = now - rules_.modeSince();
    // For a second the ball rolls on where it went.
    if (inMode + 1e-9 < kSetPiecePause) return;
    const FieldGeometry& f = world_.field();
    const bool goalKick = isGoalKick(mode);
    if (goalKick) {
        // The kicking team's penalty area is the other team's to leave.
        const double front = f.halfLength() - FieldGeometry::kPenaltyDepth,
                     halfW = FieldGeometry::kPenaltyWidth / 2.0;
        const double x0 = kicking == TeamSide::Left ? -f.halfLength() : front;
        const double x1 = kicking == TeamSide::Left ? -front : f.halfLength();
        for (Robot* r : drawnOrder()) {
            if (r->side == kicking || fouls_.held(r->clientId)) continue;
            if (!RobotExtent::rectMeets(RobotExtent::rectangle(r->body()), x0, x1, -halfW, halfW))
                continue;
            const Vec3 p = r->body().torso().pos;
            mover_.moveRobot(*r, {towardOwnGoal(kicking) * kGoalKickClearX, p.y, p.z},
                             "set-piece-clear",
                             "goal kick for the other team, in its penalty area");
        }
    } else {
        clearAround(spot_, false, opposite(kicking), "set-piece-clear",
                    spoken(mode) + " for the other team, within " + TextFormat::fixed(kCircle, 1) +
                        " m of the ball");
    }
    if (!repelled_) {
        // The kicking team gives the ball room, once.
        for (Robot* r : drawnOrder()) {
            if (r->side != kicking || fouls_.held(r->clientId)) continue;
            const Vec3 p = r->body().torso().pos;
            const double d = std::hypot(p.x - spot_.x, p.y - spot_.y);
            if (!(d < kRepel)) continue;
            const Vec3 dir = d > 1e-9 ? Vec3{(p.x - spot_.x) / d, (p.y - spot_.y) / d, 0.0}
                                      : Vec3{towardOwnGoal(kicking), 0.0, 0.0};
            mover_.moveRobot(*r, {spot_.x + dir.x * kRepel, spot_.y + dir.y * kRepel, p.z},
                             "kick-taker-repel", spoken(mode) + ", too close to the ball", true,
                             false);
        }
        repelled_ = true;
        repelledAt_ = now;
        putBall(spot_, "set-piece-spot", "the " + spoken(mode) + "'s spot");
        return;
    }
    const bool touched = !touchers_.empty() && now > repelledAt_ + 1e-9;
    const Robot* toucher = touched ? world_.robot(touchers_.front()) : nullptr;
    if (goalKick) {
        if (toucher && !goalKickTouched_) {
            goalKickTouched_ = true;
            setTaker(*toucher, now, false);
        }
        if (goalKickTouched_) {
            // Play goes on once the ball has left the area.
            const Vec3 b = world_.ball().position();
            const bool inArea = f.inPenaltyArea(kicking == TeamSide::Left, b.x, b.y);
            if (!inArea || !ballOnField(b)) {
                rules_.changeMode(PlayMode::PlayOn, now);
                return;
            }
        } else {
            holdBall(spot_);
        }
    } else {
        if (toucher) {
            rules_.changeMode(PlayMode::PlayOn, now);
            const bool indirect = mode == PlayMode::KickInLeft || mode == PlayMode::KickInRight ||
                                  mode == PlayMode::FreeKickLeft || mode == PlayMode::FreeKickRight;
            setTaker(*toucher, now, indirect);
            return;
        }
        holdBall(spot_);
    }
    if (inMode > kDropBallAfter + 1e-9) {
        dropBall(spot_, now, "the " + spoken(mode) + " was not taken within 15 s");
    }
}

void Referee::dropBall(Vec3 at, double now, const std::string& why) {
    const FieldGeometry& f = world_.field();
    for (const bool leftGoal : {true, false}) {
        if (f.inPenaltyArea(leftGoal, at.x, at.y)) {
            at.x = (leftGoal ? -1.0 : 1.0) * (f.halfLength() - FieldGeometry::kPenaltyDepth);
            at.y = (at.y >= 0.0 ? 1.0 : -1.0) * FieldGeometry::kPenaltyWidth / 2.0;
        }
    }
    if (std::fabs(at.y) >= f.halfWidth())
        at.y = (at.y > 0.0 ? 1.0 : -1.0) * (f.halfWidth() - Ball::kRadius);
    at.z = Ball::kRadius;
    putBall(at, "drop-ball", "drop ball: " + why);
    clearAround(at, true, TeamSide::Left, "drop-ball",
                "drop ball, within " + TextFormat::fixed(kCircle, 1) + " m of it");
    taker_ = -1;
    kickOffRestricted_ = false;
    rules_.changeMode(PlayMode::PlayOn, now);
}

void Referee::checkDoubleTouch(double now) {
    if (taker_ < 0 || std::find(touchers_.begin(), touchers_.end(), taker_) == touchers_.end())
        return;
    if (now - takerFirstTouch_ + 1e-9 < kDoubleTouch) {
        takerLastTouch_ = now;
        return;
    }
    const Robot* taker = world_.robot(taker_);
    const TeamSide awarded = opposite(takerSide_);
    if (taker)
        rules_.note(RuleMover::name(*taker) +
                    " touched the ball again after taking the kick: an indirect free kick for " +
                    teamSideName(awarded));
    if (taker) mover_.foul(*taker, "double-touch", "double touch", true);
    taker_ = -1;
    rules_.changeMode(sidedMode(PlayMode::FreeKickLeft, PlayMode::FreeKickRight, awarded), now);
}
