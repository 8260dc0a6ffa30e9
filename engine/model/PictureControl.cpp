#include "PictureControl.h"

#include "GlyphCache.h"
#include "GlyphPainter.h"
#include "PixelBuffer.h"
#include "WrapInt.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

QImage newBitmap(int width, int height, QRgb fill)
{
    if (width <= 0 || height <= 0)
        return QImage();
    CheckPictureMemory(std::uint64_t(width) * std::uint64_t(height) * 4);
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    image.fill(fill);
    return image;
}

} // namespace

Canvas::Canvas(int width, int height) : m_image(newBitmap(width, height, qRgb(255, 255, 255))) {}

Canvas::Canvas(QImage picture) : m_image(std::move(picture)) {}

Canvas::~Canvas() = default;

QImage &Canvas::drawable()
{
    if (!m_image.isNull() && m_image.format() != QImage::Format_RGB32)
        m_image.convertTo(QImage::Format_RGB32);
    return m_image;
}

void Canvas::FillRect(const LumoRect &rect)
{
    QImage &image = drawable();
    const std::int64_t left = std::max<std::int64_t>(rect.Left, 0);
    const std::int64_t top = std::max<std::int64_t>(rect.Top, 0);
    const std::int64_t right = std::min<std::int64_t>(rect.Right, image.width());
    const std::int64_t bottom = std::min<std::int64_t>(rect.Bottom, image.height());
    if (left >= right || top >= bottom)
        return;
    const QRgb rgb = ColourToRgb(BrushColor);
    for (std::int64_t y = top; y < bottom; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(static_cast<int>(y)));
        std::fill(row + left, row + right, rgb);
    }
}

GlyphCache &Canvas::glyphs()
{
    const QRgb background = ColourToRgb(BrushColor);
    if (!m_glyphs || !m_glyphs->Matches(Font, background))
        m_glyphs = GlyphCache::For(Font, background);
    return *m_glyphs;
}

void Canvas::TextOut(std::int32_t x, std::int32_t y, const QByteArray &text)
{
    GlyphCache &cache = glyphs();
    QImage &image = drawable();
    for (const char ch : text)
        cache.CellOf(static_cast<unsigned char>(ch));
    if (image.isNull()) {
        return;
    }
    GlyphPainter painter(cache, image);
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        const GlyphCache::Cell &cell = cache.ReadyCell(byte);
        painter.Draw(QPoint(x, y), cell, image.height());
        x = Wrap::Add(x, cell.advance);
    }
}

std::int32_t Canvas::TextWidth(const QByteArray &text)
{
    GlyphCache &cache = glyphs();
    std::int32_t total = 0;
    for (const char ch : text)
        total = Wrap::Add(total, cache.CellOf(static_cast<unsigned char>(ch)).advance);
    return total;
}

void Canvas::SetPixel(std::int32_t x, std::int32_t y, Colour colour)
{
    SetPixelRgb(x, y, ColourToRgb(colour));
}

void Canvas::SetPixelRgb(std::int32_t x, std::int32_t y, QRgb rgb)
{
    QImage &image = drawable();
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        reinterpret_cast<QRgb *>(image.scanLine(y))[x] = rgb;
}

// A one-pixel line stepped from end to end; the dotted pen sets every other
// pixel along it, starting with the first.
void Canvas::LineTo(std::int32_t x, std::int32_t y)
{
    QImage &image = drawable();
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
            if (cx >= 0 && cy >= 0 && cx < image.width() && cy < image.height())
                reinterpret_cast<QRgb *>(image.scanLine(static_cast<int>(cy)))[cx] = rgb;
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
    QImage &image = drawable();
    const int width = image.isNull() ? 0 : image.width();
    QImage grown = newBitmap(width, height, ColourToRgb(BrushColor));
    const int kept = std::min(image.isNull() ? 0 : image.height(), grown.isNull() ? 0 : grown.height());
    for (int y = 0; y < kept; ++y)
        std::copy_n(image.constScanLine(y), static_cast<std::size_t>(width) * 4, grown.scanLine(y));
    m_image = std::move(grown);
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

void PictureControl::SetBounds(const LumoRect &bounds)
{
    SetBounds(bounds.Left, bounds.Top, Wrap::Sub(bounds.Right, bounds.Left), Wrap::Sub(bounds.Bottom, bounds.Top));
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

void PictureControl::SetPicture(QImage picture)
{
    m_canvas = std::make_unique<Canvas>(std::move(picture));
}

QImage PictureControl::Picture() const
{
    if (!m_canvas)
        return QImage();
    const QImage &stored = m_canvas->Stored();
    if (stored.isNull() || stored.format() == QImage::Format_RGB32)
        return stored;
    return stored.convertToFormat(QImage::Format_RGB32);
}

QImage PictureControl::StoredPicture() const
{
    return m_canvas ? m_canvas->Stored() : QImage();
}

int PictureControl::BitmapWidth() const
{
    return m_canvas && !m_canvas->Stored().isNull() ? m_canvas->Stored().width() : 0;
}

int PictureControl::BitmapHeight() const
{
    return m_canvas && !m_canvas->Stored().isNull() ? m_canvas->Stored().height() : 0;
}
