// Brings the robot into the restart posture (arms down beside the body, all
// other joints straight) and reports finished only once the body is aligned
// and has come to rest (gyro rate below a threshold).
#pragma once

#include "skills/SkillBase.h"
#include "types.h"

class PatternAligner;

class RestartSkill : public SkillBase {
public:
    RestartSkill(float telorance, float power, float stablity, float gyroThr);
    ~RestartSkill() override;
    // Owns its aligner.
    RestartSkill(const RestartSkill&) = delete;
    RestartSkill& operator=(const RestartSkill&) = delete;

    // Tolerance and power are passed on to the aligner.
    void setTelorance(float t);
    void setPower(float p);
    void setStablity(float s);
    void setRestartParameter(float t, float p, float s, float g);

    bool run() override;
    SkillID getSkillID() override;
    // Aligned in the last run() and the gyro rate magnitude below gyroThr.
    bool checkState();

protected:
    PatternAligner* pa;
    float telorance;
    float power;
    float stablity;
    float gyroThr;
    bool finishAlighn;
};
