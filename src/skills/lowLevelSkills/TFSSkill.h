// Common base of the oscillator-driven walking skills. It holds one set of
// gait parameters for the TFS oscillator and an amplitude scale per joint
// and leg, and each cycle turns the oscillator's target angles into joint
// speed commands with a one-step proportional follower: the angle error
// divided by a hundred control steps, clipped to the joint speed limit.
// Derived skills choose the parameters and scales each cycle and then call
// fallower().
#pragma once

#include "skills/SkillBase.h"

class TFSSkill : public SkillBase {
public:
    // The joint control step: one server cycle. The follower's gain, the
    // gait phase and the walk's speed ramp are all paced by it. The world
    // model's delta time is the time since the ball was last seen, which
    // grows to seconds with the ball out of view and would stall the legs.
    static constexpr double kCycleStep = 0.02;
    // Fastest joint speed a follower commands.
    static constexpr double kMaxJointSpeed = 6.1395447;
    static constexpr int kFollowerCount = 14;

    TFSSkill();
    ~TFSSkill() override = default;

    bool run() override = 0;
    SkillID getSkillID() override = 0;
    // Restarts the gait.
    virtual void init() = 0;

    // aK, end of the knee hold window as a fraction of the full cycle, cK,
    // aArm, aHY, aH, bH, cH, p (half period), timeR. A null array changes
    // nothing.
    void setOSCParamsByHipY(const double* v);
    void setReverse(bool reverse);
    bool isSwappingLeg() const;

    // Speed command for follower `index` (0..13) of a joint sensed at
    // `current` whose target is `target`. An error that is not a finite
    // number commands 0: a missing reading must not make the joint race.
    double predictEffector(int index, double current, double target);
    // Issues this cycle's commands for the fourteen oscillator joints.
    void fallower();

    // The phase time of the latest fallower() call.
    double getPredTime() const;

protected:
    double timeR;
    double predTime;
    double aRot;
    double RM, RS, RMS, RSS;
    double RMaArm, RSaArm, RMaRot, RSaRot, RMaFWRot, RSaFWRot, RMaHip, RSaHip, RMbHip, RSbHip,
        RMaHipY, RSaHipY, RMaknee, RSaknee;
    double aK, t1, t2, cK, aArm, aHY, aH, bH, cH, p;
    double beginStep2Time;
    bool isReverse;
    // Bookkeeping of the latest reading and command per follower; -1000
    // marks an entry not yet written. No command depends on them.
    double lastAngle[kFollowerCount];
    double lastError[kFollowerCount];
};
