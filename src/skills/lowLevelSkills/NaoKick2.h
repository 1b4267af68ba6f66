// A four-keyframe kick with the right leg: arm out for balance, weight onto
// the left leg, leg drawn back, strike. The body is brought to the standing
// posture first; then a pattern monitor tells which keyframe to drive, the
// strike with a faster and tighter aligner; last it returns to standing.
#pragma once

#include <memory>

#include "control/PatternMonitor.h"
#include "objects/BodyState.h"
#include "skills/SkillBase.h"
#include "skills/lowLevelSkills/PatternAligner.h"
#include "types.h"

class NaoKick2 : public SkillBase {
public:
    static constexpr float kStrikeTelorance = 0.1f;
    static constexpr float kStrikePower = 50.0f;
    static constexpr float kStrikePowerAdd = 0.05f;

    NaoKick2();
    ~NaoKick2() override;
    NaoKick2(const NaoKick2&) = delete;
    NaoKick2& operator=(const NaoKick2&) = delete;

    bool run() override;
    SkillID getSkillID() override;

    // The standing posture has been reached once.
    bool isStartOver() const { return endStart; }
    unsigned int getQueuedKeyframes() const;

protected:
    std::unique_ptr<PatternMonitor> PM;
    PatternAligner pa[4];
    std::unique_ptr<BodyState> BS;
    bool endStart;
    bool flag1;
    bool flag2;
};
