#pragma once

#include "CharacterLook.h"
#include "GlyphCache.h"

#include <QPoint>
#include <QRect>
#include <QRgb>
#include <cstdint>
#include <vector>

// A glyph drawn in a pose, as its coverage: how much of each pixel the
// glyph covers, 0 to 255, over a box placed from the top-left corner of
// the character's cell (drift included).
struct PosedMask
{
    QRect box;
    std::vector<std::uint8_t> coverage; // box.width() x box.height(), row by row
};

// The coverage of the cell's glyph turned and sized as the pose says. Made
// once per glyph, angle and scale on each thread and kept while the thread
// draws (within a bound), so that a text of a million characters renders a
// few thousand glyphs, not a million; a glyph comes out the same wherever
// it is drawn, since poses are whole steps (PoseOf) and cells whole pixels.
const PosedMask &PosedGlyph(const GlyphCache &glyphs, const GlyphCache::Cell &cell, const CharacterPose &pose);

// The colour of a pixel the glyph covers by `coverage` in 255ths, drawn
// in `colour` over `under`.
inline QRgb Covered(QRgb under, QRgb colour, int coverage)
{
    const auto mix = [coverage](int top, int bottom) { return (top * coverage + bottom * (255 - coverage) + 127) / 255; };
    return qRgb(mix(qRed(colour), qRed(under)), mix(qGreen(colour), qGreen(under)), mix(qBlue(colour), qBlue(under)));
}

// The least coverage at which the glyph drawn in `colour` changes a pixel
// of `under`, or 256 when none does. As the coverage grows each channel
// moves from under toward colour and never back, so from there on every
// coverage changes the pixel.
int FirstVisibleCoverage(QRgb under, QRgb colour);
