// Turns the robot on the spot to a heading by stepping with hip-yaw rotation,
// the shorter way round, and ends standing with its feet together.
//
// The heading it steers by is the world model's yaw at the moment a target
// is set, carried on with the gyro from then on: the yaw computed from the
// flags goes stale as soon as they leave the view cone (while turning they
// do), the gyro's rate does not. A new target takes the world model's yaw
// afresh, so a behaviour that hands over "my yaw plus the turn I want" every
// cycle gets exactly that turn.
//
// Near the target the hip yaw shrinks, so the last steps are small; the
// stepping stops once the heading is within `stopError` in the direction of
// travel (the robot coasts a little after it), and it starts again only
// after the robot has stood for `settleTime` and the heading is more than
// `tolerance` off. A turn that must change its direction stops first, and an
// error near 180 degrees keeps the direction it has, so neither a target
// behind the robot nor retargeting every cycle makes it dither.
//
// It counts as finished only once it has stood still at its heading, so the
// skill manager never drops it in mid-step; a behaviour that asks for
// another skill meanwhile gets it when the turn has stopped.
#pragma once

#include <cmath>
#include <vector>

#include "etc/SkillParams.h"
#include "skills/SkillBase.h"
#include "types.h"

class TurnSkill : public SkillBase {
public:
    // Joint control step (one server cycle) of the follower and the phase.
    static constexpr double kCycleStep = 0.02;
    static constexpr double kMaxJointSpeed = 6.1395447;
    static constexpr const char* kSkillName = "turn";
    // Number of gait values at the head of paramList() (TurnOsc's order).
    static constexpr int kGaitCount = 7;
    // An error this close to half a turn keeps the direction the turn has:
    // either way is as long, and a heading that wobbles across 180 must not
    // reverse the robot every other cycle.
    static constexpr double kWrapBand = 20.0;
    // Longer than this between two runs and the gyro has missed the turning
    // in between: the heading is taken from the world model again.
    static constexpr double kLongestGap = 0.1;
    // The longest wait for a look at the landmarks before a new target's
    // heading is taken from the world model anyway.
    static constexpr double kAnchorWait = 0.2;

    // The values the turn reads from params/turn.params, in the order the
    // turn learner's vector uses: the seven gait values of TurnOsc, then
    // the stopping rules.
    static const std::vector<SkillParams::Param>& paramList();

    // Turns to heading `deg` (the world model's yaw frame, degrees; any
    // value, it is taken round to the nearest equivalent).
    explicit TurnSkill(double deg);
    // Target heading 0.
    TurnSkill();

    // A new target; the same one again changes nothing.
    void setDeg(double deg);
    double getDeg() const;
    // The way the robot is stepping, or would step for the current error.
    RotateDirection getRotDir() const;
    // The seven gait values in TurnOsc's order, replacing those read from
    // the parameter files; a null array changes nothing.
    void setOscParameters(const double* p);

    bool run() override;
    SkillID getSkillID() override;

    // Whether the last run stepped (false: it held the standing posture).
    bool isStepping() const { return stepping; }
    // The heading the turn steers by and its error to the target, both as
    // of the last run (the error in (-180, 180]; positive: the yaw must
    // grow).
    double getHeading() const { return heading; }
    double getHeadingError() const { return lastErr; }

    // Drives the twelve leg joints one cycle along the turning gait, the hip
    // yaw scaled by `yawScale` (1: the full step).
    void fallower(RotateDirection dir, double yawScale = 1.0);
    // Speed command for a joint sensed at `current` with target `target`:
    // 0 within the dead band or when the error is not a finite number.
    double predictEffector(double current, double target) const;

    // The direction that closes `err` the shorter way; near half a turn a
    // stepping turn keeps `current`.
    static RotateDirection chooseDirection(double err, bool stepping, RotateDirection current);
    // The fraction of the hip yaw used at heading error `err`: 1 beyond
    // `slowZone`, falling linearly to `minScale` at 0.
    static double yawScaleFor(double err, double slowZone, double minScale);

private:
    // Whether this cycle's perception brought a sighting of any landmark.
    bool sawLandmarksNow() const;
    // Takes the world model's yaw as the heading, once it is worth taking;
    // true when it did.
    bool anchorHeading();
    void trackHeading();
    void startStepping(RotateDirection dir);
    // Whether a step (half a gait cycle) has ended since the last run.
    bool stepEnded();
    void stand();

    double params[kGaitCount];
    double tolerance;
    double stopError;
    double slowZone;
    double minYawScale;
    double settleTime;

    double beginTime;
    double Degree;
    RotateDirection rotDir;
    double MinErr;

    // The heading estimate: anchored to the world model's yaw, carried on
    // by the gyro. Not a number until the first run.
    double heading = std::nan("");
    // The world model's yaw at the anchor, and the torso's attitude since
    // then (a unit quaternion, torso frame into an upright frame facing
    // `anchorFacing` degrees counter-clockwise).
    double anchorHeading_ = std::nan("");
    double attitude[4] = {1.0, 0.0, 0.0, 0.0};
    double anchorFacing = std::nan("");
    double lastRunTime = std::nan("");
    bool anchorPending = true;
    double pendingSince = std::nan("");
    double lastErr = std::nan("");
    bool stepping = false;
    double lastStep = 0.0;
    // When the robot last started to stand; minus infinity: it may step at
    // once.
    double standingSince = -HUGE_VAL;
};
