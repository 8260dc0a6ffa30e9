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
