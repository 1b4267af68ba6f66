// A small seeded generator with its own uniform and normal draws, so that a
// seed gives the same noise with every standard library.
#pragma once

#include <cstdint>

class Random {
public:
    explicit Random(std::uint64_t seed = 1);

    std::uint64_t next();
    double uniform();                      // [0, 1)
    double uniform(double lo, double hi);  // [lo, hi)
    double gaussian(double sigma);         // mean 0

private:
    std::uint64_t state_;
    bool haveSpare_ = false;
    double spare_ = 0.0;
};
