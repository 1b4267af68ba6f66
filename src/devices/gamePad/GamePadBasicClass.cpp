#include "devices/gamePad/GamePadBasicClass.h"

GamePadBasicClass::GamePadBasicClass(const char* devicePath) : DeviceManager(devicePath) {}

void GamePadBasicClass::wrap() { buttonTesti = SC->getAButton(0); }

void GamePadBasicClass::reset() { buttonTesti = false; }

bool GamePadBasicClass::isDeviceEnabled() const { return SM->isGamePadEnabled(); }

bool GamePadBasicClass::isButtonTesti() const { return buttonTesti; }
