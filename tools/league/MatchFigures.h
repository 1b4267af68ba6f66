// What one match came to, per team, as read from fieldsim's truth log.
#pragma once

#include <map>
#include <string>
#include <vector>

// Moves and fouls the referee charged under one rule.
struct RuleCount {
    int robotMoves = 0;
    int fouls = 0;
};

struct TeamFigures {
    std::string team;
    std::string side;  // "left" or "right"
    int goalsFor = 0;
    int goalsAgainst = 0;
    // Robots on the field times the played time.
    double robotSeconds = 0;
    // A fall: a robot's state leaving "upright".
    int falls = 0;
    // Falls after which the robot stood upright again, and how long that took
    // from the first cycle it was not upright to the first it was again.
    int standUps = 0;
    double standUpSeconds = 0;
    // Falls after which the robot was not upright again by the end (or left).
    int neverUp = 0;
    // Robots of this team the referee moved, and fouls called on them; a
    // rule that moves a robot in consecutive cycles (a robot held above
    // the field) counts once.
    int robotMoves = 0;
    int fouls = 0;
    std::map<std::string, RuleCount> byRule;
    // From the first kick-off to this team's first touch of the ball; < 0: none.
    double firstTouch = -1;
    // Played time with the ball's centre in this team's own half and in the
    // opponent's; the rest it lay on the halfway line.
    double ballOwnHalfSeconds = 0;
    double ballOppHalfSeconds = 0;
};

struct MatchFigures {
    int match = 0;
    unsigned long long seed = 0;
    // From the first kick-off until the game clock reached the match length.
    bool kickedOff = false;
    double playedSeconds = 0;
    // From the first kick-off to the first touch by anyone; < 0: none.
    double firstTouch = -1;
    // Whether that came from the log's touches, or from the kick-off turning
    // into play on before the 15 s drop ball (a log without touches).
    bool firstTouchFromTouches = false;
    // Whether anybody touched the ball before the first kick-off ended.
    bool kickOffTouched = false;
    // How the first kick-off ended: the next play mode and the seconds it
    // lasted (< 0 when it had not ended by the end of the match).
    std::string kickOffEndedIn;
    double kickOffSeconds = -1;
    std::map<std::string, int> ballMovesByRule;
    TeamFigures left, right;
    // Whether any cycle carried the referee's moves or the robots' touches
    // (a fieldsim without its referee writes neither).
    bool refereeInLog = false;
    bool touchesInLog = false;
    // Cycles read, lines that were no cycle, and what a reader should know.
    long cycles = 0;
    long badLines = 0;
    std::vector<std::string> notes;
};
