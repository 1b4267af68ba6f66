#include "MatchAnalyser.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

#include "TruthLinePruning.h"

namespace {

using Json = nlohmann::json;

constexpr int kShownBadLines = 5;

bool number(const Json& object, const char* key, double& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number()) return false;
    out = it->get<double>();
    return true;
}

bool text(const Json& object, const char* key, std::string& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return false;
    out = it->get<std::string>();
    return true;
}

bool flag(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_boolean() && it->get<bool>();
}

bool isSide(const std::string& side) { return side == "left" || side == "right"; }

// Reads up to the next line end; a line longer than `limit` is read past and
// reported as too long. False at the end of the input with nothing read.
bool readLine(std::istream& in, std::string& line, size_t limit, bool& tooLong, bool& ended) {
    line.clear();
    tooLong = false;
    ended = false;
    std::streambuf* buffer = in.rdbuf();
    bool any = false;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            ended = true;
            return any;
        }
        any = true;
        if (c == '\n') return true;
        if (line.size() < limit)
            line.push_back(static_cast<char>(c));
        else
            tooLong = true;
    }
}

}  // namespace

MatchAnalyser::MatchAnalyser(const std::string& leftTeam, const std::string& rightTeam,
                             double seconds)
    : leftName_(leftTeam), rightName_(rightTeam), seconds_(seconds) {
    figures_.left.team = leftTeam;
    figures_.left.side = "left";
    figures_.right.team = rightTeam;
    figures_.right.side = "right";
}

void MatchAnalyser::note(const std::string& text) { figures_.notes.push_back(text); }

void MatchAnalyser::badLine(const std::string& why) {
    ++figures_.badLines;
    if (shownBadLines_ < kShownBadLines) {
        ++shownBadLines_;
        note("truth log line " + std::to_string(lineNumber_) + " skipped: " + why);
    } else if (shownBadLines_ == kShownBadLines) {
        ++shownBadLines_;
        note("more lines skipped; they are counted, not shown");
    }
}

TeamFigures& MatchAnalyser::team(const std::string& side) {
    return side == "left" ? figures_.left : figures_.right;
}

void MatchAnalyser::addLine(const std::string& line, bool cutOff) {
    ++lineNumber_;
    if (ended_) return;
    if (line.empty() && !cutOff) {
        badLine("empty");
        return;
    }
    const Json cycle = Json::parse(line, nullptr, false);
    if (cycle.is_discarded() || !cycle.is_object()) {
        badLine(cutOff ? "cut off where the log ends" : "not a JSON object");
        return;
    }
    double time = 0, gameTime = 0;
    std::string mode;
    const auto score = cycle.find("score");
    const auto ball = cycle.find("ball");
    const auto robots = cycle.find("robots");
    if (!number(cycle, "time", time) || !number(cycle, "game_time", gameTime) ||
        !text(cycle, "play_mode", mode) || score == cycle.end() || !score->is_object() ||
        ball == cycle.end() || !ball->is_object() || robots == cycle.end() || !robots->is_array()) {
        badLine("not a whole cycle (time, game_time, play_mode, score, ball or robots missing)");
        return;
    }
    ++figures_.cycles;

    // The played time starts with the first kick-off (or whatever mode
    // follows BeforeKickOff first).
    if (!started_) {
        if (mode == "BeforeKickOff") return;
        started_ = true;
        figures_.kickedOff = true;
        kickOffTime_ = time;
        kickOffMode_ = mode;
    }
    ++cycleIndex_;
    // Each cycle stands for the step that led to it; the kick-off cycle
    // itself only opens the played time.
    const double dt = cycleIndex_ == 1 ? 0.0 : kCycle;
    figures_.playedSeconds += dt;

    if (!kickOffOver_ && mode != kickOffMode_) {
        kickOffOver_ = true;
        figures_.kickOffEndedIn = mode;
        figures_.kickOffSeconds = time - kickOffTime_;
    }

    double left = 0, right = 0;
    if (number(*score, "left", left) && number(*score, "right", right)) {
        scoreLeft_ = static_cast<int>(left);
        scoreRight_ = static_cast<int>(right);
    }
    double ballX = 0;
    if (number(*ball, "x", ballX)) {
        if (ballX < 0)
            ballLeftHalf_ += dt;
        else if (ballX > 0)
            ballRightHalf_ += dt;
    }

    for (const Json& robot : *robots) {
        std::string side, state, name;
        double unum = 0;
        if (!robot.is_object() || !text(robot, "side", side) || !isSide(side) ||
            !number(robot, "unum", unum) || !text(robot, "state", state)) {
            badLine("a robot without side, number or state");
            continue;
        }
        TeamFigures& mine = team(side);
        bool& named = side == "left" ? namedLeft_ : namedRight_;
        if (!named && text(robot, "team", name)) {
            named = true;
            if (name != mine.team) {
                note("the log has " + name + " on the " + side + ", not " + mine.team);
                mine.team = name;
            }
        }
        mine.robotSeconds += dt;
        const std::string key = side + " " + std::to_string(static_cast<long>(unum));
        const bool upright = state == "upright";
        auto found = robots_.find(key);
        if (found == robots_.end()) {
            // Whatever it is doing when it is first seen in play is no fall.
            RobotTrack track;
            track.upright = upright;
            found = robots_.emplace(key, track).first;
        }
        RobotTrack& track = found->second;
        if (track.upright && !upright) {
            ++mine.falls;
            track.lyingSince = time;
        } else if (!track.upright && upright && track.lyingSince >= 0) {
            ++mine.standUps;
            mine.standUpSeconds += time - track.lyingSince;
            track.lyingSince = -1;
        }
        track.upright = upright;
        track.lastCycle = cycleIndex_;
    }
    // A robot that left the field lying never got up.
    for (auto it = robots_.begin(); it != robots_.end();) {
        if (it->second.lastCycle == cycleIndex_) {
            ++it;
            continue;
        }
        if (it->second.lyingSince >= 0) ++team(it->first.substr(0, it->first.find(' '))).neverUp;
        it = robots_.erase(it);
    }

    const auto touches = cycle.find("touches");
    if (touches != cycle.end() && touches->is_array()) {
        figures_.touchesInLog = true;
        for (const Json& touch : *touches) {
            std::string side;
            if (!touch.is_object() || !text(touch, "side", side) || !isSide(side)) continue;
            const double since = time - kickOffTime_;
            if (figures_.firstTouch < 0) {
                figures_.firstTouch = since;
                figures_.firstTouchFromTouches = true;
            }
            if (team(side).firstTouch < 0) team(side).firstTouch = since;
        }
    }

    const auto referee = cycle.find("referee");
    if (referee != cycle.end() && referee->is_array()) {
        figures_.refereeInLog = true;
        for (const Json& move : *referee) {
            if (!move.is_object()) continue;
            std::string rule = "?", side;
            double unum = 0;
            text(move, "rule", rule);
            const bool ball = flag(move, "ball");
            if (!ball &&
                (!text(move, "side", side) || !isSide(side) || !number(move, "unum", unum)))
                continue;
            const bool foul = !ball && flag(move, "foul");
            // A rule that keeps something where it put it moves it again in
            // every cycle (a robot held above the field, the ball on its
            // spot): one move until a cycle passes without it.
            const std::string key =
                (ball ? "ball" : side + " " + std::to_string(static_cast<long>(unum))) +
                (foul ? " foul " : " ") + rule;
            const auto last = lastMoved_.find(key);
            const bool again = last != lastMoved_.end() && last->second >= cycleIndex_ - 1;
            lastMoved_[key] = cycleIndex_;
            if (again) continue;
            if (ball) {
                ++figures_.ballMovesByRule[rule];
                continue;
            }
            TeamFigures& mine = team(side);
            if (foul) {
                ++mine.fouls;
                ++mine.byRule[rule].fouls;
            } else {
                ++mine.robotMoves;
                ++mine.byRule[rule].robotMoves;
            }
        }
    }

    if (gameTime >= seconds_ - 1e-6) ended_ = true;
}

MatchFigures MatchAnalyser::finish() const {
    MatchFigures out = figures_;
    for (const auto& [key, track] : robots_) {
        if (track.lyingSince < 0) continue;
        TeamFigures& mine = key.compare(0, 5, "left ") == 0 ? out.left : out.right;
        ++mine.neverUp;
    }
    out.left.goalsFor = out.right.goalsAgainst = scoreLeft_;
    out.right.goalsFor = out.left.goalsAgainst = scoreRight_;
    out.left.ballOwnHalfSeconds = out.right.ballOppHalfSeconds = ballLeftHalf_;
    out.right.ballOwnHalfSeconds = out.left.ballOppHalfSeconds = ballRightHalf_;

    if (out.firstTouch >= 0) {
        // Touched while the kick-off lasted (the touch ends it in that cycle
        // or the next).
        out.kickOffTouched = out.kickOffSeconds < 0 || out.firstTouch <= out.kickOffSeconds + 1e-6;
    } else if (out.kickOffSeconds >= 0 && out.kickOffSeconds < kKickOffTimeout - 1e-6) {
        // No touches in the log: a kick-off that turned into play before
        // the drop ball was ended by a touch.
        out.firstTouch = out.kickOffSeconds;
        out.kickOffTouched = true;
    }
    if (!out.kickedOff) out.notes.push_back("the game never kicked off: no played time");
    return out;
}

bool MatchAnalyser::readFile(const std::string& path, std::ostream* pruned, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read truth log " + path + ": " + std::strerror(errno);
        return false;
    }
    readStream(in, pruned);
    return true;
}

void MatchAnalyser::readStream(std::istream& in, std::ostream* pruned) {
    std::string line;
    bool tooLong = false, ended = false;
    while (readLine(in, line, kMaxLine, tooLong, ended)) {
        if (tooLong) {
            ++lineNumber_;
            badLine("longer than 1 MiB");
            continue;
        }
        addLine(line, ended);
        if (pruned != nullptr) *pruned << pruneTruthLine(line) << (ended ? "" : "\n");
    }
}
