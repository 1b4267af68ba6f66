#include "trace/TraceComparison.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "util/TextFormat.h"

namespace {

constexpr const char* kVisionNote =
    "vision: not compared (the real server adds noise to what the robot sees; fieldsim runs "
    "without it)";

std::string at(long long cycle) {
    return "cycle " + std::to_string(cycle) + " (" +
           TextFormat::fixed(TraceComparison::timeOf(cycle), 2) + " s)";
}

std::string point(const Vec3& p) {
    return "(" + TextFormat::fixed(p.x, 2) + ", " + TextFormat::fixed(p.y, 2) + ")";
}

std::string eventLine(const TraceEvent& e) {
    std::string s = "  " + TextFormat::fixed(TraceComparison::timeOf(e.cycle), 2) + " s (cycle " +
                    std::to_string(e.cycle) + ") " + traceEventName(e.kind);
    if (e.kind == TraceEvent::Kind::RefereeMove)
        s += " from " + point(e.from) + " to " + point(e.to);
    if (e.kind == TraceEvent::Kind::Fall && !e.detail.empty()) s += " onto its " + e.detail;
    if (e.kind == TraceEvent::Kind::RefereeMove && !e.detail.empty()) s += " (" + e.detail + ")";
    return s + "\n";
}

nlohmann::json differenceJson(const DifferenceAt& d, bool presence) {
    if (d.cycle < 0) return nullptr;
    nlohmann::json j = {{"cycle", d.cycle}, {"time", TraceComparison::timeOf(d.cycle)}};
    if (!presence) j["diff"] = d.diff;
    if (!d.detail.empty()) j["detail"] = d.detail;
    return j;
}

nlohmann::json eventsJson(const std::vector<TraceEvent>& events) {
    nlohmann::json list = nlohmann::json::array();
    for (const TraceEvent& e : events) {
        nlohmann::json j = {{"kind", traceEventName(e.kind)},
                            {"cycle", e.cycle},
                            {"time", TraceComparison::timeOf(e.cycle)}};
        if (e.kind == TraceEvent::Kind::RefereeMove) {
            j["from"] = {e.from.x, e.from.y, e.from.z};
            j["to"] = {e.to.x, e.to.y, e.to.z};
            if (!e.detail.empty()) j["rule"] = e.detail;
        } else if (!e.detail.empty()) {
            j["onto"] = e.detail;
        }
        list.push_back(j);
    }
    return list;
}

}  // namespace

const char* traceEventName(TraceEvent::Kind kind) {
    switch (kind) {
        case TraceEvent::Kind::RefereeMove:
            return "referee move";
        case TraceEvent::Kind::Fall:
            return "fall";
        case TraceEvent::Kind::GotUp:
            return "up again";
    }
    return "?";
}

DifferenceTrack* TraceComparison::track(const std::string& name) {
    for (DifferenceTrack& t : tracks) {
        if (t.name() == name) return &t;
    }
    return nullptr;
}

DifferenceTrack* TraceComparison::trackAt(const std::string& name, long long cycle) {
    if (cycle < startCycles) {
        for (DifferenceTrack& t : startTracks) {
            if (t.name() == name) return &t;
        }
    }
    return track(name);
}

const DifferenceTrack* TraceComparison::track(const std::string& name) const {
    return const_cast<TraceComparison*>(this)->track(name);
}

std::string TraceComparison::text() const {
    std::string s = "trace " + tracePath + (what.empty() ? "" : " (" + what + ")") + "\n";
    s += "fieldsim " + model + " model, " + std::to_string(cycles) + " cycles (" +
         TextFormat::fixed(timeOf(cycles), 2) + " s) in lockstep, kick-off " +
         (kickoffCycle < 0 ? std::string("none") : "at " + at(kickoffCycle)) + "\n";
    s += "times are seconds since the first perception; a cycle is the perception's number\n\n";
    s +=
        "quantity            tolerance      first beyond it                   largest difference\n";
    for (const DifferenceTrack& t : tracks) {
        std::string line = t.name();
        line.resize(20, ' ');
        std::string tol = t.presence()
                              ? "differs"
                              : TextFormat::fixed(t.tolerance(), t.decimals()) + " " + t.unit();
        tol.resize(15, ' ');
        line += tol;
        std::string first;
        if (t.samples() == 0) {
            first = "not compared";
        } else if (t.firstOver().cycle < 0) {
            first = "never";
        } else {
            first = at(t.firstOver().cycle);
            if (!t.firstOver().detail.empty()) first += " " + t.firstOver().detail;
        }
        first.resize(std::max<size_t>(first.size() + 1, 34), ' ');
        line += first;
        if (t.samples() > 0 && t.presence()) {
            line +=
                std::to_string(t.cyclesOver()) + " of " + std::to_string(t.samples()) + " compared";
        } else if (t.samples() > 0) {
            const DifferenceAt& m = t.largest();
            line += TextFormat::fixed(m.diff, t.decimals()) + " " + t.unit() + " at " + at(m.cycle);
            if (!m.detail.empty()) line += " " + m.detail;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        s += line + "\n";
    }
    s += std::string("  ") + kVisionNote + "\n";
    s += "  torso, yaw and ball: each truth sample, mapped to cycle n by its wall time, against "
         "fieldsim's\n    cycles n-2 to n+1 (the monitor's timing), the closest counting\n";

    if (startCycles > 0) {
        s +=
            "  cycles before " + std::to_string(startCycles) +
            " (the robot built in the air, joining, its first beam and the drop) are judged apart:";
        std::string found;
        for (const DifferenceTrack& t : startTracks) {
            if (t.cyclesOver() == 0) continue;
            found += "\n    " + t.name() + " ";
            found += t.presence()
                         ? "differs in " + std::to_string(t.cyclesOver()) + " cycles"
                         : "up to " + TextFormat::fixed(t.largest().diff, t.decimals()) + " " +
                               t.unit() + " at " + at(t.largest().cycle) +
                               (t.largest().detail.empty() ? "" : " " + t.largest().detail);
        }
        s += found.empty() ? " all within the tolerances\n" : found + "\n";
    }
    s += "\nreal server (from its truth):\n";
    if (realEvents.empty()) s += "  no referee move, no fall\n";
    for (const TraceEvent& e : realEvents) s += eventLine(e);
    s += "fieldsim (falls and referee moves from its own records):\n";
    if (fieldsimEvents.empty()) s += "  no referee move, no fall\n";
    for (const TraceEvent& e : fieldsimEvents) s += eventLine(e);
    if (!notes.empty()) {
        s += "\nnotes:\n";
        for (const std::string& n : notes) s += "  " + n + "\n";
    }
    return s;
}

std::string TraceComparison::json() const {
    nlohmann::json j;
    j["trace"] = tracePath;
    j["what"] = what;
    j["model"] = model;
    j["cycles"] = cycles;
    j["kickoff_cycle"] = kickoffCycle < 0 ? nlohmann::json(nullptr) : nlohmann::json(kickoffCycle);
    nlohmann::json quantities = nlohmann::json::array();
    for (const DifferenceTrack& t : tracks) {
        nlohmann::json q = {
            {"name", t.name()},
            {"unit", t.unit()},
            {"tolerance", t.presence() ? nlohmann::json(nullptr) : nlohmann::json(t.tolerance())},
            {"samples", t.samples()},
            {"cycles_over", t.cyclesOver()},
            {"first_over", differenceJson(t.firstOver(), t.presence())},
            {"largest",
             t.presence() ? nlohmann::json(nullptr) : differenceJson(t.largest(), false)}};
        nlohmann::json series = nlohmann::json::array();
        for (const auto& [cycle, diff] : t.series())
            series.push_back({cycle, std::round(diff * 1e6) / 1e6});
        q["series"] = series;
        quantities.push_back(q);
    }
    j["quantities"] = quantities;
    j["start_cycles"] = startCycles;
    nlohmann::json start = nlohmann::json::array();
    for (const DifferenceTrack& t : startTracks) {
        start.push_back({{"name", t.name()},
                         {"samples", t.samples()},
                         {"cycles_over", t.cyclesOver()},
                         {"largest", t.presence() ? nlohmann::json(nullptr)
                                                  : differenceJson(t.largest(), false)}});
    }
    j["start"] = start;
    j["not_compared"] = {kVisionNote};
    j["real"] = eventsJson(realEvents);
    j["fieldsim"] = eventsJson(fieldsimEvents);
    j["notes"] = notes;
    j["console"] = console;
    // Text from a damaged trace may hold bytes that are not UTF-8.
    return j.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}
