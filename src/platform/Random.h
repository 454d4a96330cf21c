#pragma once

// The program's pseudo-random generator: small, fast and the same on every
// platform, so that a seeded run can be replayed in a test.

#include <cstdint>

namespace platform {

class Random {
public:
    void Seed(std::uint64_t seed) { state_ = seed; }

    // Next draw in [0, 1), from the top 24 bits of a splitmix64 step, so
    // that every value is exact in single precision.
    float Next() {
        state_ += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        return static_cast<float>(z >> 40) / 16777216.0f;
    }

private:
    std::uint64_t state_ = 0x853C49E6748FEA9BULL;
};

}  // namespace platform
