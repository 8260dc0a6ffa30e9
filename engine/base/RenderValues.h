#pragma once

#include "Colour.h"
#include "FontObject.h"

#include <cstdint>

// The render settings as one value: what a conversion draws with and what a
// setup of the settings file holds. The windows keep theirs in the
// process-wide variables and copy them into a value at the command that
// converts; lumo-render only ever has values.
struct RenderValues
{
    // Name, size, colour, pitch, style and charset of every character.
    FontObject font;
    // Picture background and character-cell background.
    Colour background = clWhite;
    // Horizontal and vertical jitter amplitude in pixels.
    std::int32_t hoVar = 0;
    std::int32_t veVar = 0;
    // Noise level.
    std::int32_t rausch = 0;

    friend bool operator==(const RenderValues &a, const RenderValues &b)
    {
        return a.font.SameAs(b.font) && a.background == b.background && a.hoVar == b.hoVar && a.veVar == b.veVar
               && a.rausch == b.rausch;
    }
};
