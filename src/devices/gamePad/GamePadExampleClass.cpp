#include "devices/gamePad/GamePadExampleClass.h"

#include <climits>

#include "buildMode.h"

namespace {
// Shared by all objects of this class, separate from the other family's.
int callCounter = 0;
}  // namespace

GamePadExampleClass::GamePadExampleClass(const char* devicePath) : GamePadBasicClass(devicePath) {}

void GamePadExampleClass::doAction() {
    if constexpr (!kCompetitionBuild) {
        if (buttonTesti) {
            devOut(callCounter, "  SENDING COMMAND\n");
            // Start again rather than overflow after a very long session.
            callCounter = (callCounter == INT_MAX) ? 0 : callCounter + 1;
        }
    }
}
