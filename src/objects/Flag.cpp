#include "objects/Flag.h"

#include <cstring>

Flag::Flag() : name{} {}

void Flag::setName(const char* newName) {
    name[0] = '\0';
    if (newName != nullptr) {
        // Names come from the vision text; a long one is cut, never written
        // past the field.
        std::strncat(name, newName, kNameSize - 1);
    }
}

const char* Flag::getName() const { return name; }
