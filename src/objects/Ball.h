// The ball as last seen.
#pragma once

#include "objects/BasicObject.h"

class Ball : public BasicObject {
public:
    Ball() = default;
};
