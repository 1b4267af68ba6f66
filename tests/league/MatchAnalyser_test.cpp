// The league's figures from small truth logs written here by hand: falls and
// stand-ups, the played time, goals, the ball's halves, referee moves, the
// first touch, and logs that are cut off, broken or empty of robots.
#include "MatchAnalyser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "LeagueReport.h"
#include "TruthLinePruning.h"

namespace {

using Json = nlohmann::json;

// One cycle of a truth log as fieldsim writes it, with what these tests need.
class Cycle {
public:
    Cycle(double time, double gameTime, const std::string& mode = "PlayOn") {
        line = {{"cycle", static_cast<long>(time / 0.02 + 0.5)},
                {"time", time},
                {"game_time", gameTime},
                {"play_mode", mode},
                {"score", {{"left", 0}, {"right", 0}}},
                {"ball", {{"x", 0.0}, {"y", 0.0}, {"z", 0.042}, {"vx", 0.0}, {"vy", 0.0}}},
                {"robots", Json::array()}};
    }
    Cycle& robot(const std::string& side, int unum, const std::string& state = "upright") {
        line["robots"].push_back({{"team", side == "left" ? "Ants" : "Bees"},
                                  {"side", side},
                                  {"unum", unum},
                                  {"x", 0.0},
                                  {"y", 0.0},
                                  {"z", 0.38},
                                  {"state", state},
                                  {"joints", {{"hj1", 0.0}}},
                                  {"commands", "(he1 0.0)"}});
        return *this;
    }
    Cycle& score(int left, int right) {
        line["score"] = {{"left", left}, {"right", right}};
        return *this;
    }
    Cycle& ball(double x) {
        line["ball"]["x"] = x;
        return *this;
    }
    Cycle& touch(const std::string& side, int unum) {
        line["touches"].push_back({{"side", side}, {"unum", unum}});
        return *this;
    }
    Cycle& referee(const Json& entry) {
        line["referee"].push_back(entry);
        return *this;
    }
    std::string text() const { return line.dump(); }

private:
    Json line;
};

constexpr double kKickOff = 3.0;  // server time of the kick-off in these logs

// A match of Ants (left) and Bees (right), `seconds` long, fed line by line.
class Match {
public:
    explicit Match(double seconds = 60) : analyser("Ants", "Bees", seconds) {}
    // Cycles from server time `from` to `to` (game time counted from the
    // kick-off), each made by `make`.
    template <typename Make>
    Match& cycles(double from, double to, Make make) {
        for (long k = static_cast<long>(from / 0.02 + 0.5); k <= static_cast<long>(to / 0.02 + 0.5);
             ++k) {
            const double t = k / 50.0;  // exact where the tests compare times
            const double game = t < kKickOff ? 0.0 : t - kKickOff;
            const std::string mode = t < kKickOff       ? "BeforeKickOff"
                                     : t < kKickOff + 5 ? "KickOff_Left"
                                                        : "PlayOn";
            Cycle c(t, game, mode);
            make(c, t);
            analyser.addLine(c.text());
        }
        return *this;
    }
    Match& line(const std::string& text, bool cutOff = false) {
        analyser.addLine(text, cutOff);
        return *this;
    }
    MatchFigures figures() const { return analyser.finish(); }

private:
    MatchAnalyser analyser;
};

bool mentions(const std::vector<std::string>& notes, const std::string& text) {
    for (const std::string& n : notes) {
        if (n.find(text) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST(MatchAnalyser, FallsAreStateChangesFromUprightAndStandUpsTimeTheWayBack) {
    // Ants 2 falls at 10 s, lies on its front, rolls onto its back (no new
    // fall) and is up at 13.5 s; it falls again at 20 s and never gets up.
    // Bees 1 lies from 30 s to 34 s.
    const MatchFigures m =
        Match(60)
            .cycles(0, 63,
                    [](Cycle& c, double t) {
                        const char* ants = t < 10     ? "upright"
                                           : t < 12   ? "front"
                                           : t < 13.5 ? "back"
                                           : t < 20   ? "upright"
                                                      : "front";
                        c.robot("left", 2, ants);
                        c.robot("right", 1, t >= 30 && t < 34 ? "back" : "upright");
                    })
            .figures();
    EXPECT_EQ(m.left.falls, 2);
    EXPECT_EQ(m.left.standUps, 1);
    EXPECT_NEAR(m.left.standUpSeconds, 3.5, 1e-9);
    EXPECT_EQ(m.left.neverUp, 1);
    EXPECT_EQ(m.right.falls, 1);
    EXPECT_EQ(m.right.standUps, 1);
    EXPECT_NEAR(m.right.standUpSeconds, 4.0, 1e-9);
    EXPECT_EQ(m.right.neverUp, 0);
    // One robot a side for the 60 s played: 2 falls in one robot-minute.
    EXPECT_NEAR(m.playedSeconds, 60.0, 1e-9);
    EXPECT_NEAR(m.left.robotSeconds, 60.0, 1e-9);
    EXPECT_NEAR(LeagueReport::fallsPerRobotMinute(m.left.falls, m.left.robotSeconds), 2.0, 1e-9);
}

TEST(MatchAnalyser, OnlyThePlayedTimeCountsFromTheKickOffToTheMatchLength) {
    // Ants 1 falls before the kick-off and gets up in play; Ants 3 lies at
    // the kick-off and gets up: neither is a fall. Bees 2 falls after the
    // 10 s played and a goal is scored then: neither counts.
    const MatchFigures m = Match(10)
                               .cycles(0, 20,
                                       [](Cycle& c, double t) {
                                           c.robot("left", 1, t > 1 && t < 5 ? "front" : "upright");
                                           c.robot("left", 3, t < 4 ? "back" : "upright");
                                           c.robot("right", 2, t > 14 ? "front" : "upright");
                                           if (t > 14) c.score(1, 0);
                                       })
                               .figures();
    EXPECT_TRUE(m.kickedOff);
    EXPECT_NEAR(m.playedSeconds, 10.0, 1e-9);
    EXPECT_EQ(m.left.falls, 0);
    EXPECT_EQ(m.left.standUps, 0);
    EXPECT_EQ(m.right.falls, 0);
    EXPECT_EQ(m.left.goalsFor, 0);
    EXPECT_NEAR(m.left.robotSeconds, 20.0, 1e-9);
}

TEST(MatchAnalyser, ARobotThatLeavesLyingNeverGotUpAndPlaysNoLonger) {
    const MatchFigures m = Match(20)
                               .cycles(0, 30,
                                       [](Cycle& c, double t) {
                                           if (t < 13)
                                               c.robot("right", 3, t < 8 ? "upright" : "front");
                                           c.robot("right", 1);
                                       })
                               .figures();
    EXPECT_EQ(m.right.falls, 1);
    EXPECT_EQ(m.right.neverUp, 1);
    EXPECT_EQ(m.right.standUps, 0);
    // Number 3 from the kick-off at 3 s until it left at 13 s, number 1 throughout.
    EXPECT_NEAR(m.right.robotSeconds, 10.0 + 20.0, 0.021);
}

TEST(MatchAnalyser, GoalsFollowTheScoreOfEachSideAndTheLogNamesTheTeams) {
    MatchAnalyser analyser("Ants", "Bees", 60);
    analyser.addLine(Cycle(3.0, 0.0, "KickOff_Left").robot("left", 1).score(0, 0).text());
    analyser.addLine(Cycle(3.02, 0.02).robot("left", 1).score(1, 0).text());
    analyser.addLine(Cycle(3.04, 0.04).robot("left", 1).score(1, 2).text());
    const MatchFigures m = analyser.finish();
    EXPECT_EQ(m.left.goalsFor, 1);
    EXPECT_EQ(m.left.goalsAgainst, 2);
    EXPECT_EQ(m.right.goalsFor, 2);
    EXPECT_EQ(m.right.goalsAgainst, 1);

    // Sent in as Bees on the left, but the log has Ants there: the log wins.
    MatchAnalyser swapped("Bees", "Ants", 60);
    swapped.addLine(Cycle(3.0, 0.0, "KickOff_Left").robot("left", 1).text());
    const MatchFigures s = swapped.finish();
    EXPECT_EQ(s.left.team, "Ants");
    EXPECT_TRUE(mentions(s.notes, "the log has Ants on the left, not Bees")) << s.notes.size();
}

TEST(MatchAnalyser, TheBallsHalvesAreEachTeamsOwnAndTheOpponentsAndTheLineIsNeither) {
    // 5 s on the line (kick-off), 10 s at x < 0, 5 s at x > 0.
    const MatchFigures m = Match(20)
                               .cycles(0, 23,
                                       [](Cycle& c, double t) {
                                           c.robot("left", 1);
                                           c.ball(t <= 8 ? 0.0 : t <= 18 ? -1.5 : 2.0);
                                       })
                               .figures();
    EXPECT_NEAR(m.left.ballOwnHalfSeconds, 10.0, 1e-6);
    EXPECT_NEAR(m.left.ballOppHalfSeconds, 5.0, 1e-6);
    EXPECT_NEAR(m.right.ballOwnHalfSeconds, 5.0, 1e-6);
    EXPECT_NEAR(m.right.ballOppHalfSeconds, 10.0, 1e-6);
}

TEST(MatchAnalyser, RefereeMovesAndFoulsAreCountedPerTeamAndRuleAndBallMovesApart) {
    const Json moved = {{"from", {0.5, 0.0, 0.38}}, {"to", {2.5, 0.0, 0.38}}};
    auto robotMove = [&moved](const std::string& rule, const std::string& side, int unum) {
        Json e = moved;
        e["rule"] = rule;
        e["side"] = side;
        e["unum"] = unum;
        return e;
    };
    const Json ballMove = {
        {"rule", "drop-ball"}, {"ball", true}, {"from", {1, 1, 0.042}}, {"to", {0, 0, 0.042}}};
    MatchAnalyser analyser("Ants", "Bees", 60);
    for (int k = 0; k <= 60; ++k) {
        Cycle c(3.0 + k / 50.0, k / 50.0, k == 0 ? "KickOff_Left" : "PlayOn");
        if (k == 0)
            c.referee(robotMove("kickoff-half", "right", 2))
                .referee(robotMove("kickoff-half", "right", 3));
        // Ants 2 charges: the foul, held above the field for 25 cycles (one
        // move), then set down off the field.
        if (k == 10)
            c.referee({{"rule", "charging"}, {"side", "left"}, {"unum", 2}, {"foul", true}});
        if (k >= 11 && k <= 35) c.referee(robotMove("charging", "left", 2));
        if (k == 36) c.referee(robotMove("off-field", "left", 2));
        // The ball dropped twice, the first time kept on its spot for 3 cycles.
        if ((k >= 20 && k <= 22) || k == 50) c.referee(ballMove);
        // Ants 3 moved by the same rule again after a cycle without.
        if (k == 40 || k == 42) c.referee(robotMove("drop-ball", "left", 3));
        if (k == 45)
            c.referee({{"side", "left"}, {"unum", 1}, {"from", {0, 0, 0}}, {"to", {1, 0, 0}}});
        if (k == 46) c.referee("not an entry").referee({{"rule", "drop-ball"}, {"side", "left"}});
        analyser.addLine(c.text());
    }
    const MatchFigures m = analyser.finish();
    EXPECT_TRUE(m.refereeInLog);
    EXPECT_EQ(m.right.robotMoves, 2);
    EXPECT_EQ(m.right.byRule.at("kickoff-half").robotMoves, 2);
    EXPECT_EQ(m.left.fouls, 1);
    EXPECT_EQ(m.left.byRule.at("charging").fouls, 1);
    EXPECT_EQ(m.left.byRule.at("charging").robotMoves, 1);
    EXPECT_EQ(m.left.byRule.at("off-field").robotMoves, 1);
    EXPECT_EQ(m.left.byRule.at("drop-ball").robotMoves, 2);
    EXPECT_EQ(m.left.byRule.at("?").robotMoves, 1);  // an entry without its rule
    EXPECT_EQ(m.left.robotMoves, 5);
    EXPECT_EQ(m.ballMovesByRule.at("drop-ball"), 2);
}

TEST(MatchAnalyser, TheFirstTouchComesFromTheTouchesPerTeamAndForTheMatch) {
    const MatchFigures m = Match(60)
                               .cycles(0, 30,
                                       [](Cycle& c, double t) {
                                           c.robot("left", 1).robot("right", 1);
                                           if (std::abs(t - 7.2) < 1e-6 || std::abs(t - 9.0) < 1e-6)
                                               c.touch("left", 1);
                                           if (std::abs(t - 12.0) < 1e-6) c.touch("right", 1);
                                       })
                               .figures();
    EXPECT_TRUE(m.touchesInLog);
    EXPECT_TRUE(m.firstTouchFromTouches);
    EXPECT_NEAR(m.firstTouch, 4.2, 1e-6);
    EXPECT_NEAR(m.left.firstTouch, 4.2, 1e-6);
    EXPECT_NEAR(m.right.firstTouch, 9.0, 1e-6);
    // The kick-off of these logs lasts 5 s and was touched inside them.
    EXPECT_TRUE(m.kickOffTouched);
    EXPECT_EQ(m.kickOffEndedIn, "PlayOn");
    EXPECT_NEAR(m.kickOffSeconds, 5.0, 1e-6);
}

TEST(MatchAnalyser, WithoutTouchesTheKickOffTurningIntoPlayBeforeTheDropBallIsTheFirstTouch) {
    // Play on 4.38 s after the kick-off: somebody touched the ball then.
    MatchAnalyser touched("Ants", "Bees", 60);
    touched.addLine(Cycle(2.98, 0, "BeforeKickOff").text());
    touched.addLine(Cycle(3.0, 0, "KickOff_Left").text());
    touched.addLine(Cycle(7.36, 4.36, "KickOff_Left").text());
    touched.addLine(Cycle(7.38, 4.38, "PlayOn").text());
    const MatchFigures t = touched.finish();
    EXPECT_FALSE(t.firstTouchFromTouches);
    EXPECT_TRUE(t.kickOffTouched);
    EXPECT_NEAR(t.firstTouch, 4.38, 1e-6);
    EXPECT_LT(t.left.firstTouch, 0);  // who touched is not known

    // Play on at 15 s: the referee dropped the ball, nobody touched it.
    MatchAnalyser dropped("Ants", "Bees", 60);
    dropped.addLine(Cycle(3.0, 0, "KickOff_Right").text());
    dropped.addLine(Cycle(18.0, 15.0, "PlayOn").text());
    const MatchFigures d = dropped.finish();
    EXPECT_FALSE(d.kickOffTouched);
    EXPECT_LT(d.firstTouch, 0);
    EXPECT_NEAR(d.kickOffSeconds, 15.0, 1e-6);
}

TEST(MatchAnalyser, ALineCutOffWhereTheLogEndsIsSkippedAndTheRestCounts) {
    std::ostringstream log;
    for (int k = 0; k <= 100; ++k) {
        log << Cycle(3.0 + 0.02 * k, 0.02 * k, k == 0 ? "KickOff_Left" : "PlayOn")
                   .robot("left", 1, k < 50 ? "upright" : "front")
                   .text()
            << "\n";
    }
    const std::string whole = Cycle(5.02, 2.02).robot("left", 1, "upright").text();
    log << whole.substr(0, whole.size() / 2);  // the server was stopped mid-line
    std::istringstream in(log.str());
    std::ostringstream pruned;
    MatchAnalyser analyser("Ants", "Bees", 60);
    analyser.readStream(in, &pruned);
    const MatchFigures m = analyser.finish();
    EXPECT_EQ(m.cycles, 101);
    EXPECT_EQ(m.badLines, 1);
    EXPECT_TRUE(mentions(m.notes, "line 102 skipped: cut off where the log ends"));
    EXPECT_EQ(m.left.falls, 1);
    EXPECT_EQ(m.left.neverUp, 1);  // the up it had in the cut line does not count
    EXPECT_NEAR(m.playedSeconds, 2.0, 1e-9);
    // The pruned copy keeps every line, the cut one too, without a line end
    // added, and without the joints.
    const std::string copy = pruned.str();
    EXPECT_EQ(std::count(copy.begin(), copy.end(), '\n'), 101);
    EXPECT_NE(copy.back(), '\n');
    EXPECT_EQ(copy.substr(0, copy.rfind('\n')).find("joints"), std::string::npos);
}

TEST(MatchAnalyser, ALogWithNoRobotsGivesNoFallRateAndNoTrouble) {
    const MatchFigures m = Match(10).cycles(0, 14, [](Cycle&, double) {}).figures();
    EXPECT_NEAR(m.playedSeconds, 10.0, 1e-9);
    EXPECT_EQ(m.left.robotSeconds, 0);
    EXPECT_EQ(m.left.falls, 0);
    EXPECT_LT(LeagueReport::fallsPerRobotMinute(m.left.falls, m.left.robotSeconds), 0);
    EXPECT_EQ(m.badLines, 0);

    // Nor does a log that never kicks off, or an empty one.
    const MatchFigures waiting =
        Match(10).cycles(0, 2, [](Cycle& c, double) { c.robot("left", 1); }).figures();
    EXPECT_FALSE(waiting.kickedOff);
    EXPECT_EQ(waiting.playedSeconds, 0);
    EXPECT_TRUE(mentions(waiting.notes, "never kicked off"));
    std::istringstream nothing("");
    MatchAnalyser empty("Ants", "Bees", 10);
    empty.readStream(nothing, nullptr);
    EXPECT_EQ(empty.finish().cycles, 0);
}

TEST(MatchAnalyser, LinesThatAreNoCycleAreCountedAndTheFirstFewNamed) {
    Match match(60);
    match.line(Cycle(3.0, 0, "KickOff_Left").robot("left", 1).text());
    match.line("not json");
    match.line("[1,2,3]");
    match.line(R"({"cycle":3,"time":"soon","game_time":0.04,"play_mode":"PlayOn"})");
    match.line("");
    match.line(
        R"({"cycle":4,"time":3.06,"game_time":0.06,"play_mode":"PlayOn","score":{},"ball":{},)"
        R"("robots":[{"side":"middle","unum":1,"state":"upright"},7]})");
    for (int i = 0; i < 5; ++i) match.line("{");
    const MatchFigures m = match.figures();
    EXPECT_EQ(m.cycles, 2);
    // Four broken lines, two broken robots, five more broken lines.
    EXPECT_EQ(m.badLines, 11);
    EXPECT_TRUE(mentions(m.notes, "line 2 skipped: not a JSON object"));
    EXPECT_TRUE(mentions(m.notes, "line 4 skipped: not a whole cycle"));
    EXPECT_TRUE(mentions(m.notes, "more lines skipped"));
    EXPECT_LE(m.notes.size(), 7u);

    // A line longer than the reader takes is skipped whole.
    std::istringstream in(Cycle(3.0, 0, "KickOff_Left").text() + "\n" +
                          std::string(MatchAnalyser::kMaxLine + 10, 'x') + "\n" +
                          Cycle(3.02, 0.02).text() + "\n");
    MatchAnalyser analyser("Ants", "Bees", 60);
    analyser.readStream(in, nullptr);
    const MatchFigures l = analyser.finish();
    EXPECT_EQ(l.cycles, 2);
    EXPECT_TRUE(mentions(l.notes, "line 2 skipped: longer than 1 MiB"));
}

TEST(TruthLinePruning, JointsAndCommandsGoAndEverythingElseStaysByteForByte) {
    // A command text may hold anything, even what looks like a member.
    const std::string commands = "\"(he1 0.0)(say \\\"joints\\\":{)\"";
    const std::string line =
        R"({"cycle":1,"time":0.020,"robots":[{"team":"A","unum":1,"x":-0.5000,"state":"upright",)"
        R"("joints":{"hj1":0.000,"hj2":-1.500},"commands":)" +
        commands + R"(},{"team":"B","commands":"","unum":2,"joints":{}}],"ball":{"x":0.0000}})";
    EXPECT_EQ(
        pruneTruthLine(line),
        R"({"cycle":1,"time":0.020,"robots":[{"team":"A","unum":1,"x":-0.5000,"state":"upright"},)"
        R"({"team":"B","unum":2}],"ball":{"x":0.0000}})");
    // The pruned line is still JSON, and a line that is not is left alone.
    EXPECT_FALSE(Json::parse(pruneTruthLine(line), nullptr, false).is_discarded());
    EXPECT_EQ(pruneTruthLine("not json {"), "not json {");
    EXPECT_EQ(pruneTruthLine(R"({"joints":{"a":)"), "{");
}
