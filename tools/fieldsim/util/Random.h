// A small seeded generator with its own uniform and normal draws, so that a
// seed gives the same noise with every standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class Random {
public:
    explicit Random(std::uint64_t seed = 1);

    std::uint64_t next();
    double uniform();                      // [0, 1)
    double uniform(double lo, double hi);  // [lo, hi)
    double gaussian(double sigma);         // mean 0
    // A whole number in [0, n); 0 when n is 0.
    std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : next() % n; }
    // The items in an order drawn from this generator.
    template <class T>
    void shuffle(std::vector<T>& items) {
        for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[static_cast<size_t>(below(i))]);
    }

private:
    std::uint64_t state_;
    bool haveSpare_ = false;
    double spare_ = 0.0;
};
