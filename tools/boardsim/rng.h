// Small deterministic pseudo-random generator (splitmix64), so every run with
// the same --seed produces the same byte stream.
#pragma once

#include <cstdint>

namespace boardsim {

class Rng
{
public:
    explicit Rng(std::uint64_t seed = 1) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform integer in [lo, hi], lo <= hi.
    std::uint64_t range(std::uint64_t lo, std::uint64_t hi) { return lo + next() % (hi - lo + 1); }
    // True with probability p.
    bool chance(double p) { return p > 0 && uniform() < p; }

private:
    std::uint64_t state_;
};

// Stateless hash of a key, used for value noise that depends on time only.
inline std::uint64_t hash64(std::uint64_t x)
{
    return Rng(x).next();
}

} // namespace boardsim
