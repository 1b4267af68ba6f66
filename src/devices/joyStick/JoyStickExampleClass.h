// The joystick that comes with the system: while button 0 is held (as seen by
// the last wrap()), each doAction() prints a running count and a fixed word.
#pragma once

#include "devices/joyStick/JoyStickBasicClass.h"

class JoyStickExampleClass : public JoyStickBasicClass {
public:
    explicit JoyStickExampleClass(const char* devicePath = kDefaultDevicePath);

    // Writes the class's call counter and "khof" while button 0 is held, then
    // counts on; the competition build stays silent and does nothing.
    void doAction() override;
};
