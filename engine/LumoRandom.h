#pragma once

#include <cstdint>

// The program's one pseudo-random generator: a 32-bit linear congruential
// generator. Every call advances the seed once.
extern std::uint32_t RandSeed;

// An integer in [0, n), 0 for n = 0: seed := seed x 134775813 + 1, then the
// high 32 bits of the 64-bit product n x seed. A negative n is read as
// unsigned, so the result can be any 32-bit value.
std::int32_t Random(std::int32_t n);

// Seeds from the low 32 bits of the high-resolution clock.
void Randomize();
