#include "game/GameRules.h"

#include "util/TextFormat.h"

GameRules::GameRules(const GameRulesConfig& config, const FieldGeometry& field)
    : config_(config), field_(field) {}

bool GameRules::beamAllowed() const {
    return mode_ == PlayMode::BeforeKickOff || mode_ == PlayMode::GoalLeft ||
           mode_ == PlayMode::GoalRight;
}

bool GameRules::clockRuns() const {
    return mode_ != PlayMode::BeforeKickOff && mode_ != PlayMode::GameOver;
}

void GameRules::robotJoined(double now) {
    if (!countdownRunning_ && !gameStarted_ && mode_ == PlayMode::BeforeKickOff) {
        countdownRunning_ = true;
        countdownSince_ = now;
    }
}

void GameRules::setPlayMode(PlayMode mode, double now) {
    if (mode == PlayMode::BeforeKickOff) {
        countdownRunning_ = true;
        countdownSince_ = now;
    }
    changeMode(mode, now);
}

void GameRules::changeMode(PlayMode mode, double now) {
    if (mode == mode_) return;
    mode_ = mode;
    modeSince_ = now;
    ++modeChanges_;
    if (mode != PlayMode::BeforeKickOff) {
        gameStarted_ = true;
    }
    messages_.push_back(std::string("play mode ") + playModeName(mode) + " at " +
                        TextFormat::fixed(now, 2) + " (game time " + TextFormat::fixed(gameTime_, 2) + ")");
}

void GameRules::scoreGoal(TeamSide scorer, double now) {
    (scorer == TeamSide::Left ? scoreLeft_ : scoreRight_) += 1;
    nextKickOff_ = opposite(scorer);
    messages_.push_back(std::string("goal for ") + teamSideName(scorer) + ", score " + std::to_string(scoreLeft_) +
                        ":" + std::to_string(scoreRight_) + " at game time " + TextFormat::fixed(gameTime_, 2));
    changeMode(scorer == TeamSide::Left ? PlayMode::GoalLeft : PlayMode::GoalRight, now);
}

void GameRules::advance(double now, double dt) {
    if (clockRuns()) {
        gameTime_ += dt;
    }
    const double halfEnd = config_.halfTime * half_;
    if (clockRuns() && gameTime_ + 1e-9 >= halfEnd) {
        gameTime_ = halfEnd;
        if (half_ < config_.halves) {
            ++half_;
            // The team that did not start the previous half kicks off; the
            // teams keep their sides, as on the real server.
            firstHalfKickOff_ = opposite(firstHalfKickOff_);
            nextKickOff_ = firstHalfKickOff_;
            messages_.push_back("half " + std::to_string(half_) + " begins");
            changeMode(PlayMode::BeforeKickOff, now);
            countdownRunning_ = true;
            countdownSince_ = now;
        } else {
            changeMode(PlayMode::GameOver, now);
        }
        return;
    }
    // The real server waits for its trainer to start a kick-off; fieldsim
    // starts it by itself after the countdown.
    if (mode_ == PlayMode::BeforeKickOff && config_.kickoffAfter >= 0.0 && countdownRunning_ &&
        now - countdownSince_ + 1e-9 >= config_.kickoffAfter) {
        countdownRunning_ = false;
        changeMode(nextKickOff_ == TeamSide::Left ? PlayMode::KickOffLeft : PlayMode::KickOffRight, now);
    }
}

std::vector<std::string> GameRules::takeMessages() {
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
}
