#include "Bitmap.h"

#include "PixelMemory.h"

#include <algorithm>
#include <cstring>

Bitmap::Bitmap(int width, int height, QRgb fill)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0))
{
    m_capacity = static_cast<std::size_t>(m_width) * m_height;
    m_pixels = AllocatePixels(m_capacity);
    m_pendingColour = fill;
    m_fillPending = m_capacity > 0;
}

void Bitmap::fillPending() const
{
    std::fill(m_pixels, m_pixels + static_cast<std::size_t>(m_width) * m_height, m_pendingColour);
    m_fillPending = false;
}

void Bitmap::FillAll(QRgb rgb)
{
    m_fillPending = false;
    std::fill(m_pixels, m_pixels + static_cast<std::size_t>(m_width) * m_height, rgb);
}

Bitmap::~Bitmap()
{
    FreePixels(m_pixels, m_capacity);
}

void Bitmap::SetHeight(int height, QRgb fill)
{
    Materialize();
    height = std::max(height, 0);
    const std::size_t used = static_cast<std::size_t>(m_width) * m_height;
    const std::size_t needed = static_cast<std::size_t>(m_width) * height;
    if (needed > m_capacity) {
        // Grow geometrically, so a picture growing line by line is copied
        // only a few times.
        const std::size_t capacity = std::max(needed, m_capacity * 2);
        m_pixels = GrowPixels(m_pixels, m_capacity, capacity);
        m_capacity = capacity;
    }
    if (needed > used)
        std::fill(m_pixels + used, m_pixels + needed, fill);
    m_height = height;
}

QImage Bitmap::View() const
{
    Materialize();
    if (m_width == 0 || m_height == 0)
        return QImage();
    return QImage(reinterpret_cast<const uchar *>(m_pixels), m_width, m_height,
                  static_cast<qsizetype>(m_width) * 4, QImage::Format_RGB32);
}

QImage Bitmap::WritableView()
{
    Materialize();
    if (m_width == 0 || m_height == 0)
        return QImage();
    return QImage(reinterpret_cast<uchar *>(m_pixels), m_width, m_height,
                  static_cast<qsizetype>(m_width) * 4, QImage::Format_RGB32);
}
