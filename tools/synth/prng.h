#pragma once
// A fixed pseudo-random generator (splitmix64), so generated files never depend on the standard
// library's engines or distributions.

#include <cstdint>

namespace kvo::synth {

class SplitMix64 {
  public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform enough in [0, bound) for test data; bound must be positive.
    std::uint32_t below(std::uint32_t bound) {
        return static_cast<std::uint32_t>(((next() >> 32) * bound) >> 32);
    }

  private:
    std::uint64_t state_;
};

}  // namespace kvo::synth
