#include "objects/HingeJoint.h"

#include <cstring>

HingeJoint::HingeJoint() : name{}, axis(0.0f), rate(0.0f) {}

void HingeJoint::setName(const char* newName) {
    name[0] = '\0';
    if (newName != nullptr) {
        std::strncat(name, newName, kNameSize - 1);
    }
}

const char* HingeJoint::getName() const { return name; }
void HingeJoint::setAxis(float value) { axis = value; }
float HingeJoint::getAxis() const { return axis; }
void HingeJoint::setRate(float value) { rate = value; }
float HingeJoint::getRate() const { return rate; }
