// A landmark (corner flag or goal post) with its short name, e.g. "F1L".
#pragma once

#include "objects/BasicObject.h"

class Flag : public BasicObject {
public:
    static constexpr int kNameSize = 15;

    Flag();

    // Keeps at most 14 characters; a null name clears the field.
    void setName(const char* newName);
    const char* getName() const;

private:
    char name[kNameSize];
};
