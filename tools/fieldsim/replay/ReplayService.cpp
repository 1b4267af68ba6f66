#include "replay/ReplayService.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

// Rounded as the truth log rounds, so that the answers read like it.
double round(double v, int decimals) {
    if (!std::isfinite(v)) return NAN;
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale + 0.0;
}

// Degrees into (-180, 180].
double wrap(double deg) {
    const double r = std::remainder(deg, 360.0);
    return r <= -180.0 ? r + 360.0 : r;
}

const char* sideName(bool right) { return right ? "right" : "left"; }

json robotJson(const ReplayRobot& r, const BeliefRow* belief, const ReplayFrame& f) {
    json o = {{"team", r.team}, {"side", sideName(r.right)}, {"unum", r.unum}, {"x", r.x}, {"y", r.y},
              {"z", r.z}, {"yaw", r.yaw}, {"pitch", r.pitch}, {"roll", r.roll}, {"state", r.state}};
    if (belief) {
        json b = {{"time", belief->time}, {"x", belief->x}, {"y", belief->y}, {"yaw", belief->yaw}};
        b["position_error"] = round(std::hypot(belief->x - r.x, belief->y - r.y), 4);
        b["heading_error"] = std::isnan(r.yaw) ? NAN : round(wrap(belief->yaw - r.yaw), 3);
        b["ball"] = nullptr;
        b["ball_error"] = NAN;
        if (std::isfinite(belief->ballX) && std::isfinite(belief->ballY)) {
            b["ball"] = {{"x", belief->ballX}, {"y", belief->ballY}};
            b["ball_error"] = round(std::hypot(belief->ballX - f.ballX, belief->ballY - f.ballY), 4);
        }
        o["belief"] = std::move(b);
    }
    return o;
}

bool toNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool toCount(const std::string& text, size_t& out) {
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = static_cast<size_t>(std::strtoull(text.c_str(), nullptr, 10));
    return true;
}

void plain(MonitorReply& reply, const std::string& status, const std::string& text) {
    reply.status = status;
    reply.contentType = "text/plain; charset=utf-8";
    reply.body = text + "\n";
}

}  // namespace

ReplayService::ReplayService(const ReplayRecording& recording, double loadSeconds) : recording_(recording) {
    buildIndex(loadSeconds);
}

std::string ReplayService::stateJson(size_t frame) const {
    const std::vector<ReplayFrame>& frames = recording_.frames();
    const ReplayFrame& f = frames[std::min(frame, frames.size() - 1)];
    json robots = json::array();
    for (const ReplayRobot& r : f.robots) {
        const BeliefTrack* track = recording_.trackOf(r.team, r.unum);
        robots.push_back(robotJson(r, track ? track->at(f.time) : nullptr, f));
    }
    const json state = {{"frame", std::min(frame, frames.size() - 1)},
                        {"cycle", f.cycle},
                        {"time", f.time},
                        {"game_time", f.gameTime},
                        {"play_mode", f.playMode},
                        {"score", {{"left", f.scoreLeft}, {"right", f.scoreRight}}},
                        {"ball", {{"x", f.ballX}, {"y", f.ballY}, {"z", f.ballZ}}},
                        {"robots", std::move(robots)}};
    return state.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string ReplayService::statesJson(size_t from, size_t count) const {
    const size_t n = recording_.frames().size();
    const size_t end = from >= n ? from : std::min(n, from + std::min(count, kMaxBatch));
    std::string out = "{\"from\":" + std::to_string(from) + ",\"states\":[";
    for (size_t i = from; i < end; ++i) {
        if (i > from) out += ',';
        out += stateJson(i);
    }
    out += "]}";
    return out;
}

void ReplayService::buildIndex(double loadSeconds) {
    const std::vector<ReplayFrame>& frames = recording_.frames();
    std::vector<std::string> notes = recording_.notes();

    // Every player the truth log has, left team first, by number.
    std::map<std::tuple<bool, int, std::string>, std::vector<std::pair<size_t, double>>> errors;
    std::map<std::string, std::string> teams;
    for (size_t i = 0; i < frames.size(); ++i) {
        for (const ReplayRobot& r : frames[i].robots) {
            auto& series = errors[{r.right, r.unum, r.team}];
            teams.emplace(sideName(r.right), r.team);
            const BeliefTrack* track = recording_.trackOf(r.team, r.unum);
            const BeliefRow* belief = track ? track->at(frames[i].time) : nullptr;
            if (belief) series.emplace_back(i, std::hypot(belief->x - r.x, belief->y - r.y));
        }
    }
    const size_t stretch = std::max<size_t>(1, (frames.size() + kPlotPoints - 1) / kPlotPoints);
    json players = json::array();
    for (const auto& [key, series] : errors) {
        const auto& [right, unum, team] = key;
        const BeliefTrack* track = recording_.trackOf(team, unum);
        json points = json::array();
        for (size_t k = 0; k < series.size();) {
            const size_t bucket = series[k].first / stretch;
            size_t worst = k;
            for (; k < series.size() && series[k].first / stretch == bucket; ++k) {
                if (series[k].second > series[worst].second) worst = k;
            }
            points.push_back({series[worst].first, round(series[worst].second, 3)});
        }
        players.push_back({{"team", team},
                           {"side", sideName(right)},
                           {"unum", unum},
                           {"beliefs", track != nullptr},
                           {"file", track ? track->file : std::string()},
                           {"error", std::move(points)}});
    }

    // Where the play mode changes and where a goal is scored.
    json marks = json::array();
    size_t dropped = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const ReplayFrame& f = frames[i];
        const ReplayFrame* before = i > 0 ? &frames[i - 1] : nullptr;
        std::vector<json> here;
        if (before && (f.scoreLeft > before->scoreLeft || f.scoreRight > before->scoreRight)) {
            const bool left = f.scoreLeft > before->scoreLeft;
            const auto team = teams.find(left ? "left" : "right");
            here.push_back({{"frame", i}, {"time", f.time}, {"game_time", f.gameTime}, {"kind", "goal"},
                            {"label", "Goal " + (team != teams.end() ? team->second : std::string(left ? "left" : "right")) +
                                          " " + std::to_string(f.scoreLeft) + ":" + std::to_string(f.scoreRight)}});
        }
        if (!before || f.playMode != before->playMode) {
            here.push_back({{"frame", i}, {"time", f.time}, {"game_time", f.gameTime}, {"kind", "mode"},
                            {"label", f.playMode.empty() ? std::string("?") : f.playMode}});
        }
        for (json& m : here) {
            if (marks.size() >= kMaxMarks) {
                ++dropped;
            } else {
                marks.push_back(std::move(m));
            }
        }
    }
    if (dropped > 0) {
        notes.push_back("the play mode changes more than " + std::to_string(kMaxMarks) +
                        " times; the timeline marks the first ones");
    }
    json teamNames = json::object();
    for (const auto& [side, team] : teams) teamNames[side] = team;
    const json index = {{"frames", frames.size()},
                        {"first_time", frames.front().time},
                        {"last_time", frames.back().time},
                        {"first_cycle", frames.front().cycle},
                        {"last_cycle", frames.back().cycle},
                        {"folder", recording_.folder()},
                        {"teams", std::move(teamNames)},
                        {"players", std::move(players)},
                        {"marks", std::move(marks)},
                        {"notes", notes},
                        {"load_seconds", round(loadSeconds, 3)}};
    index_ = index.dump(-1, ' ', false, json::error_handler_t::replace);
}

bool ReplayService::answer(const MonitorRequest& request, MonitorReply& reply) const {
    const std::string& path = request.path();
    const size_t n = recording_.frames().size();
    std::string value;
    if (path == "/state") {
        size_t frame = 0;
        double t = 0.0;
        if (request.parameter("t", value)) {
            if (!toNumber(value, t)) {
                plain(reply, "400 Bad Request", "t must be seconds of server time, e.g. /state?t=12.5");
                return true;
            }
            frame = recording_.frameAt(t);
        } else if (request.parameter("cycle", value)) {
            size_t cycle = 0;
            if (!toCount(value, cycle) || !recording_.frameOfCycle(static_cast<long long>(cycle), frame)) {
                plain(reply, "404 Not Found", "no cycle " + value + " in the truth log");
                return true;
            }
        }
        reply.body = stateJson(frame) + "\n";
        return true;
    }
    if (path == "/replay/index") {
        reply.body = index_ + "\n";
        return true;
    }
    if (path == "/replay/states") {
        size_t from = 0, count = 0;
        if (!request.parameter("from", value) || !toCount(value, from) || !request.parameter("count", value) ||
            !toCount(value, count)) {
            plain(reply, "400 Bad Request", "from and count must be frame numbers, e.g. /replay/states?from=0&count=250");
            return true;
        }
        reply.body = statesJson(std::min(from, n), count) + "\n";
        return true;
    }
    if (path == "/events") {
        plain(reply, "404 Not Found", "a replay has no live stream: /state?t=SECONDS and /replay/states serve it");
        return true;
    }
    return false;
}
