#pragma once

#include "ClippedPainter.h"
#include "GlyphCache.h"

#include <QImage>
#include <QPoint>

// Draws characters into a 32-bit picture as opaque text cells: a cell whose
// glyph stays inside it is copied from the glyph cache; a glyph that reaches
// outside its cell is blended over what is there with a QPainter of this
// painter's own, opened when first needed. One painter is used by one
// thread; the cache's cells must be rendered before (GlyphCache::CellOf).
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

private:
    const GlyphCache &m_glyphs;
    QImage &m_target;
    uchar *m_bits;
    qsizetype m_bytesPerLine;
    ClippedPainter m_clipped;
};
