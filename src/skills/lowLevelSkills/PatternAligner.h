// The elementary joint controller of the keyframe motions: every run() sends
// all 22 joints a speed proportional to their error toward the target
// posture and reports whether every joint is within the tolerance. A default
// aligner drives the robot into the standing posture, which also makes it the
// transition skill between two different skills.
#pragma once

#include "control/PatternMonitor.h"
#include "objects/BodyState.h"
#include "skills/SkillBase.h"
#include "types.h"

class PatternAligner : public SkillBase {
public:
    // Standing posture, tolerance 0.2 degrees, power 10, power add 0.05.
    PatternAligner();

    // Takes over each joint that is set in both the current and the new
    // target (a keyframe's unset joints keep the previous target).
    void setPattern(const BodyState& target);
    // 22 targets in joint order; a null array changes nothing.
    void setPattern(const double* values);
    // The 18 joints of the gait tables, in this order; the elbows and the
    // hip rotations keep their targets.
    void setPattern(double rightSholderY, double rightSholderX, double leftSholderX,
                    double rightLegX, double leftLegX, double rightWirst, double leftWirst,
                    double rightKnee, double leftKnee, double rightAnkleX, double leftAnkleX,
                    double leftSholderY, double rightLegY, double leftLegY, double rightAnkleY,
                    double leftAnkleY, double hPan, double hTilt);
    void setRestartParameter(float telorance, float power, float powerAdd);

    // One control step; returns whether every joint was aligned.
    bool run() override;
    SkillID getSkillID() override;

    BodyState getPattern() const;
    float getTelorance() const;
    float getPower() const;
    float getPowerAdd() const;

    // The speed sent to a joint sensed at `current` whose target is
    // `target`; 0 and `aligned` when the error is within the tolerance. A
    // joint whose reading or target is not a real angle (unset, infinite,
    // not a number) gets 0 and does not hold the alignment up.
    float jointSpeed(double current, double target, bool& aligned) const;

protected:
    void copyTargetToJoints();

    float telorance;
    float power;
    float powerAdd;
    BodyState BS;
    double rightElbow, leftElbow, rRightLeg, rLeftLeg, rightSholderY, rightSholderX, leftSholderX,
        rightLegX, leftLegX, rightWirst, leftWirst, rightKnee, leftKnee, rightAnkleX, leftAnkleX,
        leftSholderY, rightLegY, leftLegY, rightAnkleY, leftAnkleY, hPan, hTilt;
};

// One keyframe of a keyframe motion: the 22 `angles` become the target of
// `aligner` and the monitor's next keyframe (`scratch` carries them).
void queueKeyframe(const double* angles, PatternAligner& aligner, BodyState& scratch,
                   PatternMonitor& monitor);
