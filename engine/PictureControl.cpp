#include "PictureControl.h"

#include "GlyphCache.h"
#include "WrapInt.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

Canvas::Canvas(int width, int height) : m_bitmap(width, height, qRgb(255, 255, 255)) {}

Canvas::~Canvas()
{
    closePainter();
}

void Canvas::FillRect(const LumoRect &rect)
{
    const std::int64_t left = std::max<std::int64_t>(rect.Left, 0);
    const std::int64_t top = std::max<std::int64_t>(rect.Top, 0);
    const std::int64_t right = std::min<std::int64_t>(rect.Right, m_bitmap.Width());
    const std::int64_t bottom = std::min<std::int64_t>(rect.Bottom, m_bitmap.Height());
    if (left >= right || top >= bottom)
        return;
    const QRgb rgb = ColourToRgb(BrushColor);
    if (left == 0 && top == 0 && right == m_bitmap.Width() && bottom == m_bitmap.Height()) {
        m_bitmap.FillAll(rgb);
        return;
    }
    m_bitmap.Materialize();
    for (std::int64_t y = top; y < bottom; ++y) {
        QRgb *row = m_bitmap.Row(static_cast<int>(y));
        std::fill(row + left, row + right, rgb);
    }
}

GlyphCache &Canvas::glyphs()
{
    if (m_glyphs && m_glyphsFontVersion == Font.Version() && m_glyphsBrush == BrushColor)
        return *m_glyphs;
    const QRgb background = ColourToRgb(BrushColor);
    if (!m_glyphs || !m_glyphs->Matches(Font, background))
        m_glyphs = GlyphCache::For(Font, background);
    m_glyphsFontVersion = Font.Version();
    m_glyphsBrush = BrushColor;
    return *m_glyphs;
}

QPainter &Canvas::painter()
{
    if (!m_painter) {
        m_painterTarget = m_bitmap.WritableView();
        m_painter = std::make_unique<QPainter>(&m_painterTarget);
    }
    return *m_painter;
}

void Canvas::closePainter()
{
    m_painter.reset();
    m_painterTarget = QImage();
}

void Canvas::TextOut(std::int32_t x, std::int32_t y, const QByteArray &text)
{
    for (const char ch : text)
        x = Wrap::Add(x, TextOutChar(x, y, static_cast<unsigned char>(ch)));
}

std::int32_t Canvas::TextOutChar(std::int32_t x, std::int32_t y, unsigned char byte)
{
    m_bitmap.Materialize();
    GlyphCache &cache = glyphs();
    const GlyphCache::Cell &cell = cache.CellOf(byte);
    const int cellHeight = cache.CellHeight();
    const int width = m_bitmap.Width();
    const int height = m_bitmap.Height();
    const std::int64_t cellX = x;
    const std::int64_t cellY = y;
    if (cell.contained) {
        // Copy the rendered cell row by row, clipped to the bitmap.
        const std::int64_t x0 = std::max<std::int64_t>(cellX, 0);
        const std::int64_t x1 = std::min<std::int64_t>(cellX + cell.advance, width);
        const std::int64_t y0 = std::max<std::int64_t>(cellY, 0);
        const std::int64_t y1 = std::min<std::int64_t>(cellY + cellHeight, height);
        // Cells are a few pixels wide: a plain loop beats a call to memmove.
        const std::int64_t span = x1 - x0;
        for (std::int64_t row = y0; row < y1 && span > 0; ++row) {
            const QRgb *source = cell.pixels.data() + (row - cellY) * cell.advance + (x0 - cellX);
            QRgb *target = m_bitmap.Row(static_cast<int>(row)) + x0;
            for (std::int64_t i = 0; i < span; ++i)
                target[i] = source[i];
        }
        return cell.advance;
    }
    const std::int64_t margin = cache.Margin();
    const bool touches = cellX + cell.advance + margin > 0 && cellX - margin < width
        && cellY + cellHeight + margin > 0 && cellY - margin < height;
    if (touches) {
        QPainter &p = painter();
        p.fillRect(QRect(x, y, cell.advance, cellHeight), QColor(cache.Background()));
        p.setFont(cache.Font());
        p.setPen(QColor(cache.Foreground()));
        p.drawText(x, y + cache.Ascent(), QString(QChar(cache.CharOf(byte))));
    }
    return cell.advance;
}

std::int32_t Canvas::TextWidth(const QByteArray &text)
{
    std::int32_t total = 0;
    for (const char ch : text)
        total = Wrap::Add(total, CharWidth(static_cast<unsigned char>(ch)));
    return total;
}

std::int32_t Canvas::CharWidth(unsigned char byte)
{
    return glyphs().CellOf(byte).advance;
}

void Canvas::SetPixel(std::int32_t x, std::int32_t y, Colour colour)
{
    SetPixelRgb(x, y, ColourToRgb(colour));
}


// A one-pixel line stepped from end to end; the dotted pen sets every other
// pixel along it, starting with the first.
void Canvas::LineTo(std::int32_t x, std::int32_t y)
{
    m_bitmap.Materialize();
    const QRgb rgb = ColourToRgb(PenColor);
    std::int64_t cx = PenPos.x();
    std::int64_t cy = PenPos.y();
    const std::int64_t dx = std::llabs(static_cast<std::int64_t>(x) - cx);
    const std::int64_t dy = std::llabs(static_cast<std::int64_t>(y) - cy);
    const int sx = cx < x ? 1 : -1;
    const int sy = cy < y ? 1 : -1;
    std::int64_t error = dx - dy;
    std::int64_t step = 0;
    while (cx != x || cy != y) {
        if (PenStyle == PenMode::Solid || step % 2 == 0) {
            if (cx >= 0 && cy >= 0 && cx < m_bitmap.Width() && cy < m_bitmap.Height())
                m_bitmap.Row(static_cast<int>(cy))[cx] = rgb;
        }
        ++step;
        const std::int64_t twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            cx += sx;
        }
        if (twice < dx) {
            error += dx;
            cy += sy;
        }
    }
    PenPos = QPoint(x, y);
}

void Canvas::SetBitmapHeight(std::int32_t height)
{
    closePainter();
    m_bitmap.SetHeight(height, ColourToRgb(BrushColor));
}

PictureControl::PictureControl() = default;
PictureControl::~PictureControl() = default;

void PictureControl::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height)
{
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
}

LumoRect PictureControl::BoundsRect() const
{
    return {m_left, m_top, Wrap::Add(m_left, m_width), Wrap::Add(m_top, m_height)};
}

Canvas &PictureControl::GetCanvas()
{
    if (!m_canvas)
        m_canvas = std::make_unique<Canvas>(m_width, m_height);
    return *m_canvas;
}

void PictureControl::ClearPicture()
{
    m_canvas.reset();
}

QImage PictureControl::Picture() const
{
    return m_canvas ? m_canvas->bitmap().View() : QImage();
}

int PictureControl::BitmapWidth() const
{
    return m_canvas ? m_canvas->bitmap().Width() : 0;
}

int PictureControl::BitmapHeight() const
{
    return m_canvas ? m_canvas->bitmap().Height() : 0;
}
