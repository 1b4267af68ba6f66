// Kicks the ball backward with one leg. The head first looks back (pan -120,
// tilt -50 degrees); only when it is there are the keyframes chosen, from the
// ball's bearing, and loaded into a pattern monitor. Each cycle: bring the
// body to the standing posture once, then drive keyframes 1 and 2, swing the
// kicking leg backward with fixed joint speeds for a fixed number of cycles,
// settle into keyframe 3 and return to standing.
#pragma once

#include <memory>

#include "control/PatternMonitor.h"
#include "objects/BodyState.h"
#include "skills/SkillBase.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "types.h"

class BackKick : public SkillBase {
public:
    static constexpr double kLookBackPan = -120.0;
    static constexpr double kLookBackTilt = -50.0;
    // A ball bearing at or above this (degrees) kicks with the right leg.
    static constexpr double kRightFootBearing = -15.0;
    static constexpr int kSwingCycles = 25;

    BackKick();
    ~BackKick() override;
    BackKick(const BackKick&) = delete;
    BackKick& operator=(const BackKick&) = delete;

    // False, with nothing loaded, while the head is not yet looking back.
    bool init();
    bool run() override;
    SkillID getSkillID() override;

    // All joints stopped, initialisation again, one cycle run.
    void RestartSkill();
    // True when the head is within 0.01 degree of the target on at least
    // one axis; otherwise moves both axes toward it.
    bool moveHead(double pan, double tilt);

    int getCaseFt() const { return Case_Ft; }
    unsigned int getQueuedKeyframes() const;
    // Swing cycles done; one counter for the whole process.
    static int getSwingCount();

protected:
    std::unique_ptr<PatternMonitor> PM;
    PatternAligner pa[3];
    std::unique_ptr<BodyState> BS;
    bool endStart;
    bool flag1;
    bool flag2;
    double state1[DOF_COUNT];
    double state2[DOF_COUNT];
    double state3[DOF_COUNT];
    int Case_Pos;
    int Case_Ft;
};
