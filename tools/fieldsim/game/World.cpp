#include "game/World.h"

World::World(const FieldGeometry& field) : field_(field) {}

Robot& World::addRobot(int clientId) {
    Robot& r = robots_[clientId];
    r.clientId = clientId;
    return r;
}

void World::removeRobot(int clientId) { robots_.erase(clientId); }

Robot* World::robot(int clientId) {
    auto it = robots_.find(clientId);
    return it == robots_.end() ? nullptr : &it->second;
}

const Robot* World::robot(int clientId) const {
    auto it = robots_.find(clientId);
    return it == robots_.end() ? nullptr : &it->second;
}

Robot* World::findRobot(TeamSide side, int unum) {
    for (auto& [id, r] : robots_) {
        if (r.joined && r.side == side && r.unum == unum) return &r;
    }
    return nullptr;
}

std::vector<const Robot*> World::joinedRobots() const {
    std::vector<const Robot*> out;
    for (const auto& [id, r] : robots_) {
        if (r.joined) out.push_back(&r);
    }
    return out;
}

void World::step(double dt) {
    for (auto& [id, r] : robots_) {
        r.body.stepJoints(dt);
        r.body.update(dt);
    }
    Contacts::separateRobots(robots_, field_);
    touch_ = Contacts::pushBall(ball_, robots_);
    ball_.step(dt);
    ball_.confine(field_.halfLength() + FieldGeometry::kBorder, field_.halfWidth() + FieldGeometry::kBorder);
}
