#include "game/Scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "net/CommandDecoder.h"

namespace {

constexpr size_t kMaxFileSize = 4 * 1024 * 1024;

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

bool number(const std::string& text, double& out) { return CommandDecoder::parseNumber(text, out); }

bool uniformNumber(const std::string& text, int& out) {
    double v = 0.0;
    if (!number(text, v) || v != std::floor(v) || v < 1 || v > 11) return false;
    out = static_cast<int>(v);
    return true;
}

// A robot is named by its side and number, in either order: "left 2" or "2 left".
bool robotRef(const std::vector<std::string>& w, size_t at, ScenarioEvent& e) {
    if (w.size() < at + 2) return false;
    if (teamSideFromName(w[at], e.side)) return uniformNumber(w[at + 1], e.unum);
    return uniformNumber(w[at], e.unum) && teamSideFromName(w[at + 1], e.side);
}

bool parseLine(const std::string& line, int lineNo, ScenarioEvent& e, std::string& why) {
    const std::vector<std::string> w = words(line);
    e.line = lineNo;
    const std::string& when = w[0];
    if (when.rfind("cycle:", 0) == 0) {
        double c = 0.0;
        if (!number(when.substr(6), c) || c < 0 || c != std::floor(c) || c > 1e12) {
            why = "bad cycle '" + when + "'";
            return false;
        }
        e.cycle = static_cast<long long>(c);
    } else {
        double t = 0.0;
        if (!number(when, t) || t < 0 || t > 1e9) {
            why = "bad time '" + when + "'";
            return false;
        }
        // The first cycle whose server time has reached the event's time.
        e.cycle = static_cast<long long>(std::ceil(t / Scenario::kCycle - 1e-6));
    }
    if (w.size() < 2) {
        why = "no event";
        return false;
    }
    const std::string& ev = w[1];
    auto needValues = [&](size_t from, size_t count, size_t optional) {
        if (w.size() < from + count || w.size() > from + count + optional) return false;
        for (size_t k = 0; from + k < w.size(); ++k) {
            if (!number(w[from + k], e.values[k])) return false;
        }
        return true;
    };
    if (ev == "playmode") {
        e.kind = ScenarioEvent::Kind::PlayMode;
        if (w.size() != 3 || !playModeFromName(w[2], e.mode)) {
            why = "playmode needs one play-mode word";
            return false;
        }
    } else if (ev == "place-ball") {
        e.kind = ScenarioEvent::Kind::PlaceBall;
        e.values[2] = 0.0;
        if (!needValues(2, 2, 1)) {
            why = "place-ball needs X Y [Z]";
            return false;
        }
    } else if (ev == "push-ball") {
        e.kind = ScenarioEvent::Kind::PushBall;
        e.values[2] = 0.0;
        if (!needValues(2, 2, 1)) {
            why = "push-ball needs VX VY [VZ]";
            return false;
        }
    } else if (ev == "knock-over") {
        e.kind = ScenarioEvent::Kind::KnockOver;
        if (w.size() != 5 || !robotRef(w, 2, e) || (w[4] != "front" && w[4] != "back")) {
            why = "knock-over needs SIDE UNUM front|back";
            return false;
        }
        e.front = w[4] == "front";
    } else if (ev == "place-robot") {
        e.kind = ScenarioEvent::Kind::PlaceRobot;
        if (w.size() != 7 || !robotRef(w, 2, e) || !needValues(4, 3, 0)) {
            why = "place-robot needs SIDE UNUM X Y YAW";
            return false;
        }
    } else if (ev == "drop-connection") {
        e.kind = ScenarioEvent::Kind::DropConnection;
        if (w.size() != 4 || !robotRef(w, 2, e)) {
            why = "drop-connection needs SIDE UNUM";
            return false;
        }
    } else if (ev == "send-raw") {
        e.kind = ScenarioEvent::Kind::SendRaw;
        if (w.size() < 5 || !robotRef(w, 2, e)) {
            why = "send-raw needs SIDE UNUM TEXT";
            return false;
        }
        // The text is the rest of the line as written, after the robot reference.
        size_t pos = 0;
        for (int k = 0; k < 4; ++k) {
            pos = line.find_first_not_of(" \t", pos);
            pos = line.find_first_of(" \t", pos);
        }
        pos = line.find_first_not_of(" \t", pos);
        e.text = line.substr(pos);
        while (!e.text.empty() && (e.text.back() == ' ' || e.text.back() == '\t')) e.text.pop_back();
    } else if (ev == "stop") {
        e.kind = ScenarioEvent::Kind::Stop;
        if (w.size() != 2) {
            why = "stop takes no arguments";
            return false;
        }
    } else {
        why = "unknown event '" + ev + "'";
        return false;
    }
    return true;
}

}  // namespace

bool Scenario::load(const std::string& path, Scenario& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read scenario file " + path;
        return false;
    }
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileSize) {
            error = "scenario file " + path + " is larger than 4 MiB";
            return false;
        }
    }
    return parse(text, out, error);
}

bool Scenario::parse(const std::string& text, Scenario& out, std::string& error) {
    out = Scenario{};
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        ScenarioEvent e;
        std::string why;
        if (!parseLine(line.substr(first), lineNo, e, why)) {
            error = "scenario line " + std::to_string(lineNo) + ": " + why;
            return false;
        }
        out.events_.push_back(e);
    }
    std::stable_sort(out.events_.begin(), out.events_.end(),
                     [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.cycle < b.cycle; });
    return true;
}

std::vector<ScenarioEvent> Scenario::due(long long cycle) {
    std::vector<ScenarioEvent> out;
    while (next_ < events_.size() && events_[next_].cycle <= cycle) {
        out.push_back(events_[next_++]);
    }
    return out;
}
