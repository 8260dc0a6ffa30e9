#include "LumoRandom.h"

#include <chrono>

std::uint32_t RandSeed = 0;

std::uint32_t ClockSeed()
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint32_t>(ticks);
}

std::uint32_t AdvanceSeed(std::uint32_t seed, std::uint64_t steps)
{
    // One step is s -> a s + c. Composing the step with itself gives
    // s -> a^2 s + (a c + c), so (a, c) of 2^i steps follow by squaring.
    std::uint32_t multiplier = 134775813u;
    std::uint32_t increment = 1u;
    for (; steps != 0; steps >>= 1) {
        if (steps & 1)
            seed = seed * multiplier + increment;
        increment = increment * multiplier + increment;
        multiplier *= multiplier;
    }
    return seed;
}

namespace {

// SplitMix64: every bit of the input reaches every bit of the output.
std::uint64_t mix(std::uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

} // namespace

double LookRandom(std::uint32_t seed, std::uint64_t key, std::uint32_t channel)
{
    const std::uint64_t bits = mix(mix(key) ^ (std::uint64_t(seed) << 32 | channel));
    // 53 bits into [0, 1), then onto [-1, 1].
    return static_cast<double>(bits >> 11) * 0x1.0p-53 * 2.0 - 1.0;
}
