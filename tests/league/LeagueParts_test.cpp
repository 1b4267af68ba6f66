// The league's command line, its match plans (what fieldsim and each player
// are started with, and the match.json read back), its totals and CSV, and
// how it tells that the players have connected and joined.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "LeagueOptions.h"
#include "LeagueReport.h"
#include "MatchPlan.h"
#include "MatchRunner.h"
#include "TeamTotals.h"
#include "support/CommandWords.h"

namespace {

std::string parseError(std::vector<std::string> words) {
    Words w(std::move(words), "league");
    LeagueOptions o;
    std::string error;
    EXPECT_EQ(parseLeagueOptions(w.argc(), w.argv(), o, error), LeagueParse::Error);
    return error;
}

bool has(const std::vector<std::string>& words, const std::vector<std::string>& run) {
    return std::search(words.begin(), words.end(), run.begin(), run.end()) != words.end();
}

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        rows.emplace_back();
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) rows.back().push_back(cell);
        if (!line.empty() && line.back() == ',') rows.back().push_back("");
    }
    return rows;
}

}  // namespace

TEST(LeagueOptions, DefaultsSwitchesAndValuesReachTheirFields) {
    Words none({});
    LeagueOptions d;
    std::string error;
    ASSERT_EQ(parseLeagueOptions(none.argc(), none.argv(), d, error), LeagueParse::Run) << error;
    EXPECT_EQ(d.players, 3);
    EXPECT_EQ(d.seconds, 60);
    EXPECT_EQ(d.matches, 10);
    EXPECT_TRUE(d.noise);
    EXPECT_EQ(d.a.params, "tuned");

    Words w({"--a",      "-odd/agent", "--b-params",    "design",
             "--a-name", "Ants",       "--b-name=Bees", "--players",
             "1",        "--seconds",  "2.5",           "--matches",
             "4",        "--no-noise", "--jobs",        "2",
             "--seed",   "7",          "--full-truth",  "--out",
             "x"});
    LeagueOptions o;
    ASSERT_EQ(parseLeagueOptions(w.argc(), w.argv(), o, error), LeagueParse::Run) << error;
    EXPECT_EQ(o.a.program, "-odd/agent");  // a program path is taken as it is
    EXPECT_EQ(o.b.params, "design");
    EXPECT_EQ(o.a.name, "Ants");
    EXPECT_EQ(o.b.name, "Bees");
    EXPECT_EQ(o.players, 1);
    EXPECT_EQ(o.seconds, 2.5);
    EXPECT_EQ(o.matches, 4);
    EXPECT_FALSE(o.noise);
    EXPECT_EQ(o.jobs, 2);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_TRUE(o.fullTruth);
    EXPECT_EQ(o.outDir, "x");

    Words help({"--matches", "3", "--help"});
    EXPECT_EQ(parseLeagueOptions(help.argc(), help.argv(), o, error), LeagueParse::Help);
}

TEST(LeagueOptions, MistakesAreNamedInOneLine) {
    EXPECT_EQ(parseError({"--a-name", "Same", "--b-name", "Same"}),
              "the two teams need different names (both are Same)");
    EXPECT_NE(parseError({"--a-name", "two words"}).find("bad value for --a-name"),
              std::string::npos);
    EXPECT_NE(parseError({"--b-name", "../up"}).find("bad value for --b-name"), std::string::npos);
    EXPECT_NE(parseError({"--players", "12"}).find("bad value for --players"), std::string::npos);
    EXPECT_NE(parseError({"--players", "2.5"}).find("bad value for --players"), std::string::npos);
    EXPECT_NE(parseError({"--seconds", "0"}).find("bad value for --seconds"), std::string::npos);
    EXPECT_NE(parseError({"--seconds", "nan"}).find("bad value for --seconds"), std::string::npos);
    EXPECT_NE(parseError({"--matches", "0"}).find("bad value for --matches"), std::string::npos);
    EXPECT_EQ(parseError({"--matches"}), "--matches needs a value");
    EXPECT_EQ(parseError({"--a"}), "--a needs a program");
    EXPECT_EQ(parseError({"--bogus"}), "unknown option --bogus");
    EXPECT_NE(parseError({"stray"}).find("unexpected word stray"), std::string::npos);
}

TEST(MatchPlan, FieldsimPlaysInLockstepForEveryRobotWithTheSeedAndEachTeamWithItsParameters) {
    MatchPlan plan;
    plan.players = 2;
    plan.seed = 42;
    plan.seconds = 60;
    plan.kickoffAfter = 3;
    const std::vector<std::string> server = plan.serverArgs();
    EXPECT_TRUE(has(server, {"--model", "physics"}));
    EXPECT_TRUE(has(server, {"--pace", "lockstep"}));
    EXPECT_TRUE(has(server, {"--wait-for", "4"}));
    EXPECT_TRUE(has(server, {"--seed", "42"}));
    EXPECT_TRUE(has(server, {"--kickoff-after", "3.000"}));
    EXPECT_TRUE(has(server, {"--duration", "63.500"}));
    EXPECT_TRUE(has(server, {"--truth", "truth.jsonl"}));
    EXPECT_TRUE(has(server, {"--noise"}));
    // A match past half time waits for a second kick-off.
    plan.seconds = 400;
    plan.noise = false;
    EXPECT_TRUE(has(plan.serverArgs(), {"--duration", "406.500"}));
    EXPECT_FALSE(has(plan.serverArgs(), {"--noise"}));

    TeamSetup tuned{"Ants", "/bin/agent", "tuned"};
    TeamSetup design{"Bees", "/bin/agent", "design"};
    TeamSetup folder{"Cats", "/bin/agent", "/tmp/params"};
    EXPECT_EQ(plan.playerArgs(tuned, 2),
              (std::vector<std::string>{"--unum", "2", "--teamname", "Ants"}));
    EXPECT_EQ(plan.playerArgs(design, 1),
              (std::vector<std::string>{"--unum", "1", "--teamname", "Bees", "--design-params"}));
    EXPECT_EQ(
        plan.playerArgs(folder, 3),
        (std::vector<std::string>{"--unum", "3", "--teamname", "Cats", "--params", "/tmp/params"}));
}

TEST(MatchPlan, WhatIsWrittenBesideAMatchReadsBackAndAnythingElseIsRefused) {
    MatchPlan plan;
    plan.number = 7;
    plan.seed = 1234567890123ULL;
    plan.left = {"Bees", "/x/matchagent", "design"};
    plan.right = {"Ants", "/x/agent", "tuned"};
    plan.players = 2;
    plan.seconds = 30;
    plan.noise = false;
    MatchPlan back;
    std::string error;
    ASSERT_TRUE(MatchPlan::fromJson(plan.toJson(), back, error)) << error;
    EXPECT_EQ(back.number, 7);
    EXPECT_EQ(back.seed, 1234567890123ULL);
    EXPECT_EQ(back.left.name, "Bees");
    EXPECT_EQ(back.left.params, "design");
    EXPECT_EQ(back.right.program, "/x/agent");
    EXPECT_EQ(back.players, 2);
    EXPECT_EQ(back.seconds, 30);
    EXPECT_FALSE(back.noise);

    EXPECT_FALSE(MatchPlan::fromJson("", back, error));
    EXPECT_FALSE(MatchPlan::fromJson("[]", back, error));
    EXPECT_FALSE(MatchPlan::fromJson(R"({"match":1,"seed":1,"seconds":60})", back, error));
    EXPECT_FALSE(MatchPlan::fromJson(
        R"({"match":1,"seed":1,"seconds":-5,"left":{"name":"A"},"right":{"name":"B"}})", back,
        error));
    EXPECT_FALSE(MatchPlan::fromJson(
        R"({"match":1,"seed":1,"seconds":60,"left":{"name":"../A"},"right":{"name":"B"}})", back,
        error));
}

TEST(LeagueReport, TotalsAddUpTheMatchesOfEachTeamWhicheverSideItPlayed) {
    // Ants win 2:1 on the left, then draw 0:0 on the right.
    MatchFigures first, second;
    first.match = 1;
    first.playedSeconds = 60;
    first.left = {"Ants", "left", 2, 1, 180, 6, 4, 14.0, 2, 3, 1, {{"charging", {0, 1}}},
                  4.0,    40,     20};
    first.right = {"Bees", "right", 1, 2, 180, 3, 3, 12.0, 0, 0, 0, {}, -1, 20, 40};
    first.firstTouch = 4.0;
    first.firstTouchFromTouches = true;
    first.kickOffTouched = true;
    second.match = 2;
    second.playedSeconds = 60;
    second.left = {"Bees", "left", 0, 0, 120, 2, 0, 0, 2, 1, 0, {{"drop_ball", {1, 0}}}, -1, 30, 0};
    second.right = {"Ants", "right", 0, 0, 120, 0, 0, 0, 0, 0, 0, {}, -1, 0, 30};
    TeamTotals ants, bees;
    ants.team = "Ants";
    bees.team = "Bees";
    ants.add(first, first.left);
    ants.add(second, second.right);
    bees.add(first, first.right);
    bees.add(second, second.left);
    EXPECT_EQ(ants.wins, 1);
    EXPECT_EQ(ants.draws, 1);
    EXPECT_EQ(bees.losses, 1);
    EXPECT_EQ(ants.goalsFor, 2);
    EXPECT_EQ(ants.falls, 6);
    EXPECT_EQ(ants.fouls, 1);
    EXPECT_EQ(bees.byRule.at("drop_ball").robotMoves, 1);
    EXPECT_EQ(ants.kickOffsTouched, 1);

    const auto rows = csvRows(LeagueReport::leagueCsv({first, second}, ants, bees));
    ASSERT_EQ(rows.size(), 7u);  // header, two rows per match, two totals
    const std::vector<std::string>& head = rows[0];
    auto cell = [&head](const std::vector<std::string>& row, const std::string& name) {
        const auto at = std::find(head.begin(), head.end(), name);
        return at == head.end() || static_cast<size_t>(at - head.begin()) >= row.size()
                   ? std::string("?")
                   : row[static_cast<size_t>(at - head.begin())];
    };
    for (const auto& row : rows) EXPECT_EQ(row.size(), head.size());
    EXPECT_EQ(cell(rows[1], "result"), "win");
    EXPECT_EQ(cell(rows[1], "falls_per_robot_minute"), "2.000");  // 6 falls in 3 robot-minutes
    EXPECT_EQ(cell(rows[1], "mean_stand_up_s"), "3.500");
    EXPECT_EQ(cell(rows[2], "team_first_touch_s"), "");  // Bees never touched it
    EXPECT_EQ(cell(rows[5], "match"), "total");
    EXPECT_EQ(cell(rows[5], "result"), "1-1-0");
    EXPECT_EQ(cell(rows[5], "falls_per_robot_minute"), "1.200");  // 6 falls in 5 robot-minutes
    EXPECT_EQ(cell(rows[5], "ball_own_half"), "0.333");           // 40 s of 120
    EXPECT_EQ(cell(rows[5], "kick_off_touched"), "1/2");
    EXPECT_EQ(cell(rows[6], "result"), "0-1-1");

    const std::string referee = LeagueReport::refereeCsv({first, second}, ants, bees);
    EXPECT_NE(referee.find("1,Ants,left,charging,0,1,"), std::string::npos) << referee;
    EXPECT_NE(referee.find("total,Bees,,drop_ball,1,0,"), std::string::npos) << referee;
}

TEST(MatchRunner, SocketsOnAPortAreCountedOnceEachByStateAndUnreadBytes) {
    // A listener on a free port that accepts nobody, as fieldsim held while
    // the players connect; two clients, one of which has sent something.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 8), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const unsigned short port = ntohs(address.sin_port);
    EXPECT_EQ(MatchRunner::socketsOnPort(port, "0A", false), 1);
    EXPECT_EQ(MatchRunner::socketsOnPort(port, "01", false), 0);

    int clients[2];
    for (int& c : clients) {
        c = socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_EQ(connect(c, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ASSERT_EQ(send(clients[1], "(scene)", 7, 0), 7);
    // The kernel completes both connections and takes the bytes at once on
    // the loopback; only the server's side counts (its local port).
    EXPECT_EQ(MatchRunner::socketsOnPort(port, "01", false), 2);
    EXPECT_EQ(MatchRunner::socketsOnPort(port, "01", true), 1);
    for (int c : clients) close(c);
    close(listener);

    EXPECT_EQ(MatchRunner::joinedLines(
                  "[0.00] client 1 (left 1 Ants) joined\n[0.00] 1 of 2 robots joined; "
                  "the clock waits\n[0.00] client 2 (right 1 Bees) joined\n"),
              2);
}
