#include "objects/BasicObject.h"

BasicObject::BasicObject()
    : polarPos(),
      cartesianPos(),
      lastStepSeenHeadPanDegree(0.0),
      lastStepSeenHeadTiltDegree(0.0),
      lTS(0.0),
      lTSF{} {}

void BasicObject::setPolarPos(Point pos) { polarPos = pos; }
Point BasicObject::getPolarPos() const { return polarPos; }
void BasicObject::setCartesianPos(Point pos) { cartesianPos = pos; }
Point BasicObject::getCartesianPos() const { return cartesianPos; }

void BasicObject::setLastStepSeenHeadPanDegree(double deg) { lastStepSeenHeadPanDegree = deg; }
double BasicObject::getLastStepSeenHeadPanDegree() const { return lastStepSeenHeadPanDegree; }
void BasicObject::setLastStepSeenHeadTiltDegree(double deg) { lastStepSeenHeadTiltDegree = deg; }
double BasicObject::getLastStepSeenHeadTiltDegree() const { return lastStepSeenHeadTiltDegree; }

void BasicObject::setLastTimeSeenPlayer(double time) { lTS = time; }
double BasicObject::getLastTimeSeenPlayer() const { return lTS; }
void BasicObject::setLastTimeSeenBall(double time) { lTS = time; }
double BasicObject::getLastTimeSeenBall() const { return lTS; }

void BasicObject::setLastTimeSeenFlag(double time, int index) {
    if (index >= 0 && index < kFlagCount) {
        lTSF[index] = time;
    }
}

double BasicObject::getLastTimeSeenFlag(int index) const {
    if (index >= 0 && index < kFlagCount) {
        return lTSF[index];
    }
    return 0.0;
}
