#include "ClippedPainter.h"

QPainter &ClippedPainter::On(uchar *bits, int width, qsizetype bytesPerLine, int clipHeight, const GlyphCache &glyphs)
{
    if (m_painter && (m_bits != bits || m_clipHeight != clipHeight || m_glyphs != &glyphs || m_rows.width() != width))
        m_painter.reset();
    if (!m_painter) {
        m_rows = QImage(bits, width, clipHeight, bytesPerLine, QImage::Format_RGB32);
        m_bits = bits;
        m_clipHeight = clipHeight;
        m_glyphs = &glyphs;
        m_painter = std::make_unique<QPainter>(&m_rows);
        // A copy of its own: a font is not used by two threads at once.
        m_painter->setFont(QFont(glyphs.Font()));
        m_painter->setPen(QColor(glyphs.Foreground()));
    }
    return *m_painter;
}
