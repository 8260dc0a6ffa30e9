#include "LumoRandom.h"

#include <chrono>

std::uint32_t RandSeed = 0;

void Randomize()
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    RandSeed = static_cast<std::uint32_t>(ticks);
}
