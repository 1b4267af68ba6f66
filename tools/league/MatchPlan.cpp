#include "MatchPlan.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "NumberFormat.h"

namespace {

using Json = nlohmann::ordered_json;

// fieldsim's half: past it the game pauses for another kick-off countdown.
constexpr double kHalfTime = 300.0;

std::string fixed(double value) { return formatFixed(value, 3); }

Json teamJson(const TeamSetup& team) {
    return Json{{"name", team.name}, {"program", team.program}, {"params", team.params}};
}

bool readTeam(const Json& j, const char* key, TeamSetup& team) {
    const auto it = j.find(key);
    if (it == j.end() || !it->is_object()) return false;
    const auto name = it->find("name");
    if (name == it->end() || !name->is_string()) return false;
    team.name = name->get<std::string>();
    const auto program = it->find("program");
    if (program != it->end() && program->is_string()) team.program = program->get<std::string>();
    const auto params = it->find("params");
    if (params != it->end() && params->is_string()) team.params = params->get<std::string>();
    return isGoodLeagueTeamName(team.name);
}

}  // namespace

double MatchPlan::serverSeconds() const {
    const int breaks = seconds > kHalfTime + 1e-9 ? 1 : 0;
    return kickoffAfter * (1 + breaks) + seconds + 0.5;
}

std::vector<std::string> MatchPlan::serverArgs() const {
    // In lockstep the first cycle waits for every robot (--wait-for), and a
    // robot that is slow to answer is waited for long enough that a busy
    // machine does not change the match: the same seed plays the same match.
    std::vector<std::string> args = {"--model",
                                     "physics",
                                     "--pace",
                                     "lockstep",
                                     "--lockstep-timeout",
                                     "30",
                                     "--wait-for",
                                     std::to_string(2 * players),
                                     "--wait-timeout",
                                     "120",
                                     "--kickoff-after",
                                     fixed(kickoffAfter),
                                     "--duration",
                                     fixed(serverSeconds()),
                                     "--seed",
                                     std::to_string(seed),
                                     "--truth",
                                     "truth.jsonl"};
    if (noise) args.push_back("--noise");
    return args;
}

std::vector<std::string> MatchPlan::playerArgs(const TeamSetup& team, int unum) const {
    std::vector<std::string> args = {"--unum", std::to_string(unum), "--teamname", team.name};
    if (team.params == "design") {
        args.push_back("--design-params");
    } else if (team.params != "tuned") {
        args.push_back("--params");
        args.push_back(team.params);
    }
    return args;
}

std::string MatchPlan::toJson() const {
    const Json j = {{"match", number},
                    {"seed", seed},
                    {"left", teamJson(left)},
                    {"right", teamJson(right)},
                    {"players", players},
                    {"seconds", seconds},
                    {"kickoff_after", kickoffAfter},
                    {"noise", noise}};
    return j.dump(2) + "\n";
}

bool MatchPlan::fromJson(const std::string& text, MatchPlan& plan, std::string& error) {
    const Json j = Json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        error = "not JSON";
        return false;
    }
    const auto match = j.find("match");
    const auto seed = j.find("seed");
    const auto seconds = j.find("seconds");
    if (match == j.end() || !match->is_number_integer() || seed == j.end() ||
        !seed->is_number_unsigned() || seconds == j.end() || !seconds->is_number() ||
        !readTeam(j, "left", plan.left) || !readTeam(j, "right", plan.right)) {
        error = "match, seed, seconds or a team (left, right) missing";
        return false;
    }
    plan.number = match->get<int>();
    plan.seed = seed->get<unsigned long long>();
    plan.seconds = seconds->get<double>();
    if (!std::isfinite(plan.seconds) || plan.seconds <= 0) {
        error = "seconds is not above 0";
        return false;
    }
    const auto players = j.find("players");
    if (players != j.end() && players->is_number_integer()) plan.players = players->get<int>();
    const auto kickoff = j.find("kickoff_after");
    if (kickoff != j.end() && kickoff->is_number()) plan.kickoffAfter = kickoff->get<double>();
    const auto noise = j.find("noise");
    if (noise != j.end() && noise->is_boolean()) plan.noise = noise->get<bool>();
    return true;
}
