#include "devices/joyStick/JoyStickBasicClass.h"

JoyStickBasicClass::JoyStickBasicClass(const char* devicePath) : DeviceManager(devicePath) {}

void JoyStickBasicClass::wrap() { buttonTesti = SC->getAButton(0); }

void JoyStickBasicClass::reset() { buttonTesti = false; }

bool JoyStickBasicClass::isDeviceEnabled() const { return SM->isJoyStickEnabled(); }

bool JoyStickBasicClass::isButtonTesti() const { return buttonTesti; }
