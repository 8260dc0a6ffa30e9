#pragma once

#include "CharacterLook.h"
#include "CharacterText.h"
#include "FontObject.h"
#include "GlyphCache.h"
#include "LumoError.h"
#include "PageLook.h"
#include "LumoRect.h"
#include "RenderValues.h"

#include <QByteArray>
#include <QRgb>
#include <cstdint>
#include <memory>
#include <vector>

// Everything a conversion reads of the render settings and of its first
// picture, taken once when the conversion starts, with every colour
// resolved to RGB and the glyph cell of every character of the text rendered.
// Workers on other threads read it and nothing else, so nothing they touch
// is shared with the windows.
// A text whose distinct characters' glyph cells do not fit the budget.
class GlyphCellsTooLarge : public LumoError
{
public:
    GlyphCellsTooLarge(std::size_t characters, std::size_t budget);
};

struct RenderJob
{
    // The conversion of text in these settings, starting in a picture with
    // these bounds.
    // Raises GlyphCellsTooLarge when the cells of the text's characters
    // would take more than glyphBudget bytes.
    static RenderJob From(const CharacterText &text, const RenderValues &values, const LumoRect &first,
                          bool onePicture, std::uint32_t seed, std::size_t glyphBudget = DefaultGlyphBudget);
    // Room for tens of thousands of distinct characters at any usual size;
    // a text built to have millions of different clusters is refused.
    static constexpr std::size_t DefaultGlyphBudget = std::size_t(1) << 30;

    FontObject font;
    std::shared_ptr<GlyphCache> glyphs;
    // The cell of each code of the text, held by glyphs.
    std::vector<const GlyphCache::Cell *> cells;
    QRgb background = 0;
    QRgb foreground = 0;
    std::int32_t hoVar = 0;
    std::int32_t veVar = 0;
    std::int32_t rausch = 0;

    // The font height h, half of it and the line step 4h/3, in the
    // conversion's 32-bit arithmetic.
    std::int32_t h = 0;
    std::int32_t half = 0;
    std::int32_t lineStep = 0;

    // The first picture's bounds: every page has its size.
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool onePicture = false;
    std::uint32_t seed = 0;
    // The hand-set look on top of the jitter, and what happens to each whole
    // picture after; none by default.
    CharacterLook look;
    PageLook page;

    const GlyphCache::Cell &CellOf(CharCode code) const { return *cells[code]; }
    LumoRect FirstBounds() const;
    // The bounds of page k (k = 0 is the first picture).
    LumoRect PageBounds(std::int64_t page) const;
    // How many generator steps the noise of one picture of this width and
    // height takes.
    std::uint64_t NoiseSteps(std::int32_t pictureHeight) const;
    // The pixels of noise of each colour a picture gets (n + 1), or 0.
    std::int64_t NoisePixels(std::int32_t pictureHeight) const;
};
