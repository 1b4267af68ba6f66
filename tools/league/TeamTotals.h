// Several matches of the same two teams added up, per team.
#pragma once

#include <map>
#include <string>

#include "MatchFigures.h"

struct TeamTotals {
    std::string team;
    int matches = 0;
    int wins = 0, draws = 0, losses = 0;
    int goalsFor = 0, goalsAgainst = 0;
    double playedSeconds = 0;
    double robotSeconds = 0;
    int falls = 0;
    int standUps = 0;
    double standUpSeconds = 0;
    int neverUp = 0;
    int robotMoves = 0;
    int fouls = 0;
    std::map<std::string, RuleCount> byRule;
    // This team's first touches (matches with one, and their sum).
    int teamFirstTouches = 0;
    double teamFirstTouchSeconds = 0;
    // First touches by anyone in the matches it played.
    int firstTouches = 0;
    double firstTouchSeconds = 0;
    int kickOffsTouched = 0;
    double ballOwnHalfSeconds = 0;
    double ballOppHalfSeconds = 0;

    void add(const MatchFigures& match, const TeamFigures& mine);
};
