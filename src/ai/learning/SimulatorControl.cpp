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

int SimulatorControl::serverPort() const { return kServerPort; }

std::string SimulatorControl::serverHost() const { return "127.0.0.1"; }
