// One hinge-joint sensor reading: joint name, angle in degrees and the rate
// value the server reports with it (stored as received).
#pragma once

class HingeJoint {
public:
    static constexpr int kNameSize = 15;

    // Empty name, angle and rate 0.
    HingeJoint();

    // Keeps at most 14 characters; a null name clears the field.
    void setName(const char* newName);
    const char* getName() const;
    void setAxis(float value);
    float getAxis() const;
    void setRate(float value);
    float getRate() const;

protected:
    char name[kNameSize];
    float axis;
    float rate;
};
