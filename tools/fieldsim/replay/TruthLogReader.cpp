#include "replay/TruthLogReader.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include <nlohmann/json.hpp>

#include "replay/LineReader.h"

namespace {

using json = nlohmann::json;

// Picks what the replay draws out of one line as the JSON reader goes through
// it, without building the whole object: the joint angles and the commands
// are most of a line, and a game of a few minutes has tens of megabytes of
// them. Anything of the wrong type, or missing, stays NaN or empty and the
// line or robot is judged by what it lacks.
class FrameReader : public nlohmann::json_sax<json> {
public:
    void start(ReplayFrame& frame) {
        frame_ = &frame;
        stack_.clear();
        key_.clear();
        cycle = time = NAN;
        badRobots = 0;
        errorByte = 0;
    }

    double cycle = NAN, time = NAN;
    long long badRobots = 0;
    size_t errorByte = 0;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t v) override { return number(static_cast<double>(v)); }
    bool number_unsigned(number_unsigned_t v) override { return number(static_cast<double>(v)); }
    bool number_float(number_float_t v, const string_t&) override { return number(v); }
    bool binary(binary_t&) override { return true; }
    bool string(string_t& v) override {
        if (stack_.empty()) return true;
        if (stack_.back() == In::Top && key_ == "play_mode") frame_->playMode = v;
        if (stack_.back() != In::Robot) return true;
        if (key_ == "team") robot_.team = v;
        else if (key_ == "side") side_ = v;
        else if (key_ == "state") robot_.state = v;
        return true;
    }
    bool key(string_t& v) override {
        key_ = v;
        return true;
    }
    bool start_object(std::size_t) override {
        In in = In::Skip;
        if (stack_.empty()) {
            in = In::Top;
        } else if (stack_.back() == In::Top && key_ == "score") {
            in = In::Score;
        } else if (stack_.back() == In::Top && key_ == "ball") {
            in = In::Ball;
        } else if (stack_.back() == In::Robots) {
            in = In::Robot;
            robot_ = ReplayRobot();
            side_.clear();
            unum_ = NAN;
        }
        stack_.push_back(in);
        return true;
    }
    bool end_object() override {
        if (!stack_.empty() && stack_.back() == In::Robot) endRobot();
        if (!stack_.empty()) stack_.pop_back();
        return true;
    }
    bool start_array(std::size_t) override {
        stack_.push_back(!stack_.empty() && stack_.back() == In::Top && key_ == "robots" ? In::Robots : In::Skip);
        return true;
    }
    bool end_array() override {
        if (!stack_.empty()) stack_.pop_back();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) override {
        errorByte = position;
        return false;
    }

private:
    enum class In : unsigned char { Top, Score, Ball, Robots, Robot, Skip };

    bool number(double v) {
        if (stack_.empty() || !std::isfinite(v)) return true;
        switch (stack_.back()) {
            case In::Top:
                if (key_ == "cycle") cycle = v;
                else if (key_ == "time") time = v;
                else if (key_ == "game_time") frame_->gameTime = v;
                break;
            case In::Score:
                if (key_ == "left" || key_ == "right") (key_ == "left" ? frame_->scoreLeft : frame_->scoreRight) = score(v);
                break;
            case In::Ball:
                if (key_ == "x") frame_->ballX = v;
                else if (key_ == "y") frame_->ballY = v;
                else if (key_ == "z") frame_->ballZ = v;
                break;
            case In::Robot:
                robotNumber(v);
                break;
            default:
                break;
        }
        return true;
    }

    static int score(double v) { return v >= 0 && v < 1e6 ? static_cast<int>(v) : 0; }

    void robotNumber(double v) {
        if (key_ == "unum") unum_ = v;
        else if (key_ == "x") robot_.x = v;
        else if (key_ == "y") robot_.y = v;
        else if (key_ == "z") robot_.z = v;
        else if (key_ == "yaw") robot_.yaw = v;
        else if (key_ == "pitch") robot_.pitch = v;
        else if (key_ == "roll") robot_.roll = v;
    }

    void endRobot() {
        if (robot_.team.empty() || (side_ != "left" && side_ != "right") || !(unum_ >= 1 && unum_ <= 99) ||
            unum_ != std::floor(unum_) || std::isnan(robot_.x) || std::isnan(robot_.y)) {
            ++badRobots;
            return;
        }
        robot_.right = side_ == "right";
        robot_.unum = static_cast<int>(unum_);
        frame_->robots.push_back(std::move(robot_));
    }

    ReplayFrame* frame_ = nullptr;
    std::vector<In> stack_;
    std::string key_;
    ReplayRobot robot_;
    std::string side_;
    double unum_ = NAN;
};

// The kinds of line that are skipped, each counted and the first few named.
class Skipped {
public:
    void add(const std::string& kind, long long line, const std::string& detail = std::string()) {
        Kind& k = kinds_[kind];
        if (++k.count <= TruthLogReader::kNamedLines) {
            k.named.push_back("truth log line " + std::to_string(line) + " " + kind + (detail.empty() ? "" : " (" + detail + ")") +
                              "; skipped");
        }
    }
    void report(std::vector<std::string>& notes) const {
        for (const auto& [kind, k] : kinds_) {
            notes.insert(notes.end(), k.named.begin(), k.named.end());
            if (k.count > TruthLogReader::kNamedLines) {
                notes.push_back("truth log: " + std::to_string(k.count - TruthLogReader::kNamedLines) +
                                " more lines " + kind + "; skipped");
            }
        }
    }

private:
    struct Kind {
        long long count = 0;
        std::vector<std::string> named;
    };
    std::map<std::string, Kind> kinds_;
};

}  // namespace

bool TruthLogReader::read(const std::string& path, std::vector<ReplayFrame>& frames, std::vector<std::string>& notes,
                          std::string& error) {
    frames.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "cannot read the truth log " + path + ": " + std::strerror(errno);
        return false;
    }
    LineReader lines(file.get(), kMaxLine);
    FrameReader reader;
    Skipped skipped;
    long long badRobots = 0;
    long long lineNumber = 0;
    long long leftOut = 0;
    std::string line;
    while (lines.next(line)) {
        ++lineNumber;
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        if (frames.size() >= kMaxFrames) {
            ++leftOut;
            continue;
        }
        if (lines.cut()) {
            skipped.add("is longer than " + std::to_string(kMaxLine) + " bytes", lineNumber);
            continue;
        }
        ReplayFrame f;
        reader.start(f);
        if (!json::sax_parse(line, &reader)) {
            if (!lines.complete()) {
                skipped.add("is cut off: the log ends in the middle of it", lineNumber);
            } else {
                skipped.add("is not JSON", lineNumber, "at byte " + std::to_string(reader.errorByte));
            }
            continue;
        }
        const double cycle = reader.cycle, time = reader.time;
        if (std::isnan(cycle) || std::isnan(time) || std::fabs(cycle) > 1e15) {
            skipped.add("has no cycle or time", lineNumber);
            continue;
        }
        if (!frames.empty() && (time <= frames.back().time || cycle <= static_cast<double>(frames.back().cycle))) {
            skipped.add("goes back in time", lineNumber,
                        "cycle " + std::to_string(static_cast<long long>(cycle)) + " after cycle " +
                            std::to_string(frames.back().cycle));
            continue;
        }
        badRobots += reader.badRobots;
        f.cycle = static_cast<long long>(cycle);
        f.time = time;
        frames.push_back(std::move(f));
    }
    skipped.report(notes);
    if (badRobots > 0) {
        notes.push_back("truth log: " + std::to_string(badRobots) +
                        " robot entries without team, side, number or position; left out");
    }
    if (leftOut > 0) {
        notes.push_back("truth log: longer than " + std::to_string(kMaxFrames) + " cycles; the last " +
                        std::to_string(leftOut) + " lines are not played");
    }
    if (lines.failed()) notes.push_back("truth log: reading failed after line " + std::to_string(lineNumber));
    if (frames.empty()) {
        error = "the truth log " + path + " holds no cycle that can be played";
        return false;
    }
    return true;
}
