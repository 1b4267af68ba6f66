#include "TeamTotals.h"

void TeamTotals::add(const MatchFigures& match, const TeamFigures& mine) {
    ++matches;
    if (mine.goalsFor > mine.goalsAgainst)
        ++wins;
    else if (mine.goalsFor < mine.goalsAgainst)
        ++losses;
    else
        ++draws;
    goalsFor += mine.goalsFor;
    goalsAgainst += mine.goalsAgainst;
    playedSeconds += match.playedSeconds;
    robotSeconds += mine.robotSeconds;
    falls += mine.falls;
    standUps += mine.standUps;
    standUpSeconds += mine.standUpSeconds;
    neverUp += mine.neverUp;
    robotMoves += mine.robotMoves;
    fouls += mine.fouls;
    for (const auto& [rule, count] : mine.byRule) {
        byRule[rule].robotMoves += count.robotMoves;
        byRule[rule].fouls += count.fouls;
    }
    if (mine.firstTouch >= 0) {
        ++teamFirstTouches;
        teamFirstTouchSeconds += mine.firstTouch;
    }
    if (match.firstTouch >= 0) {
        ++firstTouches;
        firstTouchSeconds += match.firstTouch;
    }
    if (match.kickOffTouched) ++kickOffsTouched;
    ballOwnHalfSeconds += mine.ballOwnHalfSeconds;
    ballOppHalfSeconds += mine.ballOppHalfSeconds;
}
