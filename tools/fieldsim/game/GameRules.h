// The referee: play mode, game clock, halves, score, goals and the ball
// going out (kick-in, goal kick, corner kick, with the ball put in place).
// The ball's motion comes from the world; the rules watch it and place it.
#pragma once

#include <string>
#include <vector>

#include "game/Ball.h"
#include "game/FieldGeometry.h"
#include "game/PlayMode.h"
#include "util/Vec3.h"

struct GameRulesConfig {
    double halfTime = 300.0;
    int halves = 2;
    double kickoffAfter = 5.0;  // negative: only setPlayMode starts the game
};

class GameRules {
public:
    static constexpr double kGoalPause = 3.0;      // s in Goal_Left/Goal_Right
    static constexpr double kKickOffTimeout = 15.0;  // s until PlayOn without a touch (any set piece)
    static constexpr double kGoalKickDistance = 1.0;  // m in front of the goal line

    GameRules(const GameRulesConfig& config, const FieldGeometry& field);

    PlayMode playMode() const { return mode_; }
    double gameTime() const { return gameTime_; }
    int score(TeamSide side) const { return side == TeamSide::Left ? scoreLeft_ : scoreRight_; }
    int half() const { return half_; }
    bool beamAllowed() const;
    // The game stands still: before kick-off and in the pause after a goal.
    bool paused() const { return beamAllowed(); }

    // The first robot to join starts the countdown to the first kick-off.
    void robotJoined(double now);
    // A play mode imposed from outside (scenario).
    void setPlayMode(PlayMode mode, double now);
    // Something moved the ball on purpose: a scripted push (nobody's) or a robot.
    void ballTouched() { touched_ = true; }
    void ballTouchedBy(TeamSide side) {
        touched_ = true;
        lastToucherKnown_ = true;
        lastToucher_ = side;
    }

    // One cycle of refereeing after the ball moved from `ballBefore`.
    void step(double now, double dt, const Vec3& ballBefore, Ball& ball);

    // Lines for the console about what happened since the last call.
    std::vector<std::string> takeMessages();

private:
    void changeMode(PlayMode mode, double now);
    bool clockRuns() const;
    bool checkGoal(const Vec3& before, const Vec3& after, double now);
    bool checkOut(const Vec3& before, Ball& ball, double now);
    bool setPiece() const;
    void centreBall(Ball& ball);

    GameRulesConfig config_;
    FieldGeometry field_;
    PlayMode mode_ = PlayMode::BeforeKickOff;
    double modeSince_ = 0.0;
    double gameTime_ = 0.0;
    int half_ = 1;
    int scoreLeft_ = 0;
    int scoreRight_ = 0;
    bool countdownRunning_ = false;
    double countdownSince_ = 0.0;
    TeamSide nextKickOff_ = TeamSide::Left;
    TeamSide firstHalfKickOff_ = TeamSide::Left;
    bool touched_ = false;
    bool lastToucherKnown_ = false;
    TeamSide lastToucher_ = TeamSide::Left;
    bool gameStarted_ = false;
    std::vector<std::string> messages_;
};
