// The league program as a user runs it: one short match of one robot a side
// on fieldsim in lockstep, its CSV checked against itself and the truth log
// it leaves, read again with --analyse, and played again the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace {

// Generous for the sanitizer build on a busy machine; the match itself is
// 1 s of kick-off countdown and 2 s of play, served in lockstep.
constexpr int kLeagueMs = 150000;

struct LeagueRun {
    int status;
    std::string out, err;
};

LeagueRun league(const TempDir& dir, std::vector<std::string> args) {
    const std::string bin = BIN_DIR;
    args.insert(args.end(), {"--fieldsim", bin + "/fieldsim"});
    ChildProcess child;
    EXPECT_TRUE(child.start(bin + "/league", args, dir.path()));
    const int status = child.wait(kLeagueMs);
    return {status, child.out(), child.err()};
}

std::vector<std::string> shortMatch(const std::string& out, const std::string& seed) {
    const std::string agent = std::string(BIN_DIR) + "/matchagent";
    return {"--a",       agent, "--b",       agent, "--a-name",  "Ants", "--b-name",        "Bees",
            "--players", "1",   "--seconds", "2",   "--matches", "1",    "--kickoff-after", "1",
            "--seed",    seed,  "--jobs",    "1",   "--out",     out};
}

// The CSV as one map per row, by column name.
std::vector<std::map<std::string, std::string>> readCsv(const std::string& text) {
    std::vector<std::map<std::string, std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> head;
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream split(line);
        for (std::string cell; std::getline(split, cell, ',');) cells.push_back(cell);
        if (!line.empty() && line.back() == ',') cells.push_back("");
        if (head.empty()) {
            head = cells;
            continue;
        }
        EXPECT_EQ(cells.size(), head.size()) << line;
        rows.emplace_back();
        for (size_t i = 0; i < head.size() && i < cells.size(); ++i)
            rows.back()[head[i]] = cells[i];
    }
    return rows;
}

double number(const std::string& cell) { return std::strtod(cell.c_str(), nullptr); }

}  // namespace

TEST(LeagueEndToEnd, OneShortMatchLeavesAConsistentCsvAReplayableLogAndPlaysTheSameAgain) {
    TempDir dir;
    const LeagueRun run = league(dir, shortMatch(dir.file("out"), "5"));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("match 1/1 (seed 5): Ants"), std::string::npos) << run.out;

    const std::string csv = readWholeFile(dir.file("out/league.csv"));
    const auto rows = readCsv(csv);
    ASSERT_EQ(rows.size(), 4u) << csv;  // Ants and Bees in match 1, then each team's total
    const auto& ants = rows[0];
    const auto& bees = rows[1];
    EXPECT_EQ(ants.at("match"), "1");
    EXPECT_EQ(ants.at("seed"), "5");
    EXPECT_EQ(ants.at("team"), "Ants");
    EXPECT_EQ(ants.at("side"), "left");  // team A plays on the left in odd matches
    EXPECT_EQ(bees.at("side"), "right");
    EXPECT_EQ(ants.at("goals_for"), bees.at("goals_against"));
    EXPECT_EQ(ants.at("goals_against"), bees.at("goals_for"));
    EXPECT_EQ(ants.at("played_s"), "2.00");
    // One robot on the field for the whole match.
    EXPECT_NEAR(number(ants.at("robot_minutes")), 2.0 / 60, 0.001);
    EXPECT_LE(number(ants.at("stand_ups")) + number(ants.at("never_up")), number(ants.at("falls")));
    EXPECT_LE(number(ants.at("ball_own_half")) + number(ants.at("ball_opp_half")), 1.0 + 1e-9);
    EXPECT_EQ(ants.at("ball_own_half"), bees.at("ball_opp_half"));
    // With one match, each total is that match.
    EXPECT_EQ(rows[2].at("match"), "total");
    EXPECT_EQ(rows[2].at("team"), "Ants");
    for (const char* column :
         {"goals_for", "falls", "never_up", "robot_moves", "fouls", "ball_own_half"}) {
        EXPECT_EQ(rows[2].at(column), ants.at(column)) << column;
        EXPECT_EQ(rows[3].at(column), bees.at(column)) << column;
    }

    // The truth log stays beside the match, each line a cycle without the
    // joints, which the replay does not need; it runs to the end of play.
    const std::string truth = readWholeFile(dir.file("out/match-01/truth.jsonl"));
    ASSERT_FALSE(truth.empty());
    EXPECT_EQ(truth.find("\"joints\""), std::string::npos);
    std::istringstream lines(truth);
    std::string line;
    nlohmann::json last;
    bool bothTeams = false;
    while (std::getline(lines, line)) {
        last = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(last.is_discarded()) << line.substr(0, 200);
        const auto& robots = last["robots"];
        bothTeams = bothTeams || (robots.size() == 2 && robots[0]["team"] == "Ants" &&
                                  robots[0]["side"] == "left" && robots[1]["team"] == "Bees");
    }
    EXPECT_TRUE(bothTeams);
    EXPECT_GE(last["game_time"].get<double>(), 2.0);
    EXPECT_FALSE(readWholeFile(dir.file("out/match-01/fieldsim.log")).empty());
    EXPECT_FALSE(readWholeFile(dir.file("out/match-01/Ants/p1/out.txt")).empty());
    EXPECT_NE(readWholeFile(dir.file("out/summary.txt")).find("League: 1 matches"),
              std::string::npos);

    // Read again from its folder, the league comes to the same figures.
    const LeagueRun again = league(dir, {"--analyse", dir.file("out")});
    ASSERT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(readWholeFile(dir.file("out/league.csv")), csv);

    // The same seed plays the same match, however busy the machine.
    const LeagueRun replayed = league(dir, shortMatch(dir.file("out2"), "5"));
    ASSERT_EQ(replayed.status, 0) << replayed.out << replayed.err;
    EXPECT_TRUE(readWholeFile(dir.file("out2/match-01/truth.jsonl")) == truth)
        << "the second run's truth log differs from the first";
}

TEST(LeagueEndToEnd, ATeamThatCannotPlayIsNamedBeforeAnythingStarts) {
    TempDir dir;
    std::vector<std::string> args = shortMatch(dir.file("out"), "1");
    args[1] = dir.file("no-such-agent");
    const LeagueRun missing = league(dir, args);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("Ants's program " + dir.file("no-such-agent") + " cannot be run"),
              std::string::npos)
        << missing.err;

    // A parameter folder that is not there, and a program that would not
    // take the parameters asked for (it would play with its own, and the
    // league would measure the wrong team).
    args = shortMatch(dir.file("out"), "1");
    args.insert(args.end(), {"--b-params", dir.file("no-such-folder")});
    const LeagueRun folder = league(dir, args);
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err.find("are neither tuned, design nor a folder"), std::string::npos)
        << folder.err;
    args = shortMatch(dir.file("out"), "1");
    args[3] = std::string(BIN_DIR) + "/fieldsim";
    args.insert(args.end(), {"--b-params", "design"});
    const LeagueRun design = league(dir, args);
    EXPECT_EQ(design.status, 2);
    EXPECT_NE(design.err.find("does not take --design-params"), std::string::npos) << design.err;
}
