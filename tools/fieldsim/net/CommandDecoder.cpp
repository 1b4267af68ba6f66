#include "net/CommandDecoder.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "robot/NaoModel.h"

namespace {

DecodedCommand malformed(const std::string& problem) {
    DecodedCommand d;
    d.kind = DecodedCommand::Kind::Malformed;
    d.problem = problem;
    return d;
}

bool validName(const std::string& name) {
    if (name.empty() || name.size() > CommandDecoder::kMaxTeamName) return false;
    for (unsigned char c : name) {
        if (c < 0x21 || c > 0x7e) return false;
    }
    return true;
}

DecodedCommand decodeInit(const SExpr& e) {
    DecodedCommand d;
    d.kind = DecodedCommand::Kind::Init;
    bool haveTeam = false;
    for (size_t i = 1; i < e.items.size(); ++i) {
        const SExpr& part = e.items[i];
        std::vector<std::string> args;
        if (!part.isList || !part.atomArgs(args) || args.size() != 1) {
            return malformed("init: expected (unum N) and (teamname T)");
        }
        if (part.head() == "unum") {
            double v = 0.0;
            if (!CommandDecoder::parseNumber(args[0], v) || v != std::floor(v) || v < 0 || v > 1000) {
                return malformed("init: bad uniform number " + args[0]);
            }
            d.unum = static_cast<int>(v);
        } else if (part.head() == "teamname") {
            if (!validName(args[0])) return malformed("init: bad team name");
            d.teamName = args[0];
            haveTeam = true;
        } else {
            return malformed("init: unknown part " + part.head());
        }
    }
    if (!haveTeam) return malformed("init: no team name");
    return d;
}

}  // namespace

bool CommandDecoder::parseNumber(const std::string& text, double& out) {
    if (text.empty() || text.size() > 64) return false;
    const std::string copy(text);  // strtod needs a terminated text
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

DecodedCommand CommandDecoder::decode(const SExpr& e) {
    const std::string& name = e.head();
    std::vector<std::string> args;
    const bool plainArgs = e.atomArgs(args);

    const int joint = NaoModel::jointByEffector(name);
    if (joint >= 0) {
        double v = 0.0;
        if (!plainArgs || args.size() != 1) return malformed(name + ": expected one value");
        if (!parseNumber(args[0], v)) return malformed(name + ": not a finite number: " + args[0]);
        DecodedCommand d;
        d.kind = DecodedCommand::Kind::Action;
        d.action.kind = RobotAction::Kind::Joint;
        d.action.joint = joint;
        d.action.value = v;
        return d;
    }
    if (name == "beam") {
        if (!plainArgs || args.size() != 3) return malformed("beam: expected x y rot");
        DecodedCommand d;
        d.kind = DecodedCommand::Kind::Action;
        d.action.kind = RobotAction::Kind::Beam;
        for (int k = 0; k < 3; ++k) {
            if (!parseNumber(args[k], d.action.beam[k])) return malformed("beam: not a finite number: " + args[k]);
        }
        return d;
    }
    if (name == "say") {
        if (!plainArgs || args.size() != 1) return malformed("say: expected one word");
        DecodedCommand d;
        d.kind = DecodedCommand::Kind::Action;
        d.action.kind = RobotAction::Kind::Say;
        d.action.text = args[0];
        return d;
    }
    if (name == "scene") {
        if (!plainArgs || args.empty()) return malformed("scene: expected a path");
        DecodedCommand d;
        d.kind = DecodedCommand::Kind::Scene;
        d.path = args[0];
        return d;
    }
    if (name == "init") return decodeInit(e);
    if (name == "syn") {
        DecodedCommand d;
        d.kind = DecodedCommand::Kind::Sync;
        return d;
    }
    return DecodedCommand{};  // Unknown
}
