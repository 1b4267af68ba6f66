#include "sense/PerceptionWriter.h"

#include "robot/NaoModel.h"
#include "util/TextFormat.h"
#include "sense/VisionSensor.h"

namespace {

constexpr double kRadToDeg = 180.0 / 3.14159265358979323846;

void appendTriple(std::string& out, const char* tag, const Vec3& v) {
    out += '(';
    out += tag;
    out += ' ';
    TextFormat::appendFixed(out, v.x);
    out += ' ';
    TextFormat::appendFixed(out, v.y);
    out += ' ';
    TextFormat::appendFixed(out, v.z);
    out += ')';
}

void appendJoint(std::string& out, const Robot& robot, int joint) {
    out += "(HJ (n ";
    out += NaoModel::joint(joint).perceptor;
    out += ") (ax ";
    TextFormat::appendFixed(out, robot.body().sensedAngle(joint) * kRadToDeg);
    out += "))";
}

void appendFoot(std::string& out, const char* name, const FootContact& foot) {
    if (!foot.touching) return;
    out += "(FRP (n ";
    out += name;
    out += ") ";
    appendTriple(out, "c", foot.centre);
    out += ' ';
    appendTriple(out, "f", foot.force);
    out += ')';
}

}  // namespace

PerceptionWriter::PerceptionWriter(const FieldGeometry& field, bool fullView, bool gsClassic)
    : field_(field), fullView_(fullView), gsClassic_(gsClassic) {}

void PerceptionWriter::appendGameState(std::string& out, const Robot& self, const GameSnapshot& game) const {
    out += "(GS ";
    if (self.identityPending) {
        out += "(unum " + std::to_string(self.unum) + ") (team ";
        out += teamSideName(self.side);
        out += ") ";
    }
    if (!gsClassic_) {
        out += "(sl " + std::to_string(game.scoreLeft) + ") (sr " + std::to_string(game.scoreRight) + ") ";
    }
    out += "(t ";
    TextFormat::appendFixed(out, game.gameTime);
    out += ") (pm ";
    out += playModeName(game.mode);
    out += "))";
}

bool PerceptionWriter::appendPolar(std::string& out, const char* name, const Robot& self, const Vec3& point,
                                   Random* noise) const {
    Polar p = VisionSensor::observe(self.body().camera(), point, self.visionCalibration);
    if (!VisionSensor::visible(p, fullView_)) return false;
    if (noise) VisionSensor::addNoise(p, *noise);
    out += '(';
    out += name;
    out += " (pol ";
    TextFormat::appendFixed(out, p.distance);
    out += ' ';
    TextFormat::appendFixed(out, p.azimuth);
    out += ' ';
    TextFormat::appendFixed(out, p.elevation);
    out += "))";
    return true;
}

std::string PerceptionWriter::writeVision(const Robot& self, const std::vector<const Robot*>& robots,
                                          const Ball& ball, Random* noise) const {
    std::string out = "(See";
    std::string item;
    for (const Landmark& mark : field_.landmarks()) {
        item.clear();
        if (appendPolar(item, mark.name.c_str(), self, mark.position, noise)) out += ' ' + item;
    }
    item.clear();
    if (appendPolar(item, "B", self, ball.position(), noise)) out += ' ' + item;

    struct Part {
        const char* name;
        VisiblePart part;
    };
    static const Part kParts[] = {
        {"head", VisiblePart::Head},
        {"rlowerarm", VisiblePart::RightLowerArm},
        {"llowerarm", VisiblePart::LeftLowerArm},
        {"rfoot", VisiblePart::RightFoot},
        {"lfoot", VisiblePart::LeftFoot},
    };
    for (const Robot* other : robots) {
        if (!other->joined) continue;
        std::string parts;
        for (const Part& part : kParts) {
            const Vec3 where = other->body().partCentre(part.part);
            item.clear();
            if (appendPolar(item, part.name, self, where, noise)) parts += ' ' + item;
        }
        if (parts.empty()) continue;
        out += " (P (team " + other->team + ") (id " + std::to_string(other->unum) + ")" + parts + ")";
    }
    out += ')';
    return out;
}

std::string PerceptionWriter::write(const Robot& self, const GameSnapshot& game,
                                    const std::vector<std::string>& hear, bool withVision,
                                    const std::vector<const Robot*>& robots, const Ball& ball,
                                    Random* noise) const {
    std::string out;
    out.reserve(2048);
    out += "(time (now ";
    TextFormat::appendFixed(out, game.now);
    out += "))";
    appendGameState(out, self, game);
    for (const std::string& h : hear) out += h;
    out += "(GYR (n torso) ";
    appendTriple(out, "rt", self.body().gyro());
    out += ")(ACC (n torso) ";
    appendTriple(out, "a", self.body().accelerometer());
    out += ')';
    appendJoint(out, self, NaoModel::HJ1);
    appendJoint(out, self, NaoModel::HJ2);
    if (withVision) out += writeVision(self, robots, ball, noise);
    for (int j = NaoModel::RAJ1; j <= NaoModel::LAJ4; ++j) appendJoint(out, self, j);
    for (int j = NaoModel::RLJ1; j <= NaoModel::RLJ5; ++j) appendJoint(out, self, j);
    appendFoot(out, "rf", self.body().rightFoot());
    appendJoint(out, self, NaoModel::RLJ6);
    for (int j = NaoModel::LLJ1; j <= NaoModel::LLJ5; ++j) appendJoint(out, self, j);
    appendFoot(out, "lf", self.body().leftFoot());
    appendJoint(out, self, NaoModel::LLJ6);
    return out;
}
