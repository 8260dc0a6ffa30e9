#include "GlyphPainter.h"

#include "PosedGlyphs.h"

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
    const std::int64_t left = at.x();
    const std::int64_t top = std::int64_t(at.y()) + pose.drift;
    // The opaque cell, moved down by the drift.
    const QRgb background = m_glyphs.Background();
    const std::int64_t x0 = std::max<std::int64_t>(left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(left + cell.advance, width);
    for (std::int64_t y = std::max<std::int64_t>(top, 0);
         x0 < x1 && y < std::min<std::int64_t>(top + m_glyphs.CellHeight(), height); ++y) {
        auto *target = reinterpret_cast<QRgb *>(m_bits + y * m_bytesPerLine);
        std::fill(target + x0, target + x1, background);
    }
    const PosedMask &mask = PosedGlyph(m_glyphs, cell, pose);
    const std::uint8_t *coverage = mask.coverage.data();
    for (int my = 0; my < mask.box.height(); ++my, coverage += mask.box.width()) {
        const std::int64_t y = top + mask.box.top() + my;
        if (y < 0 || y >= height)
            continue;
        auto *target = reinterpret_cast<QRgb *>(m_bits + y * m_bytesPerLine);
        for (int mx = 0; mx < mask.box.width(); ++mx) {
            const std::int64_t x = left + mask.box.left() + mx;
            if (coverage[mx] != 0 && x >= 0 && x < width)
                target[x] = Covered(target[x], pose.colour, coverage[mx]);
        }
    }
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
