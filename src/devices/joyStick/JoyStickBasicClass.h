// Base of the joystick family: enabled by the joystick switch of the settings file, and
// keeps whether button 0 was held when wrap() last looked.
#pragma once

#include "devices/DeviceManager.h"

class JoyStickBasicClass : public DeviceManager {
public:
    explicit JoyStickBasicClass(const char* devicePath = kDefaultDevicePath);

    // buttonTesti = button 0 of the shared state.
    void wrap() override;
    // buttonTesti = false.
    void reset() override;
    bool isDeviceEnabled() const override;

    bool isButtonTesti() const;

protected:
    bool buttonTesti = false;
};
