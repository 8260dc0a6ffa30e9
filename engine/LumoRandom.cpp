#include "LumoRandom.h"

#include <chrono>

std::uint32_t RandSeed = 0;

std::int32_t Random(std::int32_t n)
{
    RandSeed = RandSeed * 134775813u + 1u;
    const std::uint64_t product = static_cast<std::uint64_t>(static_cast<std::uint32_t>(n)) * RandSeed;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(product >> 32));
}

void Randomize()
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    RandSeed = static_cast<std::uint32_t>(ticks);
}
