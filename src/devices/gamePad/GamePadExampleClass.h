// The gamepad that comes with the system: while button 0 is held (as seen by
// the last wrap()), each doAction() prints a running count and a fixed word.
#pragma once

#include "devices/gamePad/GamePadBasicClass.h"

class GamePadExampleClass : public GamePadBasicClass {
public:
    explicit GamePadExampleClass(const char* devicePath = kDefaultDevicePath);

    // Writes the class's call counter and "  SENDING COMMAND" while button 0 is held, then
    // counts on; the competition build stays silent and does nothing.
    void doAction() override;
};
