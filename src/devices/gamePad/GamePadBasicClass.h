// Base of the gamepad family: enabled by the gamepad switch of the settings file, and
// keeps whether button 0 was held when wrap() last looked.
#pragma once

#include "devices/DeviceManager.h"

class GamePadBasicClass : public DeviceManager {
public:
    explicit GamePadBasicClass(const char* devicePath = kDefaultDevicePath);

    // buttonTesti = button 0 of the shared state.
    void wrap() override;
    // buttonTesti = false.
    void reset() override;
    bool isDeviceEnabled() const override;

    bool isButtonTesti() const;

protected:
    bool buttonTesti = false;
};
