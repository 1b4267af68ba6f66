#include "game/Scenario.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "net/CommandDecoder.h"
#include "util/TextFormat.h"

namespace {

constexpr size_t kMaxFileSize = 4 * 1024 * 1024;

// White space is what the C locale calls space: a line of only \v, \f or \r
// is blank like one of spaces, and every word boundary is found the same way.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

struct Word {
    std::string text;
    size_t at = 0;  // where it starts in the line
};

std::vector<Word> words(const std::string& line) {
    std::vector<Word> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i == line.size()) break;
        const size_t start = i;
        while (i < line.size() && !isBlank(line[i])) ++i;
        out.push_back({line.substr(start, i - start), start});
    }
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
bool robotRef(const std::vector<Word>& w, size_t at, ScenarioEvent& e) {
    if (w.size() < at + 2) return false;
    if (teamSideFromName(w[at].text, e.side)) return uniformNumber(w[at + 1].text, e.unum);
    return uniformNumber(w[at].text, e.unum) && teamSideFromName(w[at + 1].text, e.side);
}

std::string quoted(const std::string& word) { return "'" + TextFormat::printable(word, 40) + "'"; }

// Values that no field, ball or robot can take are refused here, so that a
// typing slip cannot fling a robot to the end of the number range at run time.
bool withinBounds(const ScenarioEvent& e, const ScenarioBounds& b, std::string& why) {
    auto limit = [&](double v, double lo, double hi, const char* what) {
        if (v >= lo && v <= hi) return true;
        why = std::string(what) + " " + TextFormat::fixed(v, 3) + " is outside " + TextFormat::fixed(lo, 3) +
              " to " + TextFormat::fixed(hi, 3);
        if (std::fabs(v) >= 1e6) why = std::string(what) + " is absurdly large";
        return false;
    };
    const double reachX = b.halfLength + ScenarioBounds::kBorder;
    const double reachY = b.halfWidth + ScenarioBounds::kBorder;
    switch (e.kind) {
        case ScenarioEvent::Kind::PlaceBall:
            return limit(e.values[0], -reachX, reachX, "X") && limit(e.values[1], -reachY, reachY, "Y") &&
                   limit(e.values[2], 0.0, ScenarioBounds::kMaxHeight, "Z");
        case ScenarioEvent::Kind::PushBall:
            return limit(e.values[0], -ScenarioBounds::kMaxSpeed, ScenarioBounds::kMaxSpeed, "VX") &&
                   limit(e.values[1], -ScenarioBounds::kMaxSpeed, ScenarioBounds::kMaxSpeed, "VY") &&
                   limit(e.values[2], -ScenarioBounds::kMaxSpeed, ScenarioBounds::kMaxSpeed, "VZ");
        case ScenarioEvent::Kind::PlaceRobot:
            return limit(e.values[0], -reachX, reachX, "X") && limit(e.values[1], -reachY, reachY, "Y") &&
                   limit(e.values[2], -360.0, 360.0, "YAW");
        default:
            return true;
    }
}

bool parseLine(const std::string& line, const std::vector<Word>& w, int lineNo, const ScenarioBounds& bounds,
               ScenarioEvent& e, std::string& why) {
    e.line = lineNo;
    const std::string& when = w[0].text;
    if (when.rfind("cycle:", 0) == 0) {
        double c = 0.0;
        if (!number(when.substr(6), c) || c < 0 || c != std::floor(c) || c > 1e12) {
            why = "bad cycle " + quoted(when);
            return false;
        }
        e.cycle = static_cast<long long>(c);
    } else {
        double t = 0.0;
        if (!number(when, t) || t < 0 || t > 1e9) {
            why = "bad time " + quoted(when);
            return false;
        }
        // The first cycle whose server time has reached the event's time.
        e.cycle = static_cast<long long>(std::ceil(t / Scenario::kCycle - 1e-6));
    }
    if (w.size() < 2) {
        why = "no event";
        return false;
    }
    const std::string& ev = w[1].text;
    auto needValues = [&](size_t from, size_t count, size_t optional) {
        if (w.size() < from + count || w.size() > from + count + optional) return false;
        for (size_t k = 0; from + k < w.size(); ++k) {
            if (!number(w[from + k].text, e.values[k])) return false;
        }
        return true;
    };
    if (ev == "playmode") {
        e.kind = ScenarioEvent::Kind::PlayMode;
        if (w.size() != 3 || !playModeFromName(w[2].text, e.mode)) {
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
        if (w.size() != 5 || !robotRef(w, 2, e) || (w[4].text != "front" && w[4].text != "back")) {
            why = "knock-over needs SIDE UNUM front|back";
            return false;
        }
        e.front = w[4].text == "front";
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
        // The text is the rest of the line as written, from its first word on,
        // without the white space that ends the line.
        e.text = line.substr(w[4].at);
        while (!e.text.empty() && isBlank(e.text.back())) e.text.pop_back();
    } else if (ev == "stop") {
        e.kind = ScenarioEvent::Kind::Stop;
        if (w.size() != 2) {
            why = "stop takes no arguments";
            return false;
        }
    } else {
        why = "unknown event " + quoted(ev);
        return false;
    }
    return withinBounds(e, bounds, why);
}

}  // namespace

bool Scenario::load(const std::string& path, Scenario& out, std::string& error, const ScenarioBounds& bounds) {
    // A directory opens as a stream that reads nothing; it would pass as an
    // empty scenario and hide the mistake.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "scenario file " + path + " is a directory";
        return false;
    }
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
    if (in.bad()) {
        error = "cannot read scenario file " + path;
        return false;
    }
    return parse(text, out, error, bounds);
}

bool Scenario::parse(const std::string& text, Scenario& out, std::string& error, const ScenarioBounds& bounds) {
    out = Scenario{};
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::vector<Word> w = words(line);
        if (w.empty() || w[0].text[0] == '#') continue;
        ScenarioEvent e;
        std::string why;
        if (!parseLine(line, w, lineNo, bounds, e, why)) {
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
