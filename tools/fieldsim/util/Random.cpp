#include "util/Random.h"

#include <cmath>

Random::Random(std::uint64_t seed) : state_(seed) {}

std::uint64_t Random::next() {
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double Random::uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

double Random::uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

double Random::gaussian(double sigma) {
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_ * sigma;
    }
    // Box-Muller; u1 is kept away from zero so the logarithm stays finite.
    const double u1 = 1.0 - uniform();
    const double u2 = uniform();
    const double r = std::sqrt(-2.0 * std::log(u1));
    const double a = 6.283185307179586 * u2;
    spare_ = r * std::sin(a);
    haveSpare_ = true;
    return r * std::cos(a) * sigma;
}
