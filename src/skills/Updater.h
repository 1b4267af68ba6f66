// Moves the head while the body walks, so that the opponent goal posts and
// the ball, which localisation and ball tracking live on, come back into view
// soon after they drop out of it. While one of them has not been seen for a
// moment the head pans to one side (+-120 degrees) and back; once all are in
// view again, or after the way back, the pan stops. The tilt is held level
// every cycle.
//
// One object is kept for the whole process: its flags carry a sweep across
// cycles (idle -> sweeping to one side -> sweeping back -> idle).
#pragma once

class WorldModel;
class CommandCreator;

class Updater {
public:
    // An object seen at or after now - kRecentlySeen counts as in view; the
    // vision sensor reports every third cycle, so this spans one report.
    static constexpr double kRecentlySeen = 0.07;
    // Pan angle (degrees) at which a sweep turns round; the head's own limit.
    static constexpr double kSweepEnd = 120.0;
    // Tilt errors up to this many degrees are left alone.
    static constexpr double kTiltDeadBand = 1.0;

    Updater();

    // One cycle of head control: appends exactly one pan and one tilt speed.
    void run();

    // The speed formulas every head sweep of the agent shares. Both give 0
    // for a non-finite error, so a broken reading never reaches the server.
    //
    // -120 for a sweep to the right, 120 for one to the left.
    static double sweepEnd(bool toRight);
    // Called while a sweep is locked: once the pan is within `threshold` of
    // the end it heads for, the first time it turns back toward the other
    // end (`toRight` flips, `returning` is set); the second time the sweep is
    // over and this answers true.
    static bool sweepOverAtEnd(double pan, double threshold, bool& toRight, bool& returning);
    // Pan speed toward `end`: (e / 180) * power - sign(e) * powerAdd with
    // e = end - pan.
    static double panSpeed(double end, double pan, double power, double powerAdd);
    // Tilt speed toward `target`: (e / 180) * 10 - 0.05 * sign(e) with
    // e = target - tilt, or 0 while |e| <= kTiltDeadBand.
    static double tiltSpeed(double target, double tilt);

private:
    // Right when the ball was last seen to the right; straight ahead defers
    // to the first opponent post; left otherwise (also for a broken bearing).
    bool chooseRight() const;
    bool anyLost() const;

    const double angleThreshold;
    bool locked;
    bool turnHeadToRight;
    bool returningTurnOfHead;
    // Each flag is true while its object is lost (not seen recently).
    bool seeFlag1;
    bool seeFlag2;
    bool seeBall;
    const double power;
    const double powerAdd;
    WorldModel* WM;
    CommandCreator* CC;
};
