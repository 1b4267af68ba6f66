#include "game/World.h"

#include "robot/kinematic/KinematicModel.h"
#include "robot/physics/PhysicsModel.h"

const char* modelKindName(ModelKind kind) { return kind == ModelKind::Physics ? "physics" : "kinematic"; }

namespace {

std::unique_ptr<BodyModel> makeModel(ModelKind kind, const FieldGeometry& field) {
    if (kind == ModelKind::Physics) return std::make_unique<PhysicsModel>(field);
    return std::make_unique<KinematicModel>(field);
}

}  // namespace

World::World(const FieldGeometry& field, ModelKind model)
    : field_(field), kind_(model), model_(makeModel(model, field)) {}

World::~World() { robots_.clear(); }

Robot& World::addRobot(int clientId) {
    Robot& r = robots_[clientId];
    r.clientId = clientId;
    if (!r.bodyPtr) r.bodyPtr = model_->createBody();
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

void World::step(double dt, bool gamePaused) { contacts_ = model_->step(robots_, ball_, dt, gamePaused); }
