#pragma once

#include "GlyphCache.h"

#include <QImage>
#include <QPainter>
#include <memory>

// A QPainter with a glyph cache's font and colour on the rows of a 32-bit
// picture above a clip height: those rows are the painter's whole picture,
// at the same places. A clip rectangle would do the same, but costs the
// painter a pass over the whole height of a tall picture every time it is
// set. The painter stays open while the picture, the clip height and the
// glyphs stay the same.
class ClippedPainter
{
public:
    // The painter for the rows above clipHeight of the 32-bit picture whose
    // pixels start at bits.
    QPainter &On(uchar *bits, int width, qsizetype bytesPerLine, int clipHeight, const GlyphCache &glyphs);
    // Closes the painter; the next On() opens a new one.
    void Close() { m_painter.reset(); }

private:
    QImage m_rows;
    const uchar *m_bits = nullptr;
    int m_clipHeight = 0;
    const GlyphCache *m_glyphs = nullptr;
    std::unique_ptr<QPainter> m_painter;
};
