// Steps sideways, to the left or to the right, by driving ten leg joints
// from the side-step oscillator. The gait parameters are handed in by the
// user (the side-step learner). For analysis every joint's target, sensed
// angle and phase time are traced, one file per joint under
// "log/turnAnalize/", written when the skill is destroyed.
#pragma once

#include <memory>

#include "skills/SkillBase.h"
#include "types.h"
#include "utils/Logger.h"

class BSWalk : public SkillBase {
public:
    // Joint control step (one server cycle) of the follower and the phase.
    static constexpr double kCycleStep = 0.02;
    static constexpr double kMaxJointSpeed = 6.1395447;
    static constexpr int kParamCount = 8;

    // Opens the twelve trace files; the gait phase starts now. The gait
    // parameters start at 0 (no period: the legs hold still) until
    // setOscParameters().
    explicit BSWalk(Direction d);
    ~BSWalk() override;

    BSWalk(const BSWalk&) = delete;
    BSWalk& operator=(const BSWalk&) = delete;

    // A_hipY, n1, A_hipX, k_hipX, A_knee, k_knee, n2, Period; a null array
    // changes nothing.
    void setOscParameters(const double* p);

    // One step of the gait; never finishes on its own.
    bool run() override;
    SkillID getSkillID() override;

    // Speed command for a joint sensed at `current` with target `target`:
    // 0 within the dead band or when the error is not a finite number.
    double predictEffector(double current, double target) const;
    void fallower();

private:
    double params[kParamCount];
    double beginTime;
    double MinErr;
    Direction sideDir;
    std::unique_ptr<Logger> rlx_log, llx_Log, rly_Log, lly_Log, rk_Log, lk_Log, rlr_Log, llr_Log,
        rax_Log, lax_Log, ray_Log, lay_Log;
};
