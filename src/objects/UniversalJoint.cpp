#include "objects/UniversalJoint.h"

UniversalJoint::UniversalJoint() : HingeJoint(), extraAxis(0.0f), extraRate(0.0f) {}

void UniversalJoint::setExtraAxis(float value) { extraAxis = value; }
float UniversalJoint::getExtraAxis() const { return extraAxis; }
void UniversalJoint::setExtraRate(float value) { extraRate = value; }
float UniversalJoint::getExtraRate() const { return extraRate; }
