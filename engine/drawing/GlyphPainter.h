#pragma once

#include "CharacterLook.h"
#include "ClippedPainter.h"
#include "GlyphCache.h"

#include <QImage>
#include <QPoint>

// Draws characters into a 32-bit picture as opaque text cells: a cell whose
// glyph stays inside it is copied from the glyph cache; a glyph that reaches
// outside its cell is blended over what is there with a QPainter of this
// painter's own, opened when first needed. One painter is used by one
// thread; the cache's cells must be rendered before (GlyphCache::CellOf).
// The glyph of the cell drawn by the painter in the pose, its cell's
// top-left corner (drift included) at `at`; the picture and the truth draw
// it alike.
// The cell's text with its cell's top-left corner at `at`, by a painter
// that has the cache's font and the pen to draw with.
void DrawCellText(QPainter &painter, QPoint at, const GlyphCache::Cell &cell, const GlyphCache &glyphs);
void DrawPosedGlyph(QPainter &painter, QPoint at, const GlyphCache::Cell &cell, const GlyphCache &glyphs,
                    const CharacterPose &pose);

class GlyphPainter
{
public:
    // target is a Format_RGB32 picture that stays put while the painter lives.
    GlyphPainter(const GlyphCache &glyphs, QImage &target);
    ~GlyphPainter();
    GlyphPainter(const GlyphPainter &) = delete;
    GlyphPainter &operator=(const GlyphPainter &) = delete;

    // The cell (one of this painter's cache) with its top-left corner at
    // `at`; nothing is drawn on rows from clipHeight down (a growing
    // picture's rows not yet added).
    void Draw(QPoint at, const GlyphCache::Cell &cell, int clipHeight);
    // The cell drawn in a pose: its opaque cell moved down by the drift,
    // the glyph turned, sized and coloured as the pose says.
    void Draw(QPoint at, const GlyphCache::Cell &cell, int clipHeight, const CharacterPose &pose);

private:
    const GlyphCache &m_glyphs;
    QImage &m_target;
    uchar *m_bits;
    qsizetype m_bytesPerLine;
    ClippedPainter m_clipped;
};
