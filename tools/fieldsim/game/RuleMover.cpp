#include "game/RuleMover.h"

#include <vector>

#include "game/RobotExtent.h"
#include "util/TextFormat.h"

namespace {

std::string at(const Vec3& p) {
    return "(" + TextFormat::fixed(p.x, 2) + ", " + TextFormat::fixed(p.y, 2) + ")";
}

}  // namespace

RuleMover::RuleMover(World& world, GameRules& rules)
    : world_(world), rules_(rules), reposition_(world.field()) {}

void RuleMover::startCycle(double now) {
    now_ = now;
    record_.clear();
}

std::string RuleMover::name(const Robot& robot) {
    return std::string(teamSideName(robot.side)) + " " + std::to_string(robot.unum) + " (" +
           robot.team + ")";
}

Vec3 RuleMover::moveRobot(Robot& robot, const Vec3& target, const std::string& rule,
                          const std::string& why, bool safe, bool avoidBall, bool quiet) {
    const Vec3 from = robot.body().torso().pos;
    Vec3 to = target;
    if (safe) {
        const FieldGeometry& field = world_.field();
        const bool leftGoal = robot.side == TeamSide::Left;
        int inArea = 0;
        std::vector<Box3> others;
        for (auto& [id, other] : world_.robots()) {
            if (!other.joined || id == robot.clientId) continue;
            others.push_back(RobotExtent::box(other.body()));
            const Vec3 p = other.body().torso().pos;
            if (other.side == robot.side && field.inPenaltyArea(leftGoal, p.x, p.y)) ++inArea;
        }
        // No spot in the own penalty area when it already holds enough defenders.
        if (inArea >= kMaxInOwnArea && field.inPenaltyArea(leftGoal, to.x, to.y)) {
            to = field.outOfPenaltyArea(leftGoal, to, kAreaMargin);
        }
        const Vec3 aimed = to;
        if (!reposition_.find(from, aimed, avoidBall, world_.ball().position(), others, to)) {
            rules_.note("no safe spot near " + at(aimed) + " for " + name(robot) +
                        "; put there all the same");
        }
    }
    robot.body().relocate(to);
    lastMoved_[robot.clientId] = now_;
    RefereeEntry e;
    e.rule = rule;
    e.side = robot.side;
    e.unum = robot.unum;
    e.from = from;
    e.to = robot.body().torso().pos;
    record_.entries.push_back(e);
    if (!quiet)
        rules_.note(name(robot) + " moved by the referee from " + at(from) + " to " + at(e.to) +
                    ": " + why);
    return e.to;
}

void RuleMover::placeBall(const Vec3& spot, const std::string& rule, const std::string& why) {
    RefereeEntry e;
    e.rule = rule;
    e.ball = true;
    e.from = world_.ball().position();
    holdBall(spot);
    e.to = world_.ball().position();
    record_.entries.push_back(e);
    rules_.note("ball moved by the referee from " + at(e.from) + " to " + at(e.to) + ": " + why);
}

void RuleMover::holdBall(const Vec3& spot) { world_.ball().place(spot); }

void RuleMover::foul(const Robot& robot, const std::string& rule, const std::string& why,
                     bool quiet) {
    RefereeEntry e;
    e.rule = rule;
    e.foul = true;
    e.side = robot.side;
    e.unum = robot.unum;
    e.from = e.to = robot.body().torso().pos;
    record_.entries.push_back(e);
    if (!quiet) rules_.note(name(robot) + ": foul, " + why);
}

void RuleMover::touched(const Robot& robot) { record_.touches.push_back({robot.side, robot.unum}); }

double RuleMover::lastMoved(int clientId) const {
    const auto it = lastMoved_.find(clientId);
    return it == lastMoved_.end() ? -1e9 : it->second;
}
