#include "objects/Gyro.h"

#include <cstring>

Gyro::Gyro() : name{}, rate() {}

void Gyro::setName(const char* newName) {
    name[0] = '\0';
    if (newName != nullptr) {
        std::strncat(name, newName, kNameSize - 1);
    }
}

const char* Gyro::getName() const { return name; }
void Gyro::setRate(Point value) { rate = value; }
Point Gyro::getRate() const { return rate; }
