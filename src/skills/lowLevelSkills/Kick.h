// The forward kick with either foot. When it is created it looks at the
// ball once: the ball's distance in front of the legs chooses between a kick
// from a normal distance and one from close up, and its side chooses the
// kicking foot. Three keyframes of that case go into a pattern monitor; each
// cycle the number of keyframes still to reach picks the phase: shift the
// weight (keyframes 1 and 2), prepare and swing the kicking leg with fixed
// joint speeds for a fixed number of cycles, settle into keyframe 3, and
// return to the standing posture.
#pragma once

#include <memory>

#include "control/PatternMonitor.h"
#include "objects/BodyState.h"
#include "skills/SkillBase.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "types.h"

class Kick : public SkillBase {
public:
    // A ball at most this far in front of the legs (metres) is too near for
    // the normal kick.
    static constexpr double kNearDistance = 0.16;
    // Preparation cycles are counted 0..4, swing cycles 5..14.
    static constexpr int kLastPreparationCount = 4;
    static constexpr int kSwingEndCount = 15;
    static constexpr float kSwingSpeed = 6.1f;
    // The degree-to-radian factor the kick was tuned with (slightly off pi/180).
    static constexpr double kDegToRad = 0.017453292519444445;

    // Chooses the case from the ball as seen now and loads its keyframes.
    Kick();
    ~Kick() override;
    Kick(const Kick&) = delete;
    Kick& operator=(const Kick&) = delete;

    // Chooses the case and (re)loads the keyframes; always true.
    bool init();
    bool run() override;
    SkillID getSkillID() override;

    // Starts the kick again on this object: all joints stopped, case chosen
    // anew from the current ball, keyframes reloaded, one cycle run.
    void RestartSkill();
    // Nine tuning values, kept for the learners; a null array changes nothing.
    void setAllPars(const double* values);
    // Drives the head tilt toward `tilt`; true once within 0.01 degree.
    bool moveHead(double tilt);
    // How far the ball lies in front of the legs (metres), from its seen
    // distance and elevation and the head tilt at that sighting.
    double calcLegDistToBall();

    // 1: ball not too near, 2: ball too near.
    int getCasePos() const { return Case_Pos; }
    // 1: the right foot kicks, 2: the left foot.
    int getCaseFt() const { return Case_Ft; }
    int getSwingCount() const { return swingCount; }
    // Keyframes still to reach.
    unsigned int getQueuedKeyframes() const;

protected:
    std::unique_ptr<PatternMonitor> PM;
    // Entries 0..2 drive keyframes 1..3; the fourth is spare.
    PatternAligner pa[4];
    std::unique_ptr<BodyState> BS;
    double Initial_Ball_Pos;
    bool endStart;
    bool flag1;
    bool flag2;
    double p[9];
    double state1[DOF_COUNT];
    double state2[DOF_COUNT];
    double state3[DOF_COUNT];
    int Case_Pos;
    int Case_Ft;
    int swingCount;
};
