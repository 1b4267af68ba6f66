#include "devices/joyStick/JoyStickExampleClass.h"

#include <climits>

#include "buildMode.h"

namespace {
// Shared by all objects of this class, separate from the other family's.
int callCounter = 0;
}  // namespace

JoyStickExampleClass::JoyStickExampleClass(const char* devicePath)
    : JoyStickBasicClass(devicePath) {}

void JoyStickExampleClass::doAction() {
    if constexpr (!kCompetitionBuild) {
        if (buttonTesti) {
            devOut(callCounter, "khof\n");
            // Start again rather than overflow after a very long session.
            callCounter = (callCounter == INT_MAX) ? 0 : callCounter + 1;
        }
    }
}
