#pragma once

#include <cstdint>

// The program's one pseudo-random generator: a 32-bit linear congruential
// generator. Every call advances the seed once.
extern std::uint32_t RandSeed;

// An integer in [0, n), 0 for n = 0, from the given seed: seed := seed x
// 134775813 + 1, then the high 32 bits of the 64-bit product n x seed. A
// negative n is read as unsigned, so the result can be any 32-bit value.
inline std::int32_t RandomStep(std::uint32_t &seed, std::int32_t n)
{
    seed = seed * 134775813u + 1u;
    const std::uint64_t product = static_cast<std::uint64_t>(static_cast<std::uint32_t>(n)) * seed;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(product >> 32));
}

inline std::int32_t Random(std::int32_t n)
{
    return RandomStep(RandSeed, n);
}

// The seed after the given number of steps from seed: the generator is
// linear, so k steps are one multiply-add whose factors are found by
// squaring, in O(log k). Lets the noise of every page start from its own
// state without drawing all that comes before it.
std::uint32_t AdvanceSeed(std::uint32_t seed, std::uint64_t steps);

// The looks' randomness, apart from the generator above so that the jitter
// and the noise stay what they are: a number in [-1, 1] that depends only
// on the seed, a key (a character's place, a page) and a channel (what the
// number is for), so it is the same whichever thread asks.
double LookRandom(std::uint32_t seed, std::uint64_t key, std::uint32_t channel);

// The seed of a conversion without a given one: the low 32 bits of the
// high-resolution clock, so that two conversions of the same text differ.
std::uint32_t ClockSeed();
