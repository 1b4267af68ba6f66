#include "devices/StatusContainer.h"

StatusContainer* StatusContainer::getUniqueInstance() {
    static StatusContainer instance;
    return &instance;
}

void StatusContainer::setAButton(bool pressed, int number) {
    if (number >= 0 && number < kNumButtons) {
        buttons[number] = pressed;
    }
}

bool StatusContainer::getAButton(int number) const {
    return number >= 0 && number < kNumButtons && buttons[number];
}

void StatusContainer::setAnAxes(short value, int number) {
    if (number >= 0 && number < kNumAxes) {
        axes[number] = value;
    }
}

short StatusContainer::getAnAxes(int number) const {
    return (number >= 0 && number < kNumAxes) ? axes[number] : 0;
}
