#include "game/GameRules.h"

#include <algorithm>
#include <cmath>

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
    if (mode != PlayMode::BeforeKickOff) {
        gameStarted_ = true;
    }
    messages_.push_back(std::string("play mode ") + playModeName(mode) + " at " +
                        TextFormat::fixed(now, 2) + " (game time " + TextFormat::fixed(gameTime_, 2) + ")");
}

void GameRules::centreBall(Ball& ball) {
    ball.place({0.0, 0.0, Ball::kRadius});
    lastToucherKnown_ = false;
}

bool GameRules::checkGoal(const Vec3& before, const Vec3& after, double now) {
    // The whole ball must be behind the line; the point where its centre
    // crossed that plane must lie between the posts and under the bar.
    const double line = field_.halfLength() + Ball::kRadius;
    for (int sign = -1; sign <= 1; sign += 2) {
        const double b = before.x * sign, a = after.x * sign;
        if (b <= line && a > line) {
            const double t = (line - b) / (a - b);
            const double y = before.y + (after.y - before.y) * t;
            const double z = before.z + (after.z - before.z) * t;
            if (std::fabs(y) < field_.goalWidth() * 0.5 && z < FieldGeometry::kGoalHeight) {
                const TeamSide scorer = sign > 0 ? TeamSide::Left : TeamSide::Right;
                (scorer == TeamSide::Left ? scoreLeft_ : scoreRight_) += 1;
                nextKickOff_ = opposite(scorer);
                messages_.push_back(std::string("goal for ") + teamSideName(scorer) + ", score " +
                                    std::to_string(scoreLeft_) + ":" + std::to_string(scoreRight_) +
                                    " at game time " + TextFormat::fixed(gameTime_, 2));
                changeMode(scorer == TeamSide::Left ? PlayMode::GoalLeft : PlayMode::GoalRight, now);
                return true;
            }
        }
    }
    return false;
}

bool GameRules::setPiece() const {
    switch (mode_) {
        case PlayMode::KickOffLeft:
        case PlayMode::KickOffRight:
        case PlayMode::KickInLeft:
        case PlayMode::KickInRight:
        case PlayMode::CornerKickLeft:
        case PlayMode::CornerKickRight:
        case PlayMode::GoalKickLeft:
        case PlayMode::GoalKickRight:
        case PlayMode::FreeKickLeft:
        case PlayMode::FreeKickRight:
            return true;
        default:
            return false;
    }
}

bool GameRules::checkOut(const Vec3& before, Ball& ball, double now) {
    const Vec3 after = ball.position();
    const double halfL = field_.halfLength(), halfW = field_.halfWidth();
    // Out once the whole ball is over the line; placed where its centre crossed.
    const auto crossing = [&](double b, double a, double line, double otherB, double otherA) {
        const double sb = std::fabs(b), sa = std::fabs(a);
        if (sb >= line || sa <= sb) return otherA;
        return otherB + (otherA - otherB) * (line - sb) / (sa - sb);
    };
    if (std::fabs(after.y) > halfW + Ball::kRadius) {
        const double side = after.y > 0.0 ? 1.0 : -1.0;
        const double x = std::clamp(crossing(before.y, after.y, halfW + Ball::kRadius, before.x, after.x), -halfL, halfL);
        // The team that did not touch it last throws in; with nobody known,
        // the team whose half it left.
        const TeamSide taker = lastToucherKnown_ ? opposite(lastToucher_) : (x < 0.0 ? TeamSide::Left : TeamSide::Right);
        ball.place({x, side * halfW, Ball::kRadius});
        messages_.push_back("ball out over the side line at x " + TextFormat::fixed(x, 2));
        changeMode(taker == TeamSide::Left ? PlayMode::KickInLeft : PlayMode::KickInRight, now);
        lastToucherKnown_ = false;
        return true;
    }
    if (std::fabs(after.x) > halfL + Ball::kRadius) {
        const double end = after.x > 0.0 ? 1.0 : -1.0;
        const TeamSide defender = end > 0.0 ? TeamSide::Right : TeamSide::Left;
        const double y = crossing(before.x, after.x, halfL + Ball::kRadius, before.y, after.y);
        if (lastToucherKnown_ && lastToucher_ == defender) {
            const TeamSide attacker = opposite(defender);
            ball.place({end * halfL, (y >= 0.0 ? 1.0 : -1.0) * halfW, Ball::kRadius});
            messages_.push_back("ball out over the goal line by the defenders");
            changeMode(attacker == TeamSide::Left ? PlayMode::CornerKickLeft : PlayMode::CornerKickRight, now);
        } else {
            ball.place({end * (halfL - kGoalKickDistance), 0.0, Ball::kRadius});
            messages_.push_back("ball out over the goal line");
            changeMode(defender == TeamSide::Left ? PlayMode::GoalKickLeft : PlayMode::GoalKickRight, now);
        }
        lastToucherKnown_ = false;
        return true;
    }
    return false;
}

void GameRules::step(double now, double dt, const Vec3& ballBefore, Ball& ball) {
    if (clockRuns()) {
        gameTime_ += dt;
    }
    const double inMode = now - modeSince_ + 1e-9;
    switch (mode_) {
        case PlayMode::BeforeKickOff:
            if (config_.kickoffAfter >= 0.0 && countdownRunning_ &&
                now - countdownSince_ + 1e-9 >= config_.kickoffAfter) {
                countdownRunning_ = false;
                changeMode(nextKickOff_ == TeamSide::Left ? PlayMode::KickOffLeft : PlayMode::KickOffRight, now);
            }
            break;
        case PlayMode::GoalLeft:
        case PlayMode::GoalRight:
            if (inMode >= kGoalPause) {
                centreBall(ball);
                changeMode(nextKickOff_ == TeamSide::Left ? PlayMode::KickOffLeft : PlayMode::KickOffRight, now);
            }
            break;
        default:
            // Kick-off, kick-in, corner, goal kick, free kick: play goes on
            // once the ball is touched, or after the timeout.
            if (setPiece() && (touched_ || inMode >= kKickOffTimeout)) {
                changeMode(PlayMode::PlayOn, now);
            }
            break;
    }
    touched_ = false;

    if (mode_ != PlayMode::BeforeKickOff && mode_ != PlayMode::GameOver &&
        mode_ != PlayMode::GoalLeft && mode_ != PlayMode::GoalRight) {
        if (!checkGoal(ballBefore, ball.position(), now)) {
            checkOut(ballBefore, ball, now);
        }
    }

    const double halfEnd = config_.halfTime * half_;
    if (clockRuns() && gameTime_ + 1e-9 >= halfEnd) {
        gameTime_ = halfEnd;
        if (half_ < config_.halves) {
            ++half_;
            centreBall(ball);
            // The team that did not start the previous half kicks off.
            firstHalfKickOff_ = opposite(firstHalfKickOff_);
            nextKickOff_ = firstHalfKickOff_;
            messages_.push_back("half " + std::to_string(half_) + " begins");
            changeMode(PlayMode::BeforeKickOff, now);
            countdownRunning_ = true;
            countdownSince_ = now;
        } else {
            changeMode(PlayMode::GameOver, now);
        }
    }
}

std::vector<std::string> GameRules::takeMessages() {
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
}
