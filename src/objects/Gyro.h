// Gyroscope reading: the three angular rates as the server reports them.
#pragma once

#include "geometry/Point.h"

class Gyro {
public:
    static constexpr int kNameSize = 10;

    // Empty name, rates (0, 0, 0).
    Gyro();

    // Keeps at most 9 characters; a null name clears the field.
    void setName(const char* newName);
    const char* getName() const;
    void setRate(Point value);
    Point getRate() const;

private:
    char name[kNameSize];
    Point rate;
};
