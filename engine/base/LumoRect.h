#pragma once

#include <cstdint>

// A rectangle in pixels, as the program's pictures have their bounds: Left,
// Top, Right and Bottom, the right and bottom edges exclusive.
struct LumoRect
{
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};
