// Turns the robot on the spot by stepping with hip-yaw rotation. While the
// heading differs from the target by more than a tenth of a degree, the
// turn oscillator drives twelve leg joints with a fixed gait; once the
// heading is reached the skill holds the standing posture.
//
// While turning the skill counts as finished, so the skill manager replaces
// it as soon as another skill is asked for; the behaviour retargets a
// running turn with setDeg().
#pragma once

#include <cmath>

#include "skills/SkillBase.h"
#include "types.h"

class TurnSkill : public SkillBase {
public:
    // Joint control step (one server cycle) of the follower and the phase.
    static constexpr double kCycleStep = 0.02;
    static constexpr double kMaxJointSpeed = 6.1395447;
    // Heading error (degrees) below which the turn holds still.
    static constexpr double kHeadingTolerance = 0.1;
    // An error that changes sign while it and the one before lie within
    // this many degrees of 0 has passed the heading (a larger jump is the
    // yaw wrapping round).
    static constexpr double kPassedStep = 5.0;

    // Turns to heading `deg`; the gait phase starts now.
    explicit TurnSkill(double deg);
    // Target heading 0, gait phase starting now.
    TurnSkill();

    void setDeg(double deg);
    double getDeg() const;
    RotateDirection getRotDir() const;
    // Stored for the learners' sake; the turning gait is fixed.
    void setOscParameters(const double* p);

    bool run() override;
    SkillID getSkillID() override;

    void fallower(RotateDirection dir);
    // Speed command for a joint sensed at `current` with target `target`:
    // 0 within the dead band or when the error is not a finite number.
    double predictEffector(double current, double target) const;

private:
    double params[7];
    double beginTime;
    double Degree;
    RotateDirection rotDir;
    double MinErr;
    // The error of the previous cycle (not a number before the first one or
    // after a new heading) and whether the heading has been passed.
    double lastErr = std::nan("");
    bool passed = false;
};
