#include "LeagueReport.h"

#include <cstdio>
#include <sstream>

#include "NumberFormat.h"

namespace {

// A figure, or "-" (on the console) / an empty cell (in the CSV) when there is none.
std::string orNone(double value, int decimals, bool defined, const char* none) {
    return defined ? formatFixed(value, decimals) : none;
}

std::string share(double part, double whole) {
    return whole > 0 ? formatFixed(100.0 * part / whole, 0) + "%" : "-";
}

std::string shareCell(double part, double whole) {
    return whole > 0 ? formatFixed(part / whole, 3) : "";
}

std::string pad(const std::string& text, size_t width, bool left = false) {
    if (text.size() >= width) return text;
    const std::string fill(width - text.size(), ' ');
    return left ? text + fill : fill + text;
}

std::string firstTouchText(const MatchFigures& m) {
    if (!m.kickedOff) return "no kick-off";
    if (m.firstTouch >= 0) {
        std::string text = formatFixed(m.firstTouch, 2) + " s after the kick-off";
        text += m.firstTouchFromTouches ? "" : " (the kick-off turned into play on)";
        if (!m.kickOffTouched) text += ", after the kick-off ended in " + m.kickOffEndedIn;
        return text;
    }
    if (m.kickOffSeconds >= 0) {
        return "none in the kick-off; it ended in " + m.kickOffEndedIn + " after " +
               formatFixed(m.kickOffSeconds, 1) + " s" +
               (m.touchesInLog ? "" : " (the log has no touches: none counted after it)");
    }
    return "none";
}

// The column titles over teamLine's columns; `second` names the second one.
std::string tableHead(const std::string& second) {
    return "  " + pad("", 10) + " " + pad(second, 7, true) + pad("goals", 6) + pad("falls", 7) +
           pad("per robot-min", 15) + pad("stand-ups", 11) + pad("mean up s", 11) +
           pad("never up", 10) + pad("moves", 7) + pad("fouls", 7) + pad("own 1st touch s", 17) +
           pad("ball own", 11) + " | opp half\n";
}

std::string teamLine(const std::string& name, const std::string& side, const std::string& goals,
                     int falls, double robotSeconds, int standUps, double standUpSeconds,
                     int neverUp, int moves, int fouls, const std::string& firstTouch, double own,
                     double opp, double played) {
    const double perMinute = LeagueReport::fallsPerRobotMinute(falls, robotSeconds);
    std::string line = "  " + pad(name, 10, true) + " " + pad(side, 7, true);
    line += pad(goals, 6) + pad(std::to_string(falls), 7);
    line += pad(orNone(perMinute, 2, perMinute >= 0, "-"), 15);
    line += pad(std::to_string(standUps), 11);
    line += pad(orNone(standUps > 0 ? standUpSeconds / standUps : 0, 2, standUps > 0, "-"), 11);
    line += pad(std::to_string(neverUp), 10) + pad(std::to_string(moves), 7) +
            pad(std::to_string(fouls), 7);
    line += pad(firstTouch, 17);
    line += pad(share(own, played), 11) + " | " + share(opp, played) + "\n";
    return line;
}

std::string rulesText(const std::map<std::string, RuleCount>& byRule) {
    std::string text;
    for (const auto& [rule, count] : byRule) {
        if (!text.empty()) text += ", ";
        text += rule;
        if (count.robotMoves > 0) text += " " + std::to_string(count.robotMoves) + " moved";
        if (count.fouls > 0)
            text += " " + std::to_string(count.fouls) + (count.fouls == 1 ? " foul" : " fouls");
    }
    return text;
}

std::string csvCell(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string resultWord(const TeamFigures& t) {
    return t.goalsFor > t.goalsAgainst ? "win" : t.goalsFor < t.goalsAgainst ? "loss" : "draw";
}

}  // namespace

double LeagueReport::fallsPerRobotMinute(int falls, double robotSeconds) {
    return robotSeconds > 0 ? falls / (robotSeconds / 60.0) : -1;
}

void LeagueReport::printMatch(std::ostream& out, const MatchFigures& m, int matches,
                              double wallSeconds) {
    out << "match " << m.match << "/" << matches << " (seed " << m.seed << "): " << m.left.team
        << " " << m.left.goalsFor << ":" << m.right.goalsFor << " " << m.right.team << " ("
        << m.left.team << " on the left), " << formatFixed(m.playedSeconds, 1) << " s played";
    if (wallSeconds >= 0) out << " in " << formatFixed(wallSeconds, 1) << " s of wall time";
    out << "\n  first touch: " << firstTouchText(m) << "\n" << tableHead("side");
    for (const TeamFigures* t : {&m.left, &m.right}) {
        out << teamLine(t->team, t->side, std::to_string(t->goalsFor), t->falls, t->robotSeconds,
                        t->standUps, t->standUpSeconds, t->neverUp, t->robotMoves, t->fouls,
                        orNone(t->firstTouch, 2, t->firstTouch >= 0, "-"), t->ballOwnHalfSeconds,
                        t->ballOppHalfSeconds, m.playedSeconds);
    }
    for (const TeamFigures* t : {&m.left, &m.right}) {
        if (!t->byRule.empty())
            out << "  referee, " << t->team << ": " << rulesText(t->byRule) << "\n";
    }
    if (!m.ballMovesByRule.empty()) {
        out << "  referee, ball:";
        for (const auto& [rule, n] : m.ballMovesByRule) out << " " << rule << " " << n;
        out << "\n";
    }
    for (const std::string& note : m.notes) out << "  note: " << note << "\n";
}

void LeagueReport::printTotals(std::ostream& out, const std::vector<MatchFigures>& matches,
                               const TeamTotals& a, const TeamTotals& b) {
    out << "League: " << matches.size() << " matches of " << a.team << " against " << b.team << ", "
        << formatFixed(a.playedSeconds, 1) << " s played\n";
    out << tableHead("W-D-L");
    for (const TeamTotals* t : {&a, &b}) {
        const std::string wdl = std::to_string(t->wins) + "-" + std::to_string(t->draws) + "-" +
                                std::to_string(t->losses);
        out << teamLine(
            t->team, wdl, std::to_string(t->goalsFor) + ":" + std::to_string(t->goalsAgainst),
            t->falls, t->robotSeconds, t->standUps, t->standUpSeconds, t->neverUp, t->robotMoves,
            t->fouls,
            orNone(t->teamFirstTouchSeconds / (t->teamFirstTouches > 0 ? t->teamFirstTouches : 1),
                   2, t->teamFirstTouches > 0, "-"),
            t->ballOwnHalfSeconds, t->ballOppHalfSeconds, t->playedSeconds);
    }
    int touched = 0, firstTouches = 0, refereeLogs = 0, touchLogs = 0;
    double firstTouchSum = 0;
    for (const MatchFigures& m : matches) {
        if (m.kickOffTouched) ++touched;
        if (m.firstTouch >= 0) {
            ++firstTouches;
            firstTouchSum += m.firstTouch;
        }
        if (m.refereeInLog) ++refereeLogs;
        if (m.touchesInLog) ++touchLogs;
    }
    out << "  kick-offs touched: " << touched << " of " << matches.size()
        << "; first touch after the kick-off: "
        << (firstTouches > 0 ? "mean " + formatFixed(firstTouchSum / firstTouches, 2) + " s in " +
                                   std::to_string(firstTouches) + " matches"
                             : std::string("none"))
        << "\n";
    for (const TeamTotals* t : {&a, &b}) {
        if (!t->byRule.empty())
            out << "  referee, " << t->team << ": " << rulesText(t->byRule) << "\n";
    }
    if (refereeLogs == 0)
        out << "  note: no truth log carries referee moves (a fieldsim without its referee?)\n";
    if (touchLogs == 0) {
        out << "  note: no truth log carries touches: a first touch is the kick-off turning into "
               "play on before "
               "the 15 s drop ball\n";
    }
}

std::string LeagueReport::leagueCsv(const std::vector<MatchFigures>& matches, const TeamTotals& a,
                                    const TeamTotals& b) {
    std::ostringstream csv;
    csv << "match,seed,team,side,opponent,goals_for,goals_against,result,played_s,robot_minutes,"
           "falls,"
           "falls_per_robot_minute,stand_ups,mean_stand_up_s,never_up,robot_moves,fouls,first_"
           "touch_s,"
           "first_touch_from,kick_off_touched,team_first_touch_s,ball_own_half,ball_opp_half\n";
    for (const MatchFigures& m : matches) {
        for (const TeamFigures* t : {&m.left, &m.right}) {
            const TeamFigures& other = t == &m.left ? m.right : m.left;
            const double perMinute = fallsPerRobotMinute(t->falls, t->robotSeconds);
            csv << m.match << "," << m.seed << "," << csvCell(t->team) << "," << t->side << ","
                << csvCell(other.team) << "," << t->goalsFor << "," << t->goalsAgainst << ","
                << resultWord(*t) << "," << formatFixed(m.playedSeconds, 2) << ","
                << formatFixed(t->robotSeconds / 60.0, 3) << "," << t->falls << ","
                << orNone(perMinute, 3, perMinute >= 0, "") << "," << t->standUps << ","
                << orNone(t->standUps > 0 ? t->standUpSeconds / t->standUps : 0, 3, t->standUps > 0,
                          "")
                << "," << t->neverUp << "," << t->robotMoves << "," << t->fouls << ","
                << orNone(m.firstTouch, 2, m.firstTouch >= 0, "") << ","
                << (m.firstTouch < 0          ? ""
                    : m.firstTouchFromTouches ? "touches"
                                              : "play_mode")
                << "," << (m.kickOffTouched ? "yes" : "no") << ","
                << orNone(t->firstTouch, 2, t->firstTouch >= 0, "") << ","
                << shareCell(t->ballOwnHalfSeconds, m.playedSeconds) << ","
                << shareCell(t->ballOppHalfSeconds, m.playedSeconds) << "\n";
        }
    }
    for (const TeamTotals* t : {&a, &b}) {
        const TeamTotals& other = t == &a ? b : a;
        const double perMinute = fallsPerRobotMinute(t->falls, t->robotSeconds);
        csv << "total,," << csvCell(t->team) << ",," << csvCell(other.team) << "," << t->goalsFor
            << "," << t->goalsAgainst << "," << t->wins << "-" << t->draws << "-" << t->losses
            << "," << formatFixed(t->playedSeconds, 2) << ","
            << formatFixed(t->robotSeconds / 60.0, 3) << "," << t->falls << ","
            << orNone(perMinute, 3, perMinute >= 0, "") << "," << t->standUps << ","
            << orNone(t->standUps > 0 ? t->standUpSeconds / t->standUps : 0, 3, t->standUps > 0, "")
            << "," << t->neverUp << "," << t->robotMoves << "," << t->fouls << ","
            << orNone(t->firstTouches > 0 ? t->firstTouchSeconds / t->firstTouches : 0, 2,
                      t->firstTouches > 0, "")
            << ",," << t->kickOffsTouched << "/" << t->matches << ","
            << orNone(t->teamFirstTouches > 0 ? t->teamFirstTouchSeconds / t->teamFirstTouches : 0,
                      2, t->teamFirstTouches > 0, "")
            << "," << shareCell(t->ballOwnHalfSeconds, t->playedSeconds) << ","
            << shareCell(t->ballOppHalfSeconds, t->playedSeconds) << "\n";
    }
    return csv.str();
}

std::string LeagueReport::refereeCsv(const std::vector<MatchFigures>& matches, const TeamTotals& a,
                                     const TeamTotals& b) {
    std::ostringstream csv;
    csv << "match,team,side,rule,robot_moves,fouls,ball_moves\n";
    std::map<std::string, int> ballTotals;
    for (const MatchFigures& m : matches) {
        for (const TeamFigures* t : {&m.left, &m.right}) {
            for (const auto& [rule, count] : t->byRule) {
                csv << m.match << "," << csvCell(t->team) << "," << t->side << "," << csvCell(rule)
                    << "," << count.robotMoves << "," << count.fouls << ",\n";
            }
        }
        for (const auto& [rule, n] : m.ballMovesByRule) {
            csv << m.match << ",,," << csvCell(rule) << ",,," << n << "\n";
            ballTotals[rule] += n;
        }
    }
    for (const TeamTotals* t : {&a, &b}) {
        for (const auto& [rule, count] : t->byRule) {
            csv << "total," << csvCell(t->team) << ",," << csvCell(rule) << "," << count.robotMoves
                << "," << count.fouls << ",\n";
        }
    }
    for (const auto& [rule, n] : ballTotals)
        csv << "total,,," << csvCell(rule) << ",,," << n << "\n";
    return csv.str();
}
