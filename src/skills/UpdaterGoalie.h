// The goalie's head while it walks back to its goal: the same sweep as
// Updater, over our own goal posts (run) or over the opponent posts
// (runForOpp), without the ball. The two sweeps keep their own lock and lost
// marks but share the side and the turned-round flag, so switching from one
// to the other continues toward the side the head is already heading for.
#pragma once

class WorldModel;
class CommandCreator;

class UpdaterGoalie {
public:
    UpdaterGoalie();
    virtual ~UpdaterGoalie();

    // One cycle of head control over our goal posts: one pan and one tilt
    // speed.
    void run();
    // The same over the opponent goal posts.
    void runForOpp();

private:
    // One cycle of the sweep over two posts, with the lock and lost marks of
    // the caller. `sideTeta` is the first post's last bearing: right when it
    // is below 0.
    void sweep(bool& lock, bool& lost1, bool& lost2, double seen1, double seen2, double sideTeta);

    bool lock2;
    bool seeOppFlag1;
    bool seeOppFlag2;
    // Room for a side of the opponent sweep's own; it shares the ones below.
    [[maybe_unused]] bool turnHeadToRight2;
    [[maybe_unused]] bool returningTurnOfHead2;
    const double angleThreshold;
    bool locked;
    bool turnHeadToRight;
    bool returningTurnOfHead;
    // True while the post is lost (not seen recently).
    bool seeFlag1;
    bool seeFlag2;
    const double power;
    const double powerAdd;
    WorldModel* WM;
    CommandCreator* CC;
};
