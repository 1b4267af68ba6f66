#include "ai/learning/SimulatorControl.h"

#include <unistd.h>

SimulatorControl::~SimulatorControl() = default;

void SimulatorControl::wait(unsigned seconds) {
    // sleep() returns early when a signal arrives; the simulator still needs
    // the whole pause.
    unsigned left = seconds;
    while (left > 0) {
        left = ::sleep(left);
    }
}

void SimulatorControl::waitUntilDown(unsigned seconds) { wait(seconds); }

void SimulatorControl::waitUntilUp(unsigned seconds) { wait(seconds); }

int SimulatorControl::serverPort() const { return port; }

std::string SimulatorControl::serverHost() const { return "127.0.0.1"; }
