// The state of the game: play mode, game clock, halves and score, and the
// countdown to the first kick-off. The referee (Referee) decides what
// happens on the field and changes the mode through here; a scenario sets
// it from outside, as the real server's trainer does.
#pragma once

#include <string>
#include <vector>

#include "game/FieldGeometry.h"
#include "game/PlayMode.h"

struct GameRulesConfig {
    double halfTime = 300.0;
    int halves = 2;
    double kickoffAfter = 5.0;  // negative: only setPlayMode starts the game
};

class GameRules {
public:
    GameRules(const GameRulesConfig& config, const FieldGeometry& field);

    PlayMode playMode() const { return mode_; }
    double gameTime() const { return gameTime_; }
    int score(TeamSide side) const { return side == TeamSide::Left ? scoreLeft_ : scoreRight_; }
    int half() const { return half_; }
    bool beamAllowed() const;
    // The game stands still: before kick-off and in the pause after a goal.
    // The referee then counts no fouls.
    bool paused() const { return beamAllowed(); }
    // Server time of the last change of play mode, and how many changes
    // there have been (so that the referee sees every change, its own and
    // a scenario's).
    double modeSince() const { return modeSince_; }
    unsigned long modeChanges() const { return modeChanges_; }

    // The first robot to join starts the countdown to the first kick-off.
    void robotJoined(double now);
    // A play mode imposed from outside (scenario).
    void setPlayMode(PlayMode mode, double now);
    // A play mode the referee decides.
    void changeMode(PlayMode mode, double now);
    // A goal for `scorer`: the score, then Goal_Left or Goal_Right, and the
    // other team kicks off next.
    void scoreGoal(TeamSide scorer, double now);

    // The start of a cycle's rules: the game clock, the end of a half or
    // of the game, and the countdown to a kick-off.
    void advance(double now, double dt);

    // Lines for the console about what happened since the last call.
    void note(const std::string& line) { messages_.push_back(line); }
    std::vector<std::string> takeMessages();

private:
    bool clockRuns() const;

    GameRulesConfig config_;
    FieldGeometry field_;
    PlayMode mode_ = PlayMode::BeforeKickOff;
    double modeSince_ = 0.0;
    unsigned long modeChanges_ = 0;
    double gameTime_ = 0.0;
    int half_ = 1;
    int scoreLeft_ = 0;
    int scoreRight_ = 0;
    bool countdownRunning_ = false;
    double countdownSince_ = 0.0;
    TeamSide nextKickOff_ = TeamSide::Left;
    TeamSide firstHalfKickOff_ = TeamSide::Left;
    bool gameStarted_ = false;
    std::vector<std::string> messages_;
};
