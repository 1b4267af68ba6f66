// Reads fieldsim's truth log of one match, cycle by cycle, and adds up what
// the league reports: goals, falls and stand-ups, referee moves and fouls,
// the first touch after the kick-off and where the ball spent its time.
// Only the played time counts: from the first kick-off until the game clock
// reaches the match length.
#pragma once

#include <istream>
#include <map>
#include <ostream>
#include <string>

#include "MatchFigures.h"

class MatchAnalyser {
public:
    // Server cycle: each line of the log stands for this much time.
    static constexpr double kCycle = 0.02;
    // A kick-off nobody has touched after this long ends in a drop ball.
    static constexpr double kKickOffTimeout = 15.0;
    // Longer lines are not read (a truth line of eleven a side is ~50 KiB).
    static constexpr size_t kMaxLine = 1 << 20;

    // The names the teams were sent in under; where the log names them
    // otherwise, the log wins and a note says so.
    MatchAnalyser(const std::string& leftTeam, const std::string& rightTeam, double seconds);

    // One line of the log without its line end. `cutOff`: the log ended in
    // it, with no line end after it.
    void addLine(const std::string& line, bool cutOff = false);
    // The figures of everything added so far; robots still lying count as
    // never having got up.
    MatchFigures finish() const;

    // Reads the whole log at `path`, line by line; with `pruned`, writes each
    // cycle there again without the robots' joints and commands. False (and
    // why) when the file cannot be read.
    bool readFile(const std::string& path, std::ostream* pruned, std::string& error);
    // Reads `in` to its end the same way.
    void readStream(std::istream& in, std::ostream* pruned);

private:
    struct RobotTrack {
        bool upright = true;
        double lyingSince = -1;  // server time of the fall not yet recovered; < 0: none
        long lastCycle = -1;
    };

    void note(const std::string& text);
    void badLine(const std::string& why);
    TeamFigures& team(const std::string& side);

    std::string leftName_, rightName_;
    double seconds_;
    MatchFigures figures_;
    long lineNumber_ = 0;
    long cycleIndex_ = 0;  // cycles of the played time seen so far
    bool started_ = false;
    bool ended_ = false;
    double kickOffTime_ = 0;
    std::string kickOffMode_;
    bool kickOffOver_ = false;
    int scoreLeft_ = 0, scoreRight_ = 0;
    double ballLeftHalf_ = 0, ballRightHalf_ = 0;
    std::map<std::string, RobotTrack> robots_;  // by "left 2"
    // The played cycle in which each robot (or the ball) was last moved by
    // each rule, or had each foul called.
    std::map<std::string, long> lastMoved_;
    bool namedLeft_ = false, namedRight_ = false;
    int shownBadLines_ = 0;
};
