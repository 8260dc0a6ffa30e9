#pragma once

#include <cstdint>

// 32-bit signed arithmetic that wraps on overflow, as the conversion's
// arithmetic is defined, without undefined behaviour.
namespace Wrap {

inline std::int32_t Add(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t Sub(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

inline std::int32_t Mul(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Truncating division; INT32_MIN / -1 wraps to INT32_MIN.
inline std::int32_t Div(std::int32_t a, std::int32_t b)
{
    if (b == -1)
        return Sub(0, a);
    return a / b;
}

inline std::int32_t Abs(std::int32_t a)
{
    return a < 0 ? Sub(0, a) : a;
}

} // namespace Wrap
