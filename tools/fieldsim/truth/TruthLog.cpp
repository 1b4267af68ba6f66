#include "truth/TruthLog.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "robot/NaoModel.h"
#include "util/TextFormat.h"

namespace {

constexpr double kRadToDeg = 180.0 / 3.14159265358979323846;

void field(std::string& out, const char* name, double value, int decimals) {
    out += '"';
    out += name;
    out += "\":";
    // Rounded first, so that a tiny negative value does not print as "-0.000".
    const double scale = std::pow(10.0, decimals);
    TextFormat::appendFixed(out, std::round(value * scale) / scale + 0.0, decimals);
}

void point(std::string& out, const char* name, const Vec3& p) {
    out += '"';
    out += name;
    out += "\":[";
    for (int i = 0; i < 3; ++i) {
        if (i) out += ',';
        const double v = i == 0 ? p.x : i == 1 ? p.y : p.z;
        TextFormat::appendFixed(out, std::round(v * 1e4) / 1e4 + 0.0, 4);
    }
    out += ']';
}

void who(std::string& out, TeamSide side, int unum) {
    out += "\"side\":\"";
    out += teamSideName(side);
    out += "\",\"unum\":" + std::to_string(unum);
}

void appendReferee(std::string& out, const RefereeRecord& record) {
    if (!record.entries.empty()) {
        out += ",\"referee\":[";
        for (size_t i = 0; i < record.entries.size(); ++i) {
            const RefereeEntry& e = record.entries[i];
            if (i) out += ',';
            out += "{\"rule\":" + TextFormat::jsonString(e.rule) + ',';
            if (e.ball) {
                out += "\"ball\":true,";
            } else {
                who(out, e.side, e.unum);
                out += ',';
            }
            if (e.foul) {
                out += "\"foul\":true}";
                continue;
            }
            point(out, "from", e.from);
            out += ',';
            point(out, "to", e.to);
            out += '}';
        }
        out += ']';
    }
    if (!record.touches.empty()) {
        out += ",\"touches\":[";
        for (size_t i = 0; i < record.touches.size(); ++i) {
            if (i) out += ',';
            out += '{';
            who(out, record.touches[i].side, record.touches[i].unum);
            out += '}';
        }
        out += ']';
    }
}

}  // namespace

TruthLog::~TruthLog() { close(); }

bool TruthLog::open(const std::string& path, std::string& error) {
    close();
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        error = "cannot write truth log " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void TruthLog::close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

std::string TruthLog::format(long long cycle, double now, const GameRules& rules, const World& world,
                             const RefereeRecord* referee) {
    std::string out = "{\"cycle\":" + std::to_string(cycle) + ",";
    field(out, "time", now, 3);
    out += ',';
    field(out, "game_time", rules.gameTime(), 3);
    out += ",\"play_mode\":\"";
    out += playModeName(rules.playMode());
    out += "\",\"score\":{\"left\":" + std::to_string(rules.score(TeamSide::Left)) +
           ",\"right\":" + std::to_string(rules.score(TeamSide::Right)) + "},\"ball\":{";
    const Ball& ball = world.ball();
    field(out, "x", ball.position().x, 4);
    out += ',';
    field(out, "y", ball.position().y, 4);
    out += ',';
    field(out, "z", ball.position().z, 4);
    out += ',';
    field(out, "vx", ball.velocity().x, 4);
    out += ',';
    field(out, "vy", ball.velocity().y, 4);
    out += "},\"robots\":[";
    bool first = true;
    for (const auto& [id, r] : world.robots()) {
        if (!r.joined) continue;
        if (!first) out += ',';
        first = false;
        const RobotBody& b = r.body();
        out += "{\"team\":" + TextFormat::jsonString(r.team) + ",\"side\":\"" + teamSideName(r.side) +
               "\",\"unum\":" + std::to_string(r.unum) + ',';
        field(out, "x", b.torso().pos.x, 4);
        out += ',';
        field(out, "y", b.torso().pos.y, 4);
        out += ',';
        field(out, "z", b.torso().pos.z, 4);
        out += ',';
        field(out, "yaw", b.heading(), 3);
        out += ',';
        field(out, "pitch", b.pitch(), 3);
        out += ',';
        field(out, "roll", b.roll(), 3);
        out += ",\"state\":\"";
        out += bodyStateName(b.state());
        out += "\",\"joints\":{";
        for (int j = 0; j < NaoModel::kJointCount; ++j) {
            if (j) out += ',';
            field(out, NaoModel::joint(j).perceptor, b.angle(j) * kRadToDeg, 3);
        }
        out += "},\"commands\":" + TextFormat::jsonString(r.cycleCommands) + "}";
    }
    out += "]";
    if (referee) appendReferee(out, *referee);
    out += "}";
    return out;
}

void TruthLog::record(long long cycle, double now, const GameRules& rules, const World& world,
                      const RefereeRecord* referee) {
    if (!file_ || failed_) return;
    const std::string line = format(cycle, now, rules, world, referee) + "\n";
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) {
        failed_ = true;  // the caller reports it once
    }
    std::fflush(file_);
}
