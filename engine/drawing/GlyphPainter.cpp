#include "GlyphPainter.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>

GlyphPainter::GlyphPainter(const GlyphCache &glyphs, QImage &target)
    : m_glyphs(glyphs), m_target(target), m_bits(target.bits()), m_bytesPerLine(target.bytesPerLine())
{
}

GlyphPainter::~GlyphPainter() = default;

void GlyphPainter::Draw(QPoint at, const GlyphCache::Cell &cell, int clipHeight)
{
    const int cellHeight = m_glyphs.CellHeight();
    const int width = m_target.width();
    const int height = std::clamp(clipHeight, 0, m_target.height());
    if (width <= 0 || height <= 0)
        return;
    const std::int64_t cellX = at.x();
    const std::int64_t cellY = at.y();
    if (cell.contained) {
        const std::int64_t x0 = std::max<std::int64_t>(cellX, 0);
        const std::int64_t x1 = std::min<std::int64_t>(cellX + cell.advance, width);
        const std::int64_t y0 = std::max<std::int64_t>(cellY, 0);
        const std::int64_t y1 = std::min<std::int64_t>(cellY + cellHeight, height);
        // Cells are a few pixels wide: a plain loop beats a call to memmove.
        const std::int64_t span = x1 - x0;
        for (std::int64_t row = y0; row < y1 && span > 0; ++row) {
            const QRgb *source = cell.pixels.data() + (row - cellY) * cell.advance + (x0 - cellX);
            auto *target = reinterpret_cast<QRgb *>(m_bits + row * m_bytesPerLine) + x0;
            for (std::int64_t i = 0; i < span; ++i)
                target[i] = source[i];
        }
        return;
    }
    const std::int64_t margin = m_glyphs.Margin();
    if (cellX + cell.advance + margin <= 0 || cellX - margin >= width || cellY + cellHeight + margin <= 0
        || cellY - margin >= height)
        return;
    QPainter &p = m_clipped.On(m_bits, width, m_bytesPerLine, height, m_glyphs);
    p.fillRect(QRect(at.x(), at.y(), cell.advance, cellHeight), QColor(m_glyphs.Background()));
    DrawCellText(p, at, cell, m_glyphs);
}

void GlyphPainter::Draw(QPoint at, const GlyphCache::Cell &cell, int clipHeight, const CharacterPose &pose)
{
    const int width = m_target.width();
    const int height = std::clamp(clipHeight, 0, m_target.height());
    if (width <= 0 || height <= 0)
        return;
    const QPoint moved = at + QPoint(0, pose.drift);
    const int cellHeight = m_glyphs.CellHeight();
    QPainter &p = m_clipped.On(m_bits, width, m_bytesPerLine, height, m_glyphs);
    p.fillRect(QRect(moved.x(), moved.y(), cell.advance, cellHeight), QColor(m_glyphs.Background()));
    DrawPosedGlyph(p, moved, cell, m_glyphs, pose);
}

void DrawPosedGlyph(QPainter &painter, QPoint at, const GlyphCache::Cell &cell, const GlyphCache &glyphs,
                    const CharacterPose &pose)
{
    painter.save();
    painter.setTransform(pose.Transform(at, cell.advance, glyphs.CellHeight()));
    painter.setPen(QColor(pose.colour));
    DrawCellText(painter, at, cell, glyphs);
    painter.restore();
}

void DrawCellText(QPainter &painter, QPoint at, const GlyphCache::Cell &cell, const GlyphCache &glyphs)
{
    if (!cell.fontAlone) {
        painter.drawText(at.x(), at.y() + glyphs.Ascent(), cell.text);
        return;
    }
    painter.save();
    painter.setFont(glyphs.FontOf(cell));
    painter.drawText(at.x(), at.y() + glyphs.Ascent(), cell.text);
    painter.restore();
}
