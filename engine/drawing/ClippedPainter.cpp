#include "ClippedPainter.h"

QPainter &ClippedPainter::On(QImage &picture, int clipHeight, const GlyphCache &glyphs)
{
    if (m_painter && (m_bits != picture.constBits() || m_clipHeight != clipHeight || m_glyphs != &glyphs
                      || m_rows.width() != picture.width()))
        m_painter.reset();
    if (!m_painter) {
        m_rows = QImage(picture.bits(), picture.width(), clipHeight, picture.bytesPerLine(), QImage::Format_RGB32);
        m_bits = picture.constBits();
        m_clipHeight = clipHeight;
        m_glyphs = &glyphs;
        m_painter = std::make_unique<QPainter>(&m_rows);
        // A copy of its own: a font is not used by two threads at once.
        m_painter->setFont(QFont(glyphs.Font()));
        m_painter->setPen(QColor(glyphs.Foreground()));
    }
    return *m_painter;
}
