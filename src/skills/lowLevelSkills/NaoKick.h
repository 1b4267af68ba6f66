// The kick the kick learner tunes. It first steps in place with a small
// walk for a fixed time while the arms are held beside the body; then, for
// the kick phase, it evaluates a walking oscillator every cycle. The nine
// shape parameters the learner sets are stored, but the kick phase passes
// none of them on and commands no joint: the kick never finishes on its own
// and its owner replaces or re-initialises it.
#pragma once

#include <memory>

#include "skills/SkillBase.h"
#include "skills/lowLevelSkills/TFSWalk.h"
#include "types.h"

class NaoKick : public SkillBase {
public:
    // How long the robot steps in place before the kick phase (seconds).
    static constexpr double kStepDuration = 0.6;
    // Shoulder speed with which the arms are lowered beside the body.
    static constexpr float kArmRate = 6.0f;

    NaoKick();
    ~NaoKick() override;
    NaoKick(const NaoKick&) = delete;
    NaoKick& operator=(const NaoKick&) = delete;

    // No stepping walk; the kick-phase clock starts now.
    void init();
    // The stepping clock starts now.
    void init2();
    void setParameters(double aK, double t2, double cK, double aH, double bH, double cH, double p,
                       double rM, double rS);
    // The same nine values from an array; a null array changes nothing.
    void setTFSParameters(const double* v);

    // Steps in place while the arms are beside the body; true once that has
    // lasted `duration` seconds without the arms leaving the side.
    bool walkBeforeKick(double duration);
    // Evaluates the kick oscillator for the next cycle; commands nothing.
    void fallower();
    // Speed that covers the way from `from` to `to` in a hundred cycles; 0
    // when that is not a finite number.
    double predictEffector(float from, float to);

    bool run() override;
    SkillID getSkillID() override;

    bool isStepping() const { return TFSTinyObj != nullptr; }

protected:
    double time1, rl2_s1, rl3_s1, rl4_s1, e_hip, e_ankle, ll2_s1, ll4_s1, time2, rl2_s2;
    double aK, t1, t2, cK, aH, bH, cH, p, rM, rS;
    bool finishStep1;
    bool finishWalk;
    double beginStep2Time;
    double beginStep1Time;
    double bTime;
    std::unique_ptr<TFSWalk> TFSTinyObj;
};
