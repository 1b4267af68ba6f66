// The league's figures for people (tables on the console) and for programs
// (league.csv: one row per match and team, then one per team for the whole
// league; referee.csv: moves and fouls per rule).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "MatchFigures.h"
#include "TeamTotals.h"

class LeagueReport {
public:
    static void printMatch(std::ostream& out, const MatchFigures& match, int matches,
                           double wallSeconds);
    static void printTotals(std::ostream& out, const std::vector<MatchFigures>& matches,
                            const TeamTotals& a, const TeamTotals& b);

    static std::string leagueCsv(const std::vector<MatchFigures>& matches, const TeamTotals& a,
                                 const TeamTotals& b);
    static std::string refereeCsv(const std::vector<MatchFigures>& matches, const TeamTotals& a,
                                  const TeamTotals& b);

    // Falls per robot-minute; < 0 when no robot played.
    static double fallsPerRobotMinute(int falls, double robotSeconds);
};
