#pragma once
// A small seeded generator whose numbers are the same on every platform and library, so that
// one seed always designs the same catalogue (the standard distributions are not specified
// bit for bit).

#include <cstdint>

namespace dovrix::levelgen {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next() { // splitmix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to n - 1; n must be positive.
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    uint64_t state_;
};

} // namespace dovrix::levelgen
