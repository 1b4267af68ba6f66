// One sideways step by posture, without an oscillator: first the legs are
// spread (one hip rolled out, the opposite ankle rolled), then the rolls
// come back to 0. Each phase drives the leg joints until every leg group is
// within 2 degrees of its target.
//
// The step's progress is one counter shared by every instance, so a new
// instance carries on where the previous one stopped.
#pragma once

#include "skills/SkillBase.h"
#include "types.h"

class NaoBesideWalking : public SkillBase {
public:
    // dir false: step with the left hip rolled out; true: with the right.
    explicit NaoBesideWalking(bool dir);

    void setDirection(bool dir);
    // 1 small step, 3 large step, any other value medium.
    void setSpeed(int s);
    // Hip, knee and ankle pitch targets held during the step.
    void setDefaultPos(double lleg, double rleg, double lknee, double rknee, double lankle,
                       double rankle);
    // A level above 0.5 also bends both hips to it; any positive level
    // raises both arms to the side.
    void setRotate(double r);

    // One cycle of the step; true on the cycle the step completes.
    bool run() override;
    SkillID getSkillID() override;

private:
    bool direction;
    int speed;
    double dlleg, drleg, dlknee, drknee, dlankle, drankle;
    double rotateLevel;
};
