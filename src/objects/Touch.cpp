#include "objects/Touch.h"

#include <cstring>

Touch::Touch() : name{}, rate(0.0f) {}

void Touch::setName(const char* newName) {
    name[0] = '\0';
    if (newName != nullptr) {
        std::strncat(name, newName, kNameSize - 1);
    }
}

const char* Touch::getName() const { return name; }
void Touch::setRate(float value) { rate = value; }
float Touch::getRate() const { return rate; }
