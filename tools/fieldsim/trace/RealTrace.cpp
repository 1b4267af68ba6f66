#include "trace/RealTrace.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

bool finiteNumber(const json& j, double& out) {
    if (!j.is_number()) return false;
    out = j.get<double>();
    return std::isfinite(out);
}

bool vec3(const json& j, Vec3& out) {
    if (!j.is_array() || j.size() != 3) return false;
    double v[3];
    for (size_t i = 0; i < 3; ++i) {
        if (!finiteNumber(j[i], v[i])) return false;
    }
    out = {v[0], v[1], v[2]};
    return true;
}

// Collects the lines skipped for one reason: the first few by number, the
// rest counted, so a file of garbage gives a few lines of notes, not millions.
class SkipNotes {
public:
    void add(const std::string& why, long long line) {
        for (Entry& e : entries_) {
            if (e.why == why) {
                if (static_cast<int>(e.lines.size()) < RealTrace::kNamedLines)
                    e.lines.push_back(line);
                ++e.count;
                return;
            }
        }
        entries_.push_back({why, {line}, 1});
    }
    void into(std::vector<std::string>& notes) const {
        for (const Entry& e : entries_) {
            std::string s = e.count == 1 ? "line " : "lines ";
            for (size_t i = 0; i < e.lines.size(); ++i)
                s += (i ? ", " : "") + std::to_string(e.lines[i]);
            if (e.count > static_cast<long long>(e.lines.size())) {
                s += " and " + std::to_string(e.count - static_cast<long long>(e.lines.size())) +
                     " more";
            }
            notes.push_back(s + ": " + e.why + "; skipped");
        }
    }

private:
    struct Entry {
        std::string why;
        std::vector<long long> lines;
        long long count = 0;
    };
    std::vector<Entry> entries_;
};

class LineParser {
public:
    explicit LineParser(RealTrace& out) : out_(out) {}

    void line(const std::string& text, long long number, bool lastCutOff) {
        if (text.find_first_not_of(" \t\r") == std::string::npos) return;
        if (text.size() > RealTrace::kMaxLine) {
            skips_.add("longer than " + std::to_string(RealTrace::kMaxLine) + " bytes", number);
            return;
        }
        const json j = json::parse(text, nullptr, false);
        if (j.is_discarded() || !j.is_object()) {
            skips_.add(lastCutOff ? "cut off where the file ends" : "not a JSON object", number);
            return;
        }
        if (j.contains("meta")) {
            meta(j["meta"], number);
        } else if (j.contains("truth")) {
            truth(j["truth"], number);
        } else if (j.contains("n")) {
            perception(j, number);
        } else {
            skips_.add("neither meta, perception nor truth", number);
        }
    }

    void finish() { skips_.into(out_.notes); }

private:
    void meta(const json& m, long long number) {
        if (!m.is_object()) {
            skips_.add("a meta line that is not an object", number);
            return;
        }
        if (out_.hasMeta) {
            skips_.add("a second meta line", number);
            return;
        }
        out_.hasMeta = true;
        if (m.contains("skillrun") && m["skillrun"].is_array()) {
            for (const json& w : m["skillrun"]) {
                if (!w.is_string()) continue;
                if (!out_.what.empty()) out_.what += ' ';
                out_.what += w.get<std::string>();
            }
        }
        if (m.contains("before_first_perception") && m["before_first_perception"].is_array()) {
            for (const json& s : m["before_first_perception"]) {
                if (s.is_string()) out_.scene.push_back(s.get<std::string>());
            }
        }
        double k = -1.0;
        if (m.contains("kickoff_after_wall_s") && finiteNumber(m["kickoff_after_wall_s"], k)) {
            out_.kickoffAfterWall = k;
        }
    }

    void perception(const json& j, long long number) {
        TracePerception p;
        double n = 0;
        if (!finiteNumber(j["n"], n) || n < 0 ||
            n > static_cast<double>(RealTrace::kMaxPerceptions) || n != std::floor(n)) {
            skips_.add("a perception number that is not a whole number from 0 to " +
                           std::to_string(RealTrace::kMaxPerceptions),
                       number);
            return;
        }
        p.n = static_cast<long long>(n);
        if (!out_.perceptions.empty() && p.n <= out_.perceptions.back().n) {
            skips_.add("a perception number that does not go forward", number);
            return;
        }
        if (!j.contains("perception") || !j["perception"].is_string()) {
            skips_.add("a perception line without its message", number);
            return;
        }
        p.text = j["perception"].get<std::string>();
        if (!j.contains("now") || !finiteNumber(j["now"], p.now)) p.now = NAN;
        const double lastWall = out_.perceptions.empty() ? 0.0 : out_.perceptions.back().wall;
        if (!j.contains("wall") || !finiteNumber(j["wall"], p.wall) || p.wall < lastWall) {
            // Kept for its reply; its wall time stands at the last one.
            skips_.add(
                "a perception's wall time missing or going back (the message and reply are kept)",
                number);
            p.wall = lastWall;
        }
        if (j.contains("reply") && j["reply"].is_string()) {
            p.hasReply = true;
            p.reply = j["reply"].get<std::string>();
        }
        out_.perceptions.push_back(std::move(p));
    }

    void truth(const json& t, long long number) {
        if (out_.truths.size() >= RealTrace::kMaxTruths) {
            skips_.add("truth beyond " + std::to_string(RealTrace::kMaxTruths) + " lines", number);
            return;
        }
        TraceTruth truth;
        if (!t.is_object() || !t.contains("wall") || !finiteNumber(t["wall"], truth.wall)) {
            skips_.add("a truth line without its wall time", number);
            return;
        }
        if (!out_.truths.empty() && truth.wall < out_.truths.back().wall) {
            skips_.add("a truth line going back in time", number);
            return;
        }
        if (t.contains("play_mode") && t["play_mode"].is_string())
            truth.playMode = t["play_mode"].get<std::string>();
        if (t.contains("ball")) truth.hasBall = vec3(t["ball"], truth.ball);
        if (t.contains("robots") && t["robots"].is_array()) {
            for (const json& r : t["robots"]) {
                TraceRobotTruth robot;
                double unum = 0;
                const bool ok = r.is_object() && r.contains("side") && r["side"].is_string() &&
                                r.contains("unum") && finiteNumber(r["unum"], unum) && unum >= 0 &&
                                unum <= 99 && r.contains("pos") && vec3(r["pos"], robot.pos) &&
                                r.contains("yaw") && finiteNumber(r["yaw"], robot.yaw) &&
                                r.contains("upright") && finiteNumber(r["upright"], robot.upright);
                if (!ok) {
                    skips_.add(
                        "a robot in the truth without side, number, position, yaw or upright (the "
                        "robot)",
                        number);
                    continue;
                }
                robot.side = r["side"].get<std::string>();
                robot.unum = static_cast<int>(unum);
                if (r.contains("parts") && r["parts"].is_object()) {
                    for (const auto& [name, at] : r["parts"].items()) {
                        Vec3 c;
                        if (robot.parts.size() >= RealTrace::kMaxParts) break;
                        if (vec3(at, c)) robot.parts.emplace_back(name, c);
                    }
                }
                truth.robots.push_back(std::move(robot));
            }
        }
        out_.truths.push_back(std::move(truth));
    }

    RealTrace& out_;
    SkipNotes skips_;
};

}  // namespace

void RealTrace::parse(const std::string& text, RealTrace& out, bool complete) {
    LineParser parser(out);
    size_t start = 0;
    long long number = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const bool last = end == std::string::npos;
        ++number;
        parser.line(text.substr(start, (last ? text.size() : end) - start), number,
                    last || (!complete && end + 1 >= text.size()));
        if (last) break;
        start = end + 1;
    }
    parser.finish();
}

bool RealTrace::load(const std::string& path, RealTrace& out, std::string& error) {
    // zlib reads a plain file as it is, so one reader serves both forms.
    std::unique_ptr<gzFile_s, int (*)(gzFile)> file(gzopen(path.c_str(), "rb"), gzclose);
    if (!file) {
        error = "cannot open the trace " + path;
        return false;
    }
    std::string text;
    bool complete = true;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const int got = gzread(file.get(), chunk.data(), static_cast<unsigned>(chunk.size()));
        if (got > 0) {
            if (text.size() + static_cast<size_t>(got) > kMaxBytes) {
                out.notes.push_back("the trace is longer than " + std::to_string(kMaxBytes >> 20) +
                                    " MiB; the rest is left out");
                complete = false;
                break;
            }
            text.append(chunk.data(), static_cast<size_t>(got));
            continue;
        }
        if (got < 0) {
            int code = Z_OK;
            const char* what = gzerror(file.get(), &code);
            if (text.empty() && code == Z_ERRNO) {
                error = "cannot read the trace " + path + " (a folder, or not readable)";
                return false;
            }
            out.notes.push_back(std::string("the compressed data is damaged or cut off (") +
                                (what ? what : "?") + "); what came before is used");
            complete = false;
        } else if (gzeof(file.get()) == 0) {
            complete = false;
        }
        break;
    }
    // A gzip stream that ends early reads as a short stream: zlib says so
    // only through gzerror after the end.
    int code = Z_OK;
    gzerror(file.get(), &code);
    if (code == Z_BUF_ERROR && complete) {
        out.notes.push_back("the compressed data ends early; what came before is used");
        complete = false;
    }
    parse(text, out, complete);
    if (out.perceptions.empty()) {
        error = "no perception could be read from " + path + (text.empty() ? " (empty)" : "");
        return false;
    }
    if (!out.hasMeta)
        out.notes.push_back("no meta line: no scene is sent and no kick-off planned from it");
    return true;
}

long long RealTrace::indexOf(long long n) const {
    const auto it = std::lower_bound(perceptions.begin(), perceptions.end(), n,
                                     [](const TracePerception& p, long long v) { return p.n < v; });
    if (it == perceptions.end() || it->n != n) return -1;
    return it - perceptions.begin();
}

long long RealTrace::cycleAtWall(double wall) const {
    const auto it = std::upper_bound(perceptions.begin(), perceptions.end(), wall,
                                     [](double v, const TracePerception& p) { return v < p.wall; });
    if (it == perceptions.begin()) return -1;
    return (it - 1)->n;
}
