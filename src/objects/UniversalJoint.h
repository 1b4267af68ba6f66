// A two-axis joint reading; the second axis comes in extraAxis/extraRate.
#pragma once

#include "objects/HingeJoint.h"

class UniversalJoint : public HingeJoint {
public:
    UniversalJoint();

    void setExtraAxis(float value);
    float getExtraAxis() const;
    void setExtraRate(float value);
    float getExtraRate() const;

private:
    float extraAxis;
    float extraRate;
};
